// Key states: sampled once per frame, again after every 129 queries, never without focus.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "input/input.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

constexpr int kZ = 44;
constexpr int kX = 45;

class KeyboardTest : public testing::Test {
protected:
    void TearDown() override { ShutdownInput(); }
    test::ScriptedInput keys;
};

TEST_F(KeyboardTest, StatesChangeOnlyWhenSampled) {
    input::PollForFrame();
    keys.press(kZ);
    EXPECT_EQ(KeyDown(kZ), 0) << "a key pressed after the frame's sample is not seen yet";
    input::PollForFrame();
    EXPECT_EQ(KeyDown(kZ), 1);
    EXPECT_EQ(KeyDown(kX), 0);
    keys.release(kZ);
    PollKeyboard();
    EXPECT_EQ(KeyDown(kZ), 0);
}

TEST_F(KeyboardTest, The129thQueryAfterAFrameSamplesAgain) {
    input::PollForFrame();
    ASSERT_EQ(keys.samples(), 1);
    keys.press(kZ);
    for (int i = 1; i <= 128; ++i) {
        ASSERT_EQ(KeyDown(kZ), 0) << "query " << i << " must use the frame's sample";
    }
    EXPECT_EQ(keys.samples(), 1);
    EXPECT_EQ(KeyDown(kZ), 1) << "query 129 samples first";
    EXPECT_EQ(keys.samples(), 2);

    keys.release(kZ);
    for (int i = 1; i <= 128; ++i) ASSERT_EQ(KeyDown(kZ), 1) << "query " << i;
    EXPECT_EQ(KeyDown(kZ), 0) << "and the next 129th again";
    EXPECT_EQ(keys.samples(), 3);
}

TEST_F(KeyboardTest, AFrameRestartsTheQueryCount) {
    input::PollForFrame();
    for (int i = 0; i < 100; ++i) KeyDown(kX);
    input::PollForFrame();
    ASSERT_EQ(keys.samples(), 2);
    for (int i = 0; i < 128; ++i) KeyDown(kX);
    EXPECT_EQ(keys.samples(), 2) << "the frame's sample reset the counter";
    KeyDown(kX);
    EXPECT_EQ(keys.samples(), 3);
}

TEST_F(KeyboardTest, WithoutFocusTheStatesFromBeforeStay) {
    keys.press(kZ);
    input::PollForFrame();
    ASSERT_EQ(KeyDown(kZ), 1);

    keys.setFocus(false);
    keys.release(kZ);
    keys.press(kX);
    input::PollForFrame();
    for (int i = 0; i < 200; ++i) KeyDown(1);  // the periodic re-poll must not sample either
    EXPECT_EQ(keys.samples(), 1);
    EXPECT_EQ(KeyDown(kZ), 1) << "released while the window was inactive: still down";
    EXPECT_EQ(KeyDown(kX), 0) << "pressed while inactive: not seen";

    keys.setFocus(true);
    input::PollForFrame();
    EXPECT_EQ(KeyDown(kZ), 0);
    EXPECT_EQ(KeyDown(kX), 1);
}

TEST_F(KeyboardTest, CodesAreTruncatedAndOutOfRangeCodesAreNeverDown) {
    for (int c = 0; c < 256; ++c) keys.press(c);
    input::PollForFrame();
    EXPECT_EQ(KeyDown(44.9), 1);
    EXPECT_EQ(KeyDown(-0.5), 1) << "-0.5 truncates to key 0";
    EXPECT_EQ(KeyDown(255.99), 1);
    EXPECT_EQ(KeyDown(256), 0) << "no wrap-around to key 0";
    EXPECT_EQ(KeyDown(300), 0) << "no wrap-around to key 44";
    EXPECT_EQ(KeyDown(-1), 0) << "no wrap-around to key 255";
    EXPECT_EQ(KeyDown(std::nan("")), 0);
    EXPECT_EQ(KeyDown(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(KeyDown(-1e300), 0);
}

TEST_F(KeyboardTest, TapHoldsAKeyForWholeFrames) {
    keys.tap(2);
    PollKeyboard();
    EXPECT_EQ(KeyDown(2), 0) << "a tap starts with the next frame";
    input::PollForFrame();
    EXPECT_EQ(KeyDown(2), 1);
    for (int i = 0; i < 200; ++i) KeyDown(3);  // re-polls inside the frame keep it down
    EXPECT_EQ(KeyDown(2), 1);
    input::PollForFrame();
    EXPECT_EQ(KeyDown(2), 0);

    keys.tap(kX, 3);
    int framesDown = 0;
    for (int f = 0; f < 6; ++f) {
        input::PollForFrame();
        framesDown += KeyDown(kX);
    }
    EXPECT_EQ(framesDown, 3);
}

TEST_F(KeyboardTest, ShutdownForgetsTheKeys) {
    keys.press(kZ);
    input::PollForFrame();
    ASSERT_EQ(KeyDown(kZ), 1);
    ShutdownInput();
    EXPECT_EQ(KeyDown(kZ), 0);
}

}  // namespace
}  // namespace qvt
