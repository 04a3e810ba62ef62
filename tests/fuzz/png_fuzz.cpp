// The PNG glue over libpng on arbitrary bytes: libpng's errors must come back as a clean
// refusal (no longjmp past live objects, no leak), and an accepted picture must be whole.
//
// Chunk checksums are recomputed before decoding, or nearly every mutation would stop at
// the first checksum (libpng is not instrumented, so the fuzzer cannot learn them).
#include <zlib.h>

#include "fuzz.h"
#include "gfx/image_decode.h"

void fuzzOne(const std::uint8_t* input, std::size_t size) {
    std::vector<std::uint8_t> png(input, input + size);
    for (std::size_t at = 8; at + 12 <= size;) {  // after the signature, chunk by chunk
        const std::size_t length = std::size_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (length > size - at - 12) break;
        const uLong crc = crc32(0, &png[at + 4], static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += length + 12;
    }
    qvt::DecodeOptions options;
    options.key = 0x8000FF;
    options.name = "fuzz.png";
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    // Twice on one image: the second decode reuses (or grows) the first one's buffer.
    for (int round = 0; round < 2; ++round) {
        const qvt::DecodeStatus status = qvt::DecodePng(std::span(png.data(), size), options, image);
        if (acceptedWhole(status == qvt::DecodeStatus::Decoded, image) && image.keyed == 0) {
            qvt::FillEdgeColours(image);
        }
    }
}
