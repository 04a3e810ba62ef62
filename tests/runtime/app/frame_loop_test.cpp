// ShowScreen on the virtual clock: the frame schedule, the focus-loss pause, the event pump
// with its QVT_WIN32_MSG listener, Escape as an ordinary key, the idle wait, and what the
// frame presents.
#include "app/frame.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/config.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "input/input.h"
#include "platform/events.h"
#include "platform/window.h"
#include "support/headless.h"
#include "support/pixels.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

using platform::EventType;
using test::makeEvent;

struct Calls {
    int pause = 0;
    int resume = 0;
    std::vector<EventType> messages;
    bool eventSetDuringCallback = true;
    bool activateOnOther = false;
};
Calls calls;

void onPause() { ++calls.pause; }
void onResume() { ++calls.resume; }
void onMessage() {
    const platform::Event* e = platform::currentEvent();
    if (e == nullptr) {
        calls.eventSetDuringCallback = false;
        return;
    }
    calls.messages.push_back(e->type);
    if (calls.activateOnOther && e->type == EventType::Other) RequestActivate();
}

const NamedRoutine kTable[] = {{onPause, "QVT_ON_PAUSE"},
                               {onResume, "QVT_ON_RESUME"},
                               {onMessage, "QVT_WIN32_MSG"},
                               {nullptr, nullptr}};

std::string windowTitle() { return SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()); }

class FrameLoopTest : public test::HeadlessTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o;
        o.callTable = kTable;
        return o;
    }
    void SetUp() override {
        calls = Calls{};
        test::HeadlessTest::SetUp();
    }
    test::VirtualClock& clock() { return *runtime->clock(); }
};

// ---- The schedule -------------------------------------------------------------------------

TEST_F(FrameLoopTest, FramesAreReleasedOnSchedule) {
    for (int rate : {60, 30}) {
        SetFrameRate(rate);
        runtime->frame();  // the schedule restarts from the rate change
        runtime->frame();
        const double interval = FrameInterval();
        for (int i = 0; i < 100; ++i) {
            double due = NextFrameDue();
            runtime->frame(5.0);
            double now = ClockMs();
            EXPECT_GE(now, due - 1.0) << rate << " fps, frame " << i << ": not more than 1 ms early";
            EXPECT_LE(now, due + 0.5) << rate << " fps, frame " << i;
            EXPECT_NEAR(NextFrameDue(), due + interval, 1e-6) << rate << " fps, frame " << i;
            // Frame starts are one interval apart once the work per frame is steady.
            if (i > 0) {
                EXPECT_NEAR(FrameDelta(), interval, 1.1) << rate << " fps, frame " << i;
            }
        }
    }
}

TEST_F(FrameLoopTest, SlowFramesCatchUpAtMostTwoIntervals) {
    runtime->frame();
    const double interval = FrameInterval();
    double due = NextFrameDue();
    runtime->frame(interval + 20.0);  // finishes past the frame after this one
    EXPECT_NEAR(NextFrameDue(), due + 2 * interval, 1e-6);

    runtime->frame(60.0 + 2 * interval);
    EXPECT_NEAR(NextFrameDue(), ClockMs() + interval, 0.5) << "a long stall restarts the schedule";
}

TEST_F(FrameLoopTest, WithoutARateFramesAreTwoMilliseconds) {
    SetFrameRate(0);
    runtime->frame();
    std::size_t sleepsBefore = clock().sleeps().size();
    double start = ClockMs();
    runtime->frames(50);
    EXPECT_NEAR(ClockMs() - start, 50 * 2.0, 2.0);
    for (std::size_t i = sleepsBefore; i < clock().sleeps().size(); ++i) {
        EXPECT_LE(clock().sleeps()[i], static_cast<int>(2.0 - kPaceWakeEarlyMs))
            << "no sleep runs past the wake-early margin";
    }
}

// ---- Focus and the pause --------------------------------------------------------------------

TEST_F(FrameLoopTest, FocusLossPausesUntilTheWindowIsActiveAgain) {
    runtime->frame();
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusGained), 10000.0);
    runtime->frame(5.0);
    EXPECT_TRUE(PauseFlag());
    EXPECT_FALSE(platform::windowHasFocus());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter <pause>");
    EXPECT_EQ(calls.pause, 1);
    EXPECT_EQ(calls.resume, 0);

    testing::internal::CaptureStdout();
    double pausedAt = ClockMs();
    runtime->frame(5.0);  // stays inside until the focus comes back
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GE(ClockMs() - pausedAt, 10000.0 - 5.0 - FrameInterval());
    EXPECT_EQ(out, "pause loop in showscreen/hibernate\npause loop ended\n");
    EXPECT_FALSE(PauseFlag());
    EXPECT_TRUE(platform::windowHasFocus());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter") << "the caption is restored";
    EXPECT_EQ(calls.pause, 1);
    EXPECT_EQ(calls.resume, 1);
    int pauseSleeps = 0;
    for (int ms : clock().sleeps()) pauseSleeps += ms == 200 ? 1 : 0;
    EXPECT_GE(pauseSleeps, 45) << "the pause loop wakes every 200 ms";

    runtime->frame(5.0);
    EXPECT_NEAR(FrameDelta(), 10000.0, 250.0) << "the frame after the pause includes it";
    runtime->frame(5.0);
    EXPECT_NEAR(FrameDelta(), FrameInterval(), 1.1) << "and the next one is ordinary again";
}

TEST_F(FrameLoopTest, RepeatedFocusEventsCallTheRoutinesOnlyOnChange) {
    runtime->injectAfter(makeEvent(EventType::FocusGained));
    runtime->frame();
    EXPECT_EQ(calls.resume, 0) << "not paused, so nothing resumes";
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusGained));
    runtime->frame();
    EXPECT_EQ(calls.pause, 1);
    EXPECT_EQ(calls.resume, 1);
    EXPECT_FALSE(PauseFlag());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
}

TEST_F(FrameLoopTest, WithoutAutoPauseFocusChangesNothing) {
    SetAutoPause(0);
    runtime->frame();
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame(5.0);
    EXPECT_FALSE(PauseFlag());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
    EXPECT_EQ(calls.pause, 0);
    EXPECT_FALSE(platform::windowHasFocus()) << "the focus itself is still tracked";
    runtime->frame(5.0);
    EXPECT_NEAR(FrameDelta(), FrameInterval(), 1.1) << "frames go on";
}

class DebugModeFrameLoopTest : public FrameLoopTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o = FrameLoopTest::options();
        o.debugMode = true;
        return o;
    }
};

TEST_F(DebugModeFrameLoopTest, FocusChangesNeitherPauseNorCaption) {
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame(5.0);
    EXPECT_FALSE(PauseFlag());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
    runtime->injectAfter(makeEvent(EventType::FocusGained));
    runtime->frame(5.0);
    EXPECT_EQ(calls.pause, 0);
    EXPECT_EQ(calls.resume, 0);
}

TEST_F(FrameLoopTest, ActivationRequestEndsThePause) {
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame();
    ASSERT_TRUE(PauseFlag());
    calls.activateOnOther = true;  // the listener asks for the window while paused
    runtime->injectAfter(makeEvent(EventType::Other), 1000.0);
    testing::internal::CaptureStdout();
    double pausedAt = ClockMs();
    runtime->frame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GE(ClockMs() - pausedAt, 1000.0 - FrameInterval());
    EXPECT_LT(ClockMs() - pausedAt, 1500.0);
    EXPECT_FALSE(PauseFlag());
    EXPECT_EQ(calls.resume, 1);
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
    EXPECT_EQ(out, "pause loop in showscreen/hibernate\npause loop ended\nactivate\nok\n");
}

// ---- The pump -------------------------------------------------------------------------------

TEST_F(FrameLoopTest, MessageListenerSeesEveryEventFirst) {
    runtime->frame();
    calls.messages.clear();
    for (EventType t : {EventType::Other, EventType::MouseMotion, EventType::FocusLost,
                        EventType::FocusGained, EventType::KeyUp}) {
        runtime->injectAfter(makeEvent(t));
    }
    runtime->frame();
    EXPECT_EQ(calls.messages,
              (std::vector<EventType>{EventType::Other, EventType::MouseMotion, EventType::FocusLost,
                                      EventType::FocusGained, EventType::KeyUp}));
    EXPECT_TRUE(calls.eventSetDuringCallback);
    EXPECT_EQ(platform::currentEvent(), nullptr) << "only valid while the listener runs";
    EXPECT_EQ(calls.pause, 1) << "the window's own handling still ran";
}

TEST_F(FrameLoopTest, TypedTextReachesInput) {
    test::ScriptedInput keys;
    platform::Event text = makeEvent(EventType::Text);
    text.text[0] = 'Q';
    runtime->injectAfter(text);
    runtime->frame();
    EXPECT_STREQ(InKey().c_str(), "Q");
}

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(FrameLoopTest, EscapeReachesTheGameWhenItDoesNotQuit) {
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    keys.press(1);
    runtime->frame();
    EXPECT_EQ(KeyDown(1), 1) << "Escape is an ordinary key now";
    keys.release(1);
    keys.press(129);
    runtime->frame();
    EXPECT_EQ(KeyDown(129), 1);
}

TEST_F(FrameLoopTest, IdleWaitEndsOnActivityOrAfterFifteenRounds) {
    test::ScriptedInput keys;
    runtime->frame();
    std::size_t before = clock().sleeps().size();
    Hibernate();
    std::vector<int> slept(clock().sleeps().begin() + static_cast<long>(before), clock().sleeps().end());
    EXPECT_EQ(slept, std::vector<int>(15, 5)) << "nothing happened: 15 rounds of 5 ms";

    keys.press(44);
    before = clock().sleeps().size();
    Hibernate();
    EXPECT_EQ(clock().sleeps().size(), before) << "a key held down ends it at once";
}

// ---- What a frame shows ---------------------------------------------------------------------

void drawSquare(double x, double y, double size, double colour) {
    BeginPolygon(-1, kPolygonFan);
    AddPolygonVertex(x, y, 0, 0, colour);
    AddPolygonVertex(x + size, y, 0, 0, colour);
    AddPolygonVertex(x + size, y + size, 0, 0, colour);
    AddPolygonVertex(x, y + size, 0, 0, colour);
    EndPolygon();
}

TEST_F(FrameLoopTest, ShownFrameIsPresentedAndTheNextOneStartsCleared) {
    runtime->frame();
    drawSquare(100, 50, 40, 0x0000FF);  // red, packed as red + 256 green + 65536 blue
    EXPECT_EQ(test::readFramePixel(110, 60), test::fromPacked(0x0000FF)) << "drawn into the back buffer";
    EXPECT_EQ(test::readFramePixel(99, 60), test::fromPacked(0)) << "left of the square";
    EXPECT_EQ(test::readFramePixel(110, 49), test::fromPacked(0)) << "above it: y runs down";
    std::vector<test::FramePixel> column = test::readFrameRect(139, 48, 2, 4);
    ASSERT_EQ(column.size(), 8u);
    EXPECT_EQ(column[0], test::fromPacked(0)) << "rows come from the top";
    EXPECT_EQ(column[3], test::fromPacked(0));
    EXPECT_EQ(column[4], test::fromPacked(0x0000FF)) << "(139, 50) is the square's top-right pixel";
    EXPECT_EQ(column[5], test::fromPacked(0)) << "(140, 50) is right of it";
    runtime->frame();
    EXPECT_EQ(test::readFramePixel(110, 60), test::fromPacked(0)) << "the next frame starts cleared";
}

}  // namespace
}  // namespace qvt
