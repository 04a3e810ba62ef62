// ShowScreen on the virtual clock: the frame schedule, the focus-loss pause, the event pump
// with its QVT_WIN32_MSG listener, keys, the idle wait, what the frame presents, and the
// ways a running program ends from inside it (death tests: each end really exits).
#include "app/frame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/config.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "gfx/polygon.h"
#include "input/input.h"
#include "platform/events.h"
#include "platform/window.h"
#include "support/files.h"
#include "support/headless.h"
#include "support/pixels.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

using platform::EventType;
using test::makeEvent;

struct Calls {
    int pause = 0, resume = 0;
    std::vector<EventType> messages;
    bool eventSetDuringCallback = true;
    bool activateOnOther = false;
};
Calls calls;

void say(const char* s) {
    std::fputs(s, stderr);
    std::fflush(stderr);
}
void onMessage() {
    const platform::Event* e = platform::currentEvent();
    if (e == nullptr) {
        calls.eventSetDuringCallback = false;
        return;
    }
    calls.messages.push_back(e->type);
    if (calls.activateOnOther && e->type == EventType::Other) RequestActivate();
}
const NamedRoutine kTable[] = {{[] { ++calls.pause; }, "QVT_ON_PAUSE"},
                               {[] { ++calls.resume; }, "QVT_ON_RESUME"},
                               {onMessage, "QVT_WIN32_MSG"},
                               {[] { say("[quit]"); }, "QVT_ON_QUIT"},
                               {nullptr, nullptr}};

std::string windowTitle() { return SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()); }

// At exit, the log lines written after start-up go to stderr for the death test to match.
void dumpLogTail() {
    const std::string log = test::readText(LogPath());
    const std::size_t end = log.find("Init Finalized\n");
    say(end == std::string::npos ? "<no start-up>" : log.substr(end + 15).c_str());
}
// The end of the log after an orderly end, with whatever the other shutdown steps write.
const std::string kShutdownTail = "Shutdown QVT\n(.*)qvt is shutdown\n$";

class FrameTest : public test::HeadlessTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o;
        o.callTable = kTable;
        o.debugMode = debugMode;
        return o;
    }
    void SetUp() override {
        calls = Calls{};
        // A fresh process per death test: the parent's GL worker threads do not survive a fork.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        test::HeadlessTest::SetUp();
    }
    test::VirtualClock& clock() { return *runtime->clock(); }
    // The caption, paused flag and routine calls after a frame.
    void expectState(bool paused, int pauses, int resumes, const char* where) {
        EXPECT_EQ(PauseFlag(), paused) << where;
        EXPECT_EQ(windowTitle(), paused ? "AKQZ08_Rayvaulter <pause>" : "AKQZ08_Rayvaulter") << where;
        EXPECT_EQ(calls.pause * 10 + calls.resume, pauses * 10 + resumes) << where;
    }
    bool debugMode = false;
};

TEST_F(FrameTest, FramesAreReleasedOnSchedule) {
    for (int rate : {60, 30}) {
        SetFrameRate(rate);
        runtime->frames(2);  // the schedule restarts from the rate change
        const double interval = FrameInterval();
        for (int i = 0; i < 100; ++i) {
            const double due = NextFrameDue();
            runtime->frame(5.0);
            EXPECT_GE(ClockMs(), due - 1.0) << rate << " fps, frame " << i << ": not more than 1 ms early";
            EXPECT_LE(ClockMs(), due + 0.5) << rate << " fps, frame " << i;
            EXPECT_NEAR(NextFrameDue(), due + interval, 1e-6) << rate << " fps, frame " << i;
            if (i > 0) {
                EXPECT_NEAR(FrameDelta(), interval, 1.1) << rate << " fps, frame " << i;
            }
        }
    }
    SetFrameRate(60);
    runtime->frame();
    const double interval = FrameInterval(), due = NextFrameDue();
    runtime->frame(interval + 20.0);  // finishes past the frame after this one
    EXPECT_NEAR(NextFrameDue(), due + 2 * interval, 1e-6) << "a slow frame catches up";
    runtime->frame(60.0 + 2 * interval);
    EXPECT_NEAR(NextFrameDue(), ClockMs() + interval, 0.5) << "a long stall restarts the schedule";

    SetFrameRate(0);
    runtime->frame();
    const std::size_t sleepsBefore = clock().sleeps().size();
    const double start = ClockMs();
    runtime->frames(50);
    EXPECT_NEAR(ClockMs() - start, 50 * 2.0, 2.0) << "without a rate frames are 2 ms";
    for (std::size_t i = sleepsBefore; i < clock().sleeps().size(); ++i) {
        EXPECT_LE(clock().sleeps()[i], static_cast<int>(2.0 - kPaceWakeEarlyMs)) << "no sleep past the wake-early margin";
    }
}

TEST_F(FrameTest, FocusLossPausesUntilTheWindowIsActiveAgain) {
    runtime->frame();
    runtime->injectAfter(makeEvent(EventType::FocusGained));
    runtime->frame();
    expectState(false, 0, 0, "gaining the focus unpaused resumes nothing");
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusGained), 10000.0);
    runtime->frame(5.0);
    expectState(true, 1, 0, "paused once");
    EXPECT_FALSE(platform::windowHasFocus());

    testing::internal::CaptureStdout();
    const double pausedAt = ClockMs();
    runtime->frame(5.0);  // stays inside until the focus comes back
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "pause loop in showscreen/hibernate\npause loop ended\n");
    EXPECT_GE(ClockMs() - pausedAt, 10000.0 - 5.0 - FrameInterval());
    expectState(false, 1, 1, "resumed");
    EXPECT_TRUE(platform::windowHasFocus());
    int pauseSleeps = 0;
    for (int ms : clock().sleeps()) pauseSleeps += ms == 200 ? 1 : 0;
    EXPECT_GE(pauseSleeps, 45) << "the pause loop wakes every 200 ms";
    runtime->frame(5.0);
    EXPECT_NEAR(FrameDelta(), 10000.0, 250.0) << "the frame after the pause includes it";
    runtime->frame(5.0);
    EXPECT_NEAR(FrameDelta(), FrameInterval(), 1.1) << "and the next one is ordinary again";

    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame();
    calls.activateOnOther = true;  // the listener asks for the window while paused
    runtime->injectAfter(makeEvent(EventType::Other), 1000.0);
    testing::internal::CaptureStdout();
    const double activatedAt = ClockMs();
    runtime->frame();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "pause loop in showscreen/hibernate\npause loop ended\nactivate\nok\n");
    EXPECT_NEAR(ClockMs() - activatedAt, 1000.0, 250.0) << "an activation request ends the pause";
    expectState(false, 2, 2, "activated");

    SetAutoPause(0);
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame(5.0);
    expectState(false, 2, 2, "without auto-pause");
    EXPECT_FALSE(platform::windowHasFocus()) << "the focus itself is still tracked";
}

class DebugFrameTest : public FrameTest {
protected:
    DebugFrameTest() { debugMode = true; }
};

TEST_F(FrameTest, PumpFeedsTheListenerFirstThenWindowAndInput) {
    test::ScriptedInput keys;
    runtime->frame();
    calls.messages.clear();
    const std::vector<EventType> sent = {EventType::Other, EventType::MouseMotion, EventType::FocusLost,
                                         EventType::FocusGained, EventType::Text};
    for (EventType t : sent) {
        platform::Event e = makeEvent(t);
        e.text[0] = 'Q';
        runtime->injectAfter(e);
    }
    runtime->frame();
    EXPECT_EQ(calls.messages, sent);
    EXPECT_TRUE(calls.eventSetDuringCallback);
    EXPECT_EQ(platform::currentEvent(), nullptr) << "only valid while the listener runs";
    EXPECT_EQ(calls.pause, 1) << "the window's own handling still ran";
    EXPECT_STREQ(InKey().c_str(), "Q") << "typed text reaches input";
}

TEST_F(FrameTest, EscapeIsAnOrdinaryKeyWhenItDoesNotQuitAndKeysEndTheIdleWait) {
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    keys.press(1);
    keys.press(129);
    runtime->frame();
    EXPECT_EQ(KeyDown(1) + KeyDown(129), 2);
    keys.releaseAll();
    runtime->frame();
    std::size_t before = clock().sleeps().size();
    Hibernate();
    const std::vector<int> slept(clock().sleeps().begin() + static_cast<long>(before), clock().sleeps().end());
    EXPECT_EQ(slept, std::vector<int>(15, 5)) << "nothing happened: 15 rounds of 5 ms";
    keys.press(44);
    before = clock().sleeps().size();
    Hibernate();
    EXPECT_EQ(clock().sleeps().size(), before) << "a key held down ends it at once";
}

TEST_F(FrameTest, ShownFrameIsPresentedAndTheNextOneStartsCleared) {
    runtime->frame();
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{100, 50}, {140, 50}, {140, 90}, {100, 90}}) AddPolygonVertex(x, y, 0, 0, 0x0000FF);
    EndPolygon();
    const test::FramePixel red{255, 0, 0}, black{0, 0, 0};
    EXPECT_EQ(test::readFrameRect(99, 49, 2, 2), (std::vector{black, black, black, red})) << "y runs down";
    EXPECT_EQ(test::readFrameRect(139, 48, 2, 4), (std::vector{black, black, black, black, red, black, red, black}))
        << "rows from the top: (139, 50) is the square's top-right pixel";
    runtime->frame();
    EXPECT_EQ(test::readFramePixel(110, 60), black) << "the next frame starts cleared";
}

// ---- Ends ----------------------------------------------------------------------------------

TEST_F(FrameTest, EveryWayOutEndsWithCodeZeroAndTheQuitRoutineOnce) {
    static const NamedRoutine endsAgain[] = {{[] { say("[quit]"), EndProgram(); }, "QVT_ON_QUIT"}, {nullptr, nullptr}};
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    for (int key : {56, 62}) {  // Alt or F4 alone
        keys.releaseAll();
        keys.press(key);
        runtime->frame();
        ASSERT_EQ(KeyDown(key), 1) << key << " alone did not end it";
    }
    keys.releaseAll();
    SetEscapeQuits(1);
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"Escape", [&] { keys.press(1); }},
        {"the other Escape key, with NaN as on", [&] { SetEscapeQuits(0), SetEscapeQuits(std::nan("")), keys.press(129); }},
        {"Alt+F4 while Escape does not quit", [&] { SetEscapeQuits(0), keys.press(56), keys.press(62), keys.press(1); }},
        {"closing the window while paused", [&] {
             runtime->injectAfter(makeEvent(EventType::FocusLost));
             runtime->injectAfter(makeEvent(EventType::Close), 5000.0);
         }},
        {"the session's quit, a quit routine that ends again", [&] {
             SetCallByNameTable(endsAgain);
             runtime->injectAfter(makeEvent(EventType::Quit));
             runtime->injectAfter(makeEvent(EventType::Close));
         }},
    };
    for (const auto& [what, cause] : ends) {
        EXPECT_EXIT(
            {
                std::atexit(dumpLogTail);
                SetLastError(kErrNoSuchFile);
                cause();
                runtime->frames(3);
                say("[still running]");
            },
            testing::ExitedWithCode(0), "^\\[quit\\]" + kShutdownTail)
            << what;
    }
}

TEST_F(DebugFrameTest, NoPauseAndTheLogSaysWhereTheProgramEnded) {
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame(5.0);
    expectState(false, 0, 0, "debug mode does not pause");
    runtime->injectAfter(makeEvent(EventType::Close));
    EXPECT_EXIT(
        {
            std::atexit(dumpLogTail);
            SetLastError(kErrOutOfBounds);
            runtime->frame();
        },
        testing::ExitedWithCode(0), "^\\[quit\\]-End On Line\n9\n-1\n" + kShutdownTail);
}

}  // namespace
}  // namespace qvt
