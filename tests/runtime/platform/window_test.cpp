// The platform window on the offscreen driver: the GL context it makes current, showing
// and hiding, SDL events translated into platform events, and a scaled window whose
// picture is shown enlarged with nearest sampling.
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "app/testing.h"
#include "support/headless.h"

namespace qvt {
namespace {

TEST(PlatformWindowTest, OpensACompatibilityContextAndTranslatesEvents) {
    test::useHeadlessDrivers();
    platform::keepVideoLoaded();
    platform::WindowConfig config;
    config.visible = false;
    ASSERT_TRUE(platform::openWindow(config)) << platform::lastError();
    config.width = 320;
    config.height = 200;
    config.visible = true;
    ASSERT_TRUE(platform::openWindow(config)) << "a second open replaces the first";
    EXPECT_TRUE(platform::windowVisible() && platform::windowHasFocus()) << "a new window counts as focused";
    int w = 0, h = 0;
    platform::windowClientSize(&w, &h);
    EXPECT_EQ(w * 1000 + h, 320200);
    GLint depth = 0, stencil = 0, profile = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0) << "a compatibility context, for GL 1.x calls";
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0) << "no vertical-sync wait on top of the pacing";
    platform::hideWindow();
    EXPECT_FALSE(platform::windowVisible());

    platform::Event out;
    while (platform::pollEvent(&out)) {
    }
    std::vector<SDL_Event> in(7, SDL_Event{});
    in[0].type = SDL_KEYDOWN;
    in[0].key.keysym.scancode = SDL_SCANCODE_F4;
    in[0].key.keysym.mod = KMOD_LALT;
    in[0].key.repeat = 1;
    in[1].type = SDL_TEXTINPUT;
    std::strcpy(in[1].text.text, "\xC3\xBC");
    in[2].type = SDL_MOUSEWHEEL;
    in[2].wheel.y = 2;
    in[2].wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    in[3].type = SDL_MOUSEBUTTONDOWN;
    in[3].button.button = SDL_BUTTON_RIGHT;
    in[3].button.x = 17;
    in[3].button.y = 23;
    in[4].type = SDL_WINDOWEVENT;
    in[4].window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    in[5].type = SDL_WINDOWEVENT;
    in[5].window.event = SDL_WINDOWEVENT_CLOSE;
    in[6].type = SDL_QUIT;
    in[0].key.windowID = in[4].window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    for (SDL_Event& e : in) SDL_PushEvent(&e);
    platform::Event gained;
    gained.type = platform::EventType::FocusGained;
    platform::injectEvent(gained);
    using T = platform::EventType;
    for (T type : {T::FocusGained, T::KeyDown, T::Text, T::MouseWheel, T::MouseButton, T::FocusLost, T::Close, T::Quit}) {
        ASSERT_TRUE(platform::pollEvent(&out));
        ASSERT_EQ(out.type, type) << "injected events come first";
        if (type == T::KeyDown) {
            EXPECT_TRUE(out.scancode == SDL_SCANCODE_F4 && out.altDown && out.repeat);
        }
        if (type == T::Text) {
            EXPECT_STREQ(out.text, "\xC3\xBC");
        }
        if (type == T::MouseWheel) {
            EXPECT_EQ(out.wheelY, -2) << "a flipped wheel reads as the other direction";
        }
        if (type == T::MouseButton) {
            EXPECT_TRUE(out.button == 3 && out.pressed && out.x == 17 && out.y == 23);
        }
        if (type == T::FocusGained) {
            EXPECT_TRUE(platform::windowHasFocus());
        }
    }
    EXPECT_FALSE(platform::windowHasFocus());
    EXPECT_FALSE(platform::pollEvent(&out));
    platform::closeWindow();
    EXPECT_FALSE(platform::windowOpen());
    EXPECT_EQ(platform::glProcAddress("glClear"), nullptr) << "no window, no GL";
}

}  // namespace
}  // namespace qvt

namespace qvt::platform {
namespace {

constexpr int kW = 640, kH = 480;

class ScaledWindow : public ::testing::Test {
protected:
    void SetUp() override {
        test::useHeadlessDrivers();
        keepVideoLoaded();  // the GL driver stays loaded, its allocations reachable
    }
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
