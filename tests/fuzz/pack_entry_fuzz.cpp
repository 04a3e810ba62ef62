// The pack entry decoders (LZO1X through liblzo2, and our LZSS) on arbitrary stored bytes,
// and both encoders on arbitrary data, which must come back unchanged. The first byte
// chooses the test.
#include "fuzz.h"
#include "files/pack.h"

namespace {

void decodeStored(std::span<const std::uint8_t> stored) {
    std::vector<std::uint8_t> out;
    qvt::StoredHeader header;
    const bool plausible = qvt::ReadStoredHeader(stored, header);
    const bool decoded = qvt::DecodeStoredEntry(stored, out);
    if (decoded && (!plausible || out.size() != header.unpacked)) std::abort();
    if (!decoded && !out.empty()) std::abort();
}

void decodeRawLzss(std::span<const std::uint8_t> in) {
    if (in.size() < 2) return;
    const std::size_t size = in[0] | static_cast<std::size_t>(in[1]) << 8;
    std::vector<std::uint8_t> out(size);
    qvt::LzssDecompress(in.subspan(2), out);
}

void roundTrip(std::span<const std::uint8_t> data, qvt::PackFormat format) {
    const std::vector<std::uint8_t> stored = qvt::EncodeStoredEntry(data, format);
    std::vector<std::uint8_t> back;
    if (stored.empty() || !qvt::DecodeStoredEntry(stored, back)) std::abort();
    if (back.size() != data.size() || !std::equal(back.begin(), back.end(), data.begin())) std::abort();
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    switch (data[0] % 4) {
        case 0: decodeStored(rest); break;
        case 1: decodeRawLzss(rest); break;
        case 2: roundTrip(rest, qvt::PackFormat::Lzss); break;
        default: roundTrip(rest, qvt::PackFormat::Lzo); break;
    }
}
