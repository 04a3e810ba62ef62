// A scaled window: the runtime draws into a 640 x 480 off-screen picture, and every swap
// shows it enlarged with nearest sampling. Read back through real GL on the offscreen driver.
#include <gtest/gtest.h>

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/testing.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt::platform {
namespace {

constexpr int kW = 640, kH = 480;

class ScaledWindow : public ::testing::Test {
protected:
    void SetUp() override { test::useHeadlessDrivers(); }
    void TearDown() override { closeWindow(); }

    bool open(int scale, bool fit) {
        WindowConfig config;
        config.width = kW;
        config.height = kH;
        config.visible = false;
        config.scale = scale;
        config.fitDisplay = fit;
        return openWindow(config);
    }

    // A noisy picture put into the drawing area, read back as the runtime would see it.
    std::vector<std::uint8_t> paintNoise() {
        std::vector<std::uint8_t> picture(kW * kH * 4);
        std::mt19937 rng(7);
        for (auto& b : picture) b = static_cast<std::uint8_t>(rng());
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRasterPos2f(-1.f, -1.f);
        glDrawPixels(kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
        std::vector<std::uint8_t> seen(kW * kH * 4);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, seen.data());
        return seen;
    }

    // The window's back buffer after the picture was blitted into it.
    std::vector<std::uint8_t> windowPixels(int w, int h) {
        blitToWindow();
        auto bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(glProcAddress("glBindFramebuffer"));
        bind(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 4);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
};

TEST_F(ScaledWindow, EveryWindowPixelIsThePicturePixelAtHalfItsCoordinates) {
    ASSERT_TRUE(open(2, false)) << lastError();
    int w = 0, h = 0;
    windowClientSize(&w, &h);
    EXPECT_EQ(w, kW) << "the program keeps its own screen size";
    EXPECT_EQ(h, kH);
    std::vector<std::uint8_t> picture = paintNoise();
    std::vector<std::uint8_t> shown = windowPixels(2 * kW, 2 * kH);
    int wrong = 0;
    for (int y = 0; y < 2 * kH && wrong < 5; ++y) {
        for (int x = 0; x < 2 * kW && wrong < 5; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::uint8_t want = picture[((y / 2) * kW + x / 2) * 4 + c];
                std::uint8_t got = shown[(static_cast<std::size_t>(y) * 2 * kW + x) * 4 + c];
                if (want != got) {
                    ADD_FAILURE() << "window pixel (" << x << ", " << y << ") channel " << c;
                    ++wrong;
                }
            }
        }
    }
}

TEST_F(ScaledWindow, PointerPositionsMapToTheDrawingArea) {
    ASSERT_TRUE(open(3, false)) << lastError();
    struct Case { int wx, wy, cx, cy; };
    for (Case c : {Case{0, 0, 0, 0}, Case{2, 2, 0, 0}, Case{3, 5, 1, 1}, Case{1919, 1439, 639, 479}}) {
        int x = c.wx, y = c.wy;
        windowToClient(&x, &y);
        EXPECT_EQ(x, c.cx) << c.wx << "," << c.wy;
        EXPECT_EQ(y, c.cy) << c.wx << "," << c.wy;
    }
    int x = 639, y = 479;
    clientToWindow(&x, &y);
    EXPECT_EQ(x, 1917);
    EXPECT_EQ(y, 1437);
}

TEST_F(ScaledWindow, FillingTheDisplayCentresAWholeScale) {
    ASSERT_TRUE(open(1, true)) << lastError();
    double scale = 0;
    int ox = -1, oy = -1;
    presentationScale(&scale, &ox, &oy);
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &dw, &dh);
    ASSERT_GT(dw, 0);
    if (dw >= kW && dh >= kH) {
        EXPECT_EQ(scale, static_cast<int>(scale)) << "a whole scale where it fits";
    }
    EXPECT_LE(kW * scale, dw);
    EXPECT_LE(kH * scale, dh);
    EXPECT_NEAR(2 * ox + kW * scale, dw, 1.0) << "centred across";
    EXPECT_NEAR(2 * oy + kH * scale, dh, 1.0) << "centred down";
}

}  // namespace
}  // namespace qvt::platform
