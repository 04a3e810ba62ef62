// The platform window on the offscreen driver: opening and closing, the GL context it
// makes current, and SDL events translated into platform events.
#include "app/testing.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <cstring>

#include "support/headless.h"

namespace qvt::platform {
namespace {

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::useHeadlessDrivers();
        keepVideoLoaded();
    }
    void TearDown() override {
        closeWindow();
        clearInjectedEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    // Drains everything SDL queued while the window was made (shown, moved ...).
    static void drain() {
        Event e;
        while (pollEvent(&e)) {
        }
    }
    static Uint32 windowId() { return SDL_GetWindowID(SDL_GL_GetCurrentWindow()); }
};

TEST_F(WindowTest, OpensWithACurrentContextOfTheAskedKind) {
    WindowConfig config;
    config.width = 320;
    config.height = 200;
    config.caption = "Test";
    ASSERT_TRUE(openWindow(config)) << lastError();
    EXPECT_TRUE(windowOpen());
    EXPECT_TRUE(windowVisible());
    EXPECT_TRUE(windowHasFocus()) << "a new window counts as focused";
    int w = 0, h = 0;
    windowClientSize(&w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);

    // Double buffering is asked for too, but the offscreen driver's surfaces have one buffer.
    GLint depth = 0, stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0) << "a compatibility context, for GL 1.x calls";
    auto clear = reinterpret_cast<void (*)(GLbitfield)>(glProcAddress("glClear"));
    ASSERT_NE(clear, nullptr);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    clear(GL_COLOR_BUFFER_BIT);
    GLubyte pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[1], 255) << "the fetched entry point drives the current context";
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0) << "no vertical-sync wait on top of the pacing";

    closeWindow();
    EXPECT_FALSE(windowOpen());
    EXPECT_FALSE(windowHasFocus());
    EXPECT_EQ(glProcAddress("glClear"), nullptr) << "no window, no GL";
}

TEST_F(WindowTest, InvisibleWindowStaysHiddenUntilShown) {
    WindowConfig config;
    config.visible = false;
    ASSERT_TRUE(openWindow(config)) << lastError();
    EXPECT_FALSE(windowVisible());
    enterWindowMode(false);
    EXPECT_FALSE(windowVisible()) << "window mode without show keeps it hidden";
    showWindow();
    EXPECT_TRUE(windowVisible());
    hideWindow();
    EXPECT_FALSE(windowVisible());
}

TEST_F(WindowTest, ReopeningReplacesTheWindow) {
    WindowConfig config;
    ASSERT_TRUE(openWindow(config));
    config.width = 200;
    config.height = 100;
    ASSERT_TRUE(openWindow(config)) << "a second open closes the first";
    int w = 0, h = 0;
    windowClientSize(&w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
}

TEST_F(WindowTest, SdlEventsAreTranslated) {
    ASSERT_TRUE(openWindow(WindowConfig{}));
    drain();
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = windowId();
    e.key.keysym.scancode = SDL_SCANCODE_F4;
    e.key.keysym.mod = KMOD_LALT;
    e.key.repeat = 1;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_TEXTINPUT;
    std::strcpy(e.text.text, "\xC3\xBC");
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 2;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 17;
    e.button.y = 23;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);

    Event out;
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::KeyDown);
    EXPECT_EQ(out.sdlType, static_cast<std::uint32_t>(SDL_KEYDOWN));
    EXPECT_EQ(out.scancode, SDL_SCANCODE_F4);
    EXPECT_TRUE(out.altDown);
    EXPECT_TRUE(out.repeat);
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::Text);
    EXPECT_STREQ(out.text, "\xC3\xBC");
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::MouseWheel);
    EXPECT_EQ(out.wheelY, -2) << "a flipped wheel reads as the other direction";
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::MouseButton);
    EXPECT_EQ(out.button, 3);
    EXPECT_TRUE(out.pressed);
    EXPECT_EQ(out.x, 17);
    EXPECT_EQ(out.y, 23);
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::Close);
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::Quit);
    EXPECT_FALSE(pollEvent(&out));
}

TEST_F(WindowTest, FocusFollowsFocusEventsFromEitherSource) {
    ASSERT_TRUE(openWindow(WindowConfig{}));
    drain();
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = windowId();
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
    Event out;
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::FocusLost);
    EXPECT_FALSE(windowHasFocus());
    drain();  // SDL ends each round of polling with a sentinel; events pushed after it wait

    Event gained;
    gained.type = EventType::FocusGained;
    injectEvent(gained);
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::FocusGained) << "injected events come first";
    EXPECT_TRUE(windowHasFocus());
    ASSERT_TRUE(pollEvent(&out));
    EXPECT_EQ(out.type, EventType::FocusLost);
    EXPECT_FALSE(windowHasFocus());
}

}  // namespace
}  // namespace qvt::platform
