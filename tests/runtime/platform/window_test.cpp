// The platform window on the offscreen driver: the GL context it makes current, showing
// and hiding, and SDL events translated into platform events.
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
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
