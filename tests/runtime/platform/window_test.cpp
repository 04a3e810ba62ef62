// The platform window on the offscreen driver: opening it with the context programs rely on,
// and SDL events translated into platform events. (The installed run checks a scaled
// window's picture.)
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing.h"
#include "support/headless.h"

namespace qvt::platform {
namespace {

TEST(WindowTest, OpensAWindowAndTranslatesEvents) {
    test::useHeadlessDrivers();
    keepVideoLoaded();  // the GL driver stays loaded, its allocations reachable
    WindowConfig config;
    ASSERT_TRUE(openWindow(config)) << lastError();
    config.width = 320;
    config.height = 200;
    config.visible = true;
    ASSERT_TRUE(openWindow(config)) << "a second open replaces the first";
    EXPECT_TRUE(windowVisible() && windowHasFocus()) << "a new window counts as focused";
    int w = 0, h = 0;
    windowClientSize(&w, &h);
    EXPECT_EQ(w * 1000 + h, 320200);
    GLint depth = 0, stencil = 0, profile = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_TRUE(depth >= 24 && stencil >= 8) << depth << " depth, " << stencil << " stencil";
    EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0) << "a compatibility context, for GL 1.x";

    Event out;
    while (pollEvent(&out)) {
    }
    std::vector<SDL_Event> in(6, SDL_Event{});
    in[0].type = SDL_KEYDOWN;
    in[0].key.keysym.scancode = SDL_SCANCODE_F4;
    in[0].key.keysym.mod = KMOD_LALT;
    in[0].key.repeat = 1;
    in[1].type = SDL_TEXTINPUT;
    std::strcpy(in[1].text.text, "\xC3\xBC");
    in[2].type = SDL_MOUSEWHEEL;
    in[2].wheel.y = 2;
    in[2].wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    in[3].type = in[4].type = SDL_WINDOWEVENT;
    in[3].window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    in[4].window.event = SDL_WINDOWEVENT_CLOSE;
    in[0].key.windowID = in[3].window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    in[5].type = SDL_QUIT;
    for (SDL_Event& e : in) SDL_PushEvent(&e);
    std::vector<Event> got;
    while (pollEvent(&out)) got.push_back(out);
    std::vector<EventType> types;
    for (const Event& e : got) types.push_back(e.type);
    using T = EventType;
    ASSERT_EQ(types,
              (std::vector{T::KeyDown, T::Text, T::MouseWheel, T::FocusLost, T::Close, T::Quit}));
    EXPECT_TRUE(got[0].scancode == SDL_SCANCODE_F4 && got[0].altDown && got[0].repeat);
    EXPECT_STREQ(got[1].text, "\xC3\xBC");
    EXPECT_EQ(got[2].wheelY, -2) << "a flipped wheel reads as the other direction";
    EXPECT_FALSE(windowHasFocus());
    closeWindow();
    EXPECT_FALSE(windowOpen());
    EXPECT_EQ(glProcAddress("glClear"), nullptr) << "no window, no GL";
}

}  // namespace
}  // namespace qvt::platform
