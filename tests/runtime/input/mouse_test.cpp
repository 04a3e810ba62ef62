// The mouse record: window position or movement, the wheel reduced to its direction, and
// the idle wait's "anything happened" check. Runs on SDL's dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "input/input.h"
#include "input/input_state.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

void wheel(int steps) {
    platform::Event e;
    e.type = platform::EventType::MouseWheel;
    e.wheelY = steps;
    input::HandleEvent(e);
}

MouseState poll(bool update) {
    MouseState m;
    PollMouse(m, update);
    return m;
}

// ---- Without any window -------------------------------------------------------------

class MouseWheelTest : public testing::Test {
protected:
    void TearDown() override { ShutdownInput(); }
    test::ScriptedInput keys;
};

TEST_F(MouseWheelTest, TheWheelIsReducedToItsDirectionUntilAnUpdateOrAFrame) {
    EXPECT_EQ(poll(false).wheel, 0);
    wheel(3);
    wheel(-1);
    EXPECT_EQ(poll(false).wheel, 1) << "+2 in total";
    EXPECT_EQ(poll(false).wheel, 1) << "reading without update keeps it";
    EXPECT_EQ(poll(true).wheel, 1) << "the updating read still reports it";
    EXPECT_EQ(poll(false).wheel, 0) << "and clears it";
    wheel(-120);
    EXPECT_EQ(poll(true).wheel, -1);
    wheel(1);
    wheel(-1);
    EXPECT_EQ(poll(true).wheel, 0) << "movements that cancel out";
    for (int i = 0; i < 4; ++i) wheel(0x7FFFFFFF);
    EXPECT_EQ(poll(true).wheel, 1) << "a huge sum keeps its sign";
    for (int i = 0; i < 4; ++i) wheel(-0x7FFFFFFF - 1);
    EXPECT_EQ(poll(true).wheel, -1);
    wheel(1);
    input::PollForFrame();
    EXPECT_EQ(poll(false).wheel, 0) << "steps before the frame's poll belong to that frame";
}

// ---- With a window on the dummy driver ---------------------------------------------

class MouseWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The dummy driver, not offscreen: no GL driver is loaded, so nothing outside our
        // code shows up in the leak checker.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("input", 0, 0, 320, 200, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() {
        SDL_DestroyWindow(window);
        SDL_Quit();
    }
    void SetUp() override {
        // Headless drivers move the pointer by sending motion, as a real mouse would.
        SDL_WarpMouseInWindow(window, 10, 20);
        SDL_PumpEvents();
        InitInput(false);
    }
    void TearDown() override { ShutdownInput(); }

    static void moveTo(int x, int y) {
        SDL_WarpMouseInWindow(window, x, y);
        SDL_PumpEvents();
    }

    static SDL_Window* window;
    test::ScriptedInput keys;
};

SDL_Window* MouseWindowTest::window = nullptr;

TEST_F(MouseWindowTest, ShownPointerReportsMovementOfItsWindowPosition) {
    moveTo(110, 70);
    MouseState m = poll(false);
    EXPECT_EQ(m.dx, 100) << "from where InitInput found the pointer";
    EXPECT_EQ(m.dy, 50);
    moveTo(100, 75);
    m = poll(true);
    EXPECT_EQ(m.dx, 90);
    EXPECT_EQ(m.dy, 55);
    EXPECT_EQ(poll(false).dx, 0) << "the update made the position the previous one";
    moveTo(95, 75);
    EXPECT_EQ(poll(true).dx, -5);
}

// SDL reports no movement for warps, so a headless driver cannot move a hidden pointer;
// the movement arithmetic is tested on the record below.
TEST_F(MouseWindowTest, AHiddenPointerIsReadAsMovementNotPosition) {
    moveTo(50, 40);
    poll(true);
    ShowSystemPointer(0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    moveTo(200, 150);  // a jump of the system pointer, not a movement of the mouse
    EXPECT_EQ(poll(true).dx, 0);
    ShowSystemPointer(1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    moveTo(60, 40);
    EXPECT_EQ(poll(true).dx, 10) << "shown again: window positions, from where it was hidden";
}

TEST_F(MouseWindowTest, ExclusiveStartHidesThePointerUntilShutdown) {
    ShutdownInput();
    InitInput(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    ShutdownInput();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "shutdown shows the pointer again";
}

TEST_F(MouseWindowTest, IdleWaitSeesMouseMovementAndKeys) {
    input::TakeActivitySnapshot();
    EXPECT_FALSE(input::ActivitySinceSnapshot()) << "nothing happened";
    keys.press(255);
    EXPECT_FALSE(input::ActivitySinceSnapshot()) << "key 255 is not watched";
    keys.press(57);
    EXPECT_TRUE(input::ActivitySinceSnapshot()) << "Space down";
    keys.releaseAll();
    EXPECT_FALSE(input::ActivitySinceSnapshot());
    moveTo(11, 20);
    EXPECT_TRUE(input::ActivitySinceSnapshot()) << "the mouse moved one pixel";
    input::TakeActivitySnapshot();
    EXPECT_FALSE(input::ActivitySinceSnapshot());
}

// ---- The record's arithmetic ------------------------------------------------------

platform::MouseSample reading(int x, int y, bool left = false) {
    platform::MouseSample s;
    s.x = x;
    s.y = y;
    s.left = left;
    return s;
}

TEST(MouseRecord, MovementAddsUpUntilTheUpdateAndSaturates) {
    input::MouseRecord m;
    input::applyMouseSample(m, reading(5, 3), true);  // e.g. read by the idle wait
    input::applyMouseSample(m, reading(2, 0), true);  // then by the game
    MouseState st = input::mouseStateOf(m, true);
    EXPECT_EQ(st.dx * 100 + st.dy, 703) << "movement read earlier is not lost before the update";
    input::applyMouseSample(m, reading(-4, 1, true), true);
    st = input::mouseStateOf(m, false);
    EXPECT_EQ(st.dx, -4);
    EXPECT_EQ(st.left, 1);
    EXPECT_EQ(input::mouseStateOf(m, true).dx, -4) << "no update: still since the last one";
    EXPECT_EQ(input::mouseStateOf(m, false).dx, 0);

    input::MouseRecord w;
    input::applyMouseSample(w, reading(100, 50), false);
    input::applyMouseSample(w, reading(90, 60), false);
    st = input::mouseStateOf(w, true);
    EXPECT_EQ(st.dx * 100 + st.dy, 9060) << "window positions replace the position";

    input::MouseRecord big;
    input::applyMouseSample(big, reading(40000, -40000), true);
    st = input::mouseStateOf(big, true);
    EXPECT_EQ(st.dx, 32767) << "not wrapped to a movement the other way";
    EXPECT_EQ(st.dy, -32768);
    for (int i = 0; i < 3; ++i) input::applyMouseSample(big, reading(0x7FFFFFFF, 0), true);
    EXPECT_EQ(big.x, 0x7FFFFFFF) << "the position sum saturates instead of overflowing";
}

}  // namespace
}  // namespace qvt
