// The pack entry decoders (LZO1X through liblzo2, and our LZSS) on arbitrary stored bytes,
// and both encoders on arbitrary data, which must come back unchanged. The first byte
// chooses the test.
#include "fuzz.h"
#include "files/pack.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    std::vector<std::uint8_t> out;
    if (data[0] % 4 == 0) {
        qvt::StoredHeader header;
        const bool plausible = qvt::ReadStoredHeader(rest, header);
        const bool decoded = qvt::DecodeStoredEntry(rest, out);
        if (decoded ? !plausible || out.size() != header.unpacked : !out.empty()) std::abort();
    } else if (data[0] % 4 == 1 && rest.size() >= 2) {
        out.resize(rest[0] | std::size_t{rest[1]} << 8);
        qvt::LzssDecompress(rest.subspan(2), out);
    } else if (data[0] % 4 > 1) {
        const auto format = data[0] % 4 == 2 ? qvt::PackFormat::Lzss : qvt::PackFormat::Lzo;
        const std::vector<std::uint8_t> stored = qvt::EncodeStoredEntry(rest, format);
        if (stored.empty() || !qvt::DecodeStoredEntry(stored, out)) std::abort();
        if (!std::equal(out.begin(), out.end(), rest.begin(), rest.end())) std::abort();
    }
}
