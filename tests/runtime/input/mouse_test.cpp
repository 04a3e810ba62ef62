// The mouse record: window position or movement, the wheel reduced to its direction, and
// the idle wait's "anything happened" check. Runs on SDL's dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include "input/input.h"
#include "input/input_state.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

class MouseTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The dummy driver, not offscreen: no GL driver is loaded, so nothing outside our
        // code shows up in the leak checker.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("input", 0, 0, 320, 200, 0);
    }
    static void TearDownTestSuite() {
        SDL_DestroyWindow(window);
        SDL_Quit();
    }
    void SetUp() override {
        moveTo(10, 20);  // headless drivers move the pointer by sending motion
        InitInput(false);
    }
    void TearDown() override { ShutdownInput(); }
    static void moveTo(int x, int y) {
        SDL_WarpMouseInWindow(window, x, y);
        SDL_PumpEvents();
    }
    // Movement since the last update and the wheel's direction, as (dx, dy, wheel).
    static std::tuple<int, int, int> poll(bool update) {
        MouseState m;
        PollMouse(m, update);
        return {m.dx, m.dy, m.wheel};
    }
    static inline SDL_Window* window = nullptr;
    test::ScriptedInput keys;
};

TEST_F(MouseTest, TheWheelIsReducedToItsDirectionUntilAnUpdate) {
    const auto steps = [](bool update) { return std::get<2>(poll(update)); };
    constexpr int kMax = 0x7FFFFFFF, kMin = -kMax - 1;
    const std::pair<std::vector<int>, int> cases[] = {  // a huge sum keeps its sign
        {{3, -1}, 1}, {{-120}, -1}, {{1, -1}, 0}, {{kMax, kMax, kMax, kMax}, 1}, {{kMin, kMin, kMin, kMin}, -1}};
    platform::Event e;
    e.type = platform::EventType::MouseWheel;
    for (const auto& [moves, direction] : cases) {
        for (int wheelY : moves) {
            e.wheelY = wheelY;
            input::HandleEvent(e);
        }
        EXPECT_EQ(steps(false) * 10 + steps(true), direction * 11) << "kept until the update";
        EXPECT_EQ(steps(false), 0) << "and cleared by it";
    }
}

TEST_F(MouseTest, AShownPointerReportsItsWindowPositionAHiddenOneMovement) {
    moveTo(110, 70);
    EXPECT_EQ(poll(false), std::tuple(100, 50, 0)) << "from where InitInput found the pointer";
    moveTo(100, 75);
    EXPECT_EQ(poll(true), std::tuple(90, 55, 0));
    EXPECT_EQ(poll(false), std::tuple(0, 0, 0)) << "the update made the position the previous one";
    ShowSystemPointer(0);
    // SDL reports no movement for warps, so a headless driver cannot move a hidden pointer.
    moveTo(200, 150);
    EXPECT_EQ(poll(true), std::tuple(0, 0, 0)) << "a jump of the system pointer is no movement";
}

TEST_F(MouseTest, IdleWaitSeesMouseMovementAndKeys) {
    input::TakeActivitySnapshot();
    EXPECT_FALSE(input::ActivitySinceSnapshot()) << "nothing happened";
    keys.press(57);
    EXPECT_TRUE(input::ActivitySinceSnapshot()) << "Space down";
    keys.releaseAll();
    moveTo(11, 20);
    EXPECT_TRUE(input::ActivitySinceSnapshot()) << "the mouse moved one pixel";
}

TEST(MouseRecord, MovementAddsUpUntilTheUpdateAndSaturates) {
    const auto apply = [](input::MouseRecord& m, int x, int y, bool relative, bool left = false) {
        platform::MouseSample s;
        s.x = x, s.y = y, s.left = left;
        input::applyMouseSample(m, s, relative);
    };
    const auto state = [](input::MouseRecord& m, bool update) {
        const MouseState st = input::mouseStateOf(m, update);
        return std::tuple<int, int, int>{st.dx, st.dy, st.left};
    };
    input::MouseRecord m;
    apply(m, 5, 3, true);  // e.g. read by the idle wait
    apply(m, 2, 0, true);  // then by the game
    EXPECT_EQ(state(m, true), std::tuple(7, 3, 0)) << "movement read earlier is not lost before the update";
    apply(m, -4, 1, true, true);
    EXPECT_EQ(state(m, false), std::tuple(-4, 1, 1)) << "the button comes with the movement";
    input::MouseRecord big;
    apply(big, 40000, -40000, true);
    EXPECT_EQ(state(big, true), std::tuple(32767, -32768, 0)) << "not wrapped to a movement the other way";
    for (int i = 0; i < 3; ++i) apply(big, 0x7FFFFFFF, 0, true);
    EXPECT_EQ(big.x, 0x7FFFFFFF) << "the position sum saturates instead of overflowing";
}

}  // namespace
}  // namespace qvt
