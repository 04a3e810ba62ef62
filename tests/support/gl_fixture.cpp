#include "support/gl_fixture.h"

#include <algorithm>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "platform/window.h"

namespace qvt::test {

namespace {

// Closes the window after the last test, so SDL shuts down in order.
class WindowEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        ShutdownGraphics();
        platform::closeWindow();
    }
};

}  // namespace

bool openTestWindow() {
    static const bool opened = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        platform::WindowConfig config;
        config.width = kScreenWidth;
        config.height = kScreenHeight;
        config.visible = false;
        config.caption = "gfx test";
        const bool ok = platform::openWindow(config);
        if (ok) ::testing::AddGlobalTestEnvironment(new WindowEnvironment);
        return ok;
    }();
    return opened;
}

::testing::AssertionResult nearColour(const Rgb& actual, const Rgb& expected, int tolerance) {
    if (nearPixel(actual, expected, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << actual << ", expected " << expected << " +-" << tolerance;
}

std::string scan(int x0, int x1, int y, char letter, Rgb other) {
    const std::pair<char, Rgb> named[] = {{'K', {0, 0, 0}},     {'W', {255, 255, 255}}, {'R', {255, 0, 0}}, {'G', {0, 255, 0}},
                                          {'B', {0, 0, 255}},   {'Y', {255, 255, 0}},   {'M', {255, 0, 255}}, {letter, other}};
    std::string out;
    for (const Rgb& p : readFrameRect(x0, y, x1 - x0 + 1, 1)) {
        const auto* hit = std::find_if(std::begin(named), std::end(named), [&](const auto& n) { return n.second == p; });
        out += hit != std::end(named) ? hit->first : '?';
    }
    return out;
}

DecodedImage makeImage(int width, int height, const PixelFn& fn) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(image.byteCount());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = fn(x, y);
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int c = 0; c < 4; ++c) p[c] = static_cast<std::uint8_t>(v >> (8 * c));
        }
    }
    return image;
}

void uploadTexture(int id, const DecodedImage& image, bool makeMip, bool isFont) {
    ASSERT_TRUE(CreateSpriteTexture(image, id, makeMip, isFont)) << "upload into slot " << id;
}

void GlTest::SetUp() {
    ASSERT_TRUE(openTestWindow()) << "no offscreen GL window: " << platform::lastError();
    InitGraphics(kScreenWidth, kScreenHeight);
    ASSERT_NE(graphics(), nullptr);
    SetBlendAlpha(0);
    SetClearColour(0);
    BeginFrame();
    ResetScreenState();
}

void GlTest::TearDown() { ShutdownGraphics(); }

}  // namespace qvt::test
