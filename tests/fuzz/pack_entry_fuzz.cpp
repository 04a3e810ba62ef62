// The pack entry decoders (LZO1X through liblzo2, and our LZSS) on arbitrary stored bytes
// (the encoders' round trips are qvtpack's tests). The first byte chooses the decoder.
#include "fuzz.h"
#include "files/pack.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    std::vector<std::uint8_t> out;
    if (data[0] % 2 == 0) {
        qvt::StoredHeader header;
        const bool plausible = qvt::ReadStoredHeader(rest, header);
        const bool decoded = qvt::DecodeStoredEntry(rest, out);
        if (decoded ? !plausible || out.size() != header.unpacked : !out.empty()) std::abort();
    } else if (rest.size() >= 2) {
        out.resize(rest[0] | std::size_t{rest[1]} << 8);
        qvt::LzssDecompress(rest.subspan(2), out);
    }
}
