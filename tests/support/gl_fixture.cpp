#include "support/gl_fixture.h"

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
