// The PNG glue over libpng on arbitrary bytes: libpng's errors must come back as a clean
// refusal (no longjmp past live objects, no leak), and an accepted picture must be whole.
//
// Chunk checksums are recomputed before decoding, or nearly every mutation would stop at
// the first checksum (libpng is not instrumented, so the fuzzer cannot learn them).
#include <zlib.h>

#include "fuzz.h"
#include "gfx/image_decode.h"

namespace {

constexpr std::size_t kSignatureBytes = 8;

std::uint32_t bigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void fixChecksums(std::vector<std::uint8_t>& png) {
    std::size_t at = kSignatureBytes;
    while (at + 12 <= png.size()) {
        const std::size_t length = bigEndian(&png[at]);
        if (length > png.size() - at - 12) return;
        const uLong crc = crc32(0, &png[at + 4], static_cast<uInt>(length + 4));
        std::uint8_t* out = &png[at + 8 + length];
        for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += length + 12;
    }
}

}  // namespace

void fuzzOne(const std::uint8_t* input, std::size_t size) {
    std::vector<std::uint8_t> bytes(input, input + size);
    fixChecksums(bytes);
    const std::uint8_t* data = bytes.data();
    qvt::DecodeOptions options;
    options.key = 0x8000FF;
    options.name = "fuzz.png";
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    // Twice on one image: the second decode reuses (or grows) the first one's buffer.
    for (int round = 0; round < 2; ++round) {
        const qvt::DecodeStatus status = qvt::DecodePng(std::span(data, size), options, image);
        if (status != qvt::DecodeStatus::Decoded) {
            if (image.width != 0 || image.height != 0) std::abort();
            continue;
        }
        if (image.width < 1 || image.height < 1 || image.pixels.size() < image.byteCount())
            std::abort();
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < image.byteCount(); ++i) sum += image.pixels[i];
        if (image.keyed == 0) qvt::FillEdgeColours(image);
        if (sum == 0xFFFFFFFFu) std::abort();  // keeps the reads
    }
}
