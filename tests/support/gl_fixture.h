// A real GL context for drawing tests: a hidden 640 x 480 window on SDL's offscreen driver
// (Mesa's software renderer), the graphics context on top, and test pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "gfx/image.h"
#include "support/pixels.h"

namespace qvt::test {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

using Rgb = FramePixel;
// The packed RGB colour of the runtime (red + 256 green + 65536 blue).
inline double packed(const Rgb& c) { return c.r + 256.0 * c.g + 65536.0 * c.b; }
inline Rgb readPixel(int x, int y) { return readFramePixel(x, y); }
::testing::AssertionResult nearColour(const Rgb& actual, const Rgb& expected, int tolerance);
// Pixels x0..x1 of row y, a letter each: K black, W white, R red, G green, B blue, Y yellow,
// M magenta, or the letter `other` stands for; '?' for any other colour.
std::string scan(int x0, int x1, int y, char letter = '?', Rgb other = {});

// Opens the window once per process (later calls return the first result).
bool openTestWindow();

// A width x height image whose pixels come from fn(x, y) (y from the top) as 0xAABBGGRR.
using PixelFn = std::function<std::uint32_t(int x, int y)>;
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
