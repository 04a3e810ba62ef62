// The BMP decoder on arbitrary bytes: a picture it accepts must be whole (every pixel
// written inside a buffer of the claimed size), and a refusal must leave no size behind.
// The edge-colour pass runs over every accepted picture as the sprite loader would.
#include "fuzz.h"
#include "gfx/image_decode.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    qvt::DecodeOptions options;
    options.key = size > 0 ? data[0] * 0x010101u : 0;  // sometimes a key that occurs
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    const qvt::DecodeStatus status = qvt::DecodeBmp(std::span(data, size), options, image);
    if (status != qvt::DecodeStatus::Decoded) {
        if (image.width != 0 || image.height != 0) std::abort();
        return;
    }
    if (image.width < 1 || image.height < 1 || image.keyed != 0) std::abort();
    if (image.pixels.size() < image.byteCount()) std::abort();
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < image.byteCount(); i += 4) {
        const std::uint8_t* p = &image.pixels[i];
        if (p[3] != 0 && p[3] != 255) std::abort();  // BMP alpha is the key or opaque
        if (p[3] == 0 && (p[0] | p[1] | p[2]) != 0) std::abort();
        sum += p[0];
    }
    qvt::FillEdgeColours(image);
    if (sum == 0xFFFFFFFFu) std::abort();  // keeps the reads
}
