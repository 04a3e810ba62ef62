// A real GL context for drawing tests: a hidden 640 x 480 window on SDL's offscreen driver
// (Mesa's software renderer), the graphics context on top, and pixel read-back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>

#include "gfx/image.h"

namespace qvt::test {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
// The packed RGB colour of the runtime (red + 256 green + 65536 blue).
inline double packed(const Rgb& c) { return c.r + 256.0 * c.g + 65536.0 * c.b; }

// Opens the window once per process (later calls return the first result).
bool openTestWindow();

// One back-buffer pixel at 2D window coordinates (y down), after glFinish. The window has no
// alpha bits, so only colour is read.
Rgb readPixel(int x, int y);
// Each channel within tolerance of the expected value.
::testing::AssertionResult nearColour(const Rgb& actual, const Rgb& expected, int tolerance);

// A width x height image whose pixels come from fn(x, y) (y from the top) as RGBA.
using PixelFn = std::function<std::uint32_t(int x, int y)>;  // 0xAABBGGRR
DecodedImage makeImage(int width, int height, const PixelFn& fn);
// Opaque pixel value for makeImage.
inline std::uint32_t opaque(const Rgb& c) {
    return 0xFF000000u | static_cast<std::uint32_t>(c.r) | (static_cast<std::uint32_t>(c.g) << 8) |
           (static_cast<std::uint32_t>(c.b) << 16);
}
// Uploads the image into slot id as a sprite (with mip texture) or a font; asserts success.
void uploadTexture(int id, const DecodedImage& image, bool makeMip = false, bool isFont = false);

// Every test starts from a fresh graphics context on the shared window, in the start state
// of a real run: blending off, clear colour black, a cleared frame, the default 2D state.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace qvt::test
