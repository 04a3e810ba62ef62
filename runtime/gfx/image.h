// Decoded pictures: what the image decoders produce and texture creation consumes.
#pragma once

#include <cstdint>
#include <vector>

namespace qvt {

// RGBA pixels of one decoded image, rows from top to bottom. Decoders reuse one instance
// between loads, so the pixel buffer only grows (its capacity is the allocation).
struct DecodedImage {
    std::uint8_t keyed = 0;            // 1: alpha from the file; 0: from the colour key, or opaque
    std::int32_t width = 0;            // pixels
    std::int32_t height = 0;           // pixels
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes used: R, G, B, A

    // Bytes of the image proper (width * height * 4), 0 for a negative size.
    std::size_t byteCount() const {
        if (width <= 0 || height <= 0) return 0;
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    }
};

}  // namespace qvt
