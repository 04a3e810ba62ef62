// ShowScreen on the virtual clock: the frame schedule, the focus-loss pause, the event pump
// with its QVT_WIN32_MSG listener, and the ways a running program ends from
// inside it (death tests: each end really exits).
#include "app/frame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/clock.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "input/input.h"
#include "platform/window.h"
#include "support/files.h"
#include "support/headless.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

using platform::EventType;
using test::makeEvent;

struct Calls {
    int pause = 0, resume = 0;
    bool activateOnOther = false;
};
Calls calls;

void say(const char* s) {
    std::fputs(s, stderr);
    std::fflush(stderr);
}
void onMessage() {
    const platform::Event* e = platform::currentEvent();
    ASSERT_NE(e, nullptr) << "the listener always has its event";
    if (calls.activateOnOther && e->type == EventType::Other) RequestActivate();
}
const NamedRoutine kTable[] = {{[] { ++calls.pause; }, "QVT_ON_PAUSE"},
                               {[] { ++calls.resume; }, "QVT_ON_RESUME"},
                               {onMessage, "QVT_WIN32_MSG"},
                               {[] { say("[quit]"); }, "QVT_ON_QUIT"},
                               {nullptr, nullptr}};

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
        const std::string title = SDL_GetWindowTitle(SDL_GL_GetCurrentWindow());
        EXPECT_EQ(title, paused ? "AKQZ08_Rayvaulter <pause>" : "AKQZ08_Rayvaulter") << where;
        EXPECT_EQ(calls.pause * 10 + calls.resume, pauses * 10 + resumes) << where;
    }
};

// The schedule itself is the clock's; each ShowScreen takes one step of it.
TEST_F(FrameTest, EachFrameWaitsForItsTurnAndCountsItsTime) {
    runtime->frames(2, 5.0);
    const double interval = FrameInterval();
    for (int i = 0; i < 20; ++i) {
        const double due = NextFrameDue();
        runtime->frame(5.0);
        EXPECT_NEAR(ClockMs(), due, 1.0) << "frame " << i;
        EXPECT_NEAR(FrameDelta(), interval, 1.1) << "frame " << i;
    }
}

TEST_F(FrameTest, FocusLossPausesUntilTheWindowIsActiveAgainUnlessOff) {
    runtime->frame();
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->injectAfter(makeEvent(EventType::FocusGained), 10000.0);
    runtime->frame(5.0);
    expectState(true, 1, 0, "paused once");

    const double pausedAt = ClockMs();
    runtime->frame(5.0);  // stays inside until the focus comes back
    EXPECT_GE(ClockMs() - pausedAt, 10000.0 - 5.0 - FrameInterval());
    expectState(false, 1, 1, "resumed");

    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame();
    calls.activateOnOther = true;  // the listener asks for the window while paused
    runtime->injectAfter(makeEvent(EventType::Other), 1000.0);
    const double activatedAt = ClockMs();
    runtime->frame();
    EXPECT_NEAR(ClockMs() - activatedAt, 1000.0, 250.0) << "an activation request ends the pause";
    EXPECT_EQ(platform::currentEvent(), nullptr) << "only valid while the listener runs";
    expectState(false, 2, 2, "activated");

    SetAutoPause(0);
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame(5.0);
    expectState(false, 2, 2, "without auto-pause");
}

TEST_F(FrameTest, EveryWayOutEndsWithCodeZeroAndTheQuitRoutineOnce) {
    static const NamedRoutine endsAgain[] = {{[] { say("[quit]"), EndProgram(); }, "QVT_ON_QUIT"}, {nullptr, nullptr}};
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    for (int key : {56, 62, 1, 129}) {  // Alt or F4 alone, either Escape key while it does not quit
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

}  // namespace
}  // namespace qvt
