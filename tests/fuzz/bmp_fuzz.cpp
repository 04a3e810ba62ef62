// The BMP decoder on arbitrary bytes: an accepted picture is whole, and the edge-colour pass
// runs over it as the sprite loader would.
#include "fuzz.h"
#include "gfx/image_decode.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    qvt::DecodeOptions options;
    options.key = size > 0 ? data[0] * 0x010101u : 0;  // sometimes a key that occurs
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    const qvt::DecodeStatus status = qvt::DecodeBmp(std::span(data, size), options, image);
    if (acceptedWhole(status == qvt::DecodeStatus::Decoded, image)) qvt::FillEdgeColours(image);
}
