#include "core/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/config.h"
#include "support/files.h"
#include "support/virtual_clock.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt {
namespace {

using test::VirtualClock;

TEST(ClockTest, ClockAndFrameTimesFollowTheSource) {
    VirtualClock clock(0.0);
    EXPECT_DOUBLE_EQ(ClockMs(), 0.0) << "the first reading is the base";
    MarkStartTime();
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 1.0) << "equal frame times give 1.0";
    clock.advance(0.25);
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 0.25) << "a short frame keeps its true fraction";
    clock.advance(10000.0);  // a pause
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 10000.0);
    EXPECT_DOUBLE_EQ(MsSinceStart(), 10000.25);
}

TEST(ClockTest, FrameRateGivesTheInterval) {
    const std::pair<double, double> rates[] = {{30, 1000.0 / 30}, {59.9, 1000.0 / 59}, {1, 1000.0},
                                               {0, 2.0}, {-5, 2.0}, {0.5, 2.0}, {std::nan(""), 2.0}};
    for (auto [rate, interval] : rates) {
        SetFrameRate(rate);
        EXPECT_DOUBLE_EQ(FrameInterval(), interval) << "rate " << rate;
    }
}

TEST(PacingTest, CatchUpRule) {
    const double interval = 1000.0 / 60, due = 500.0;
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 0.5), due + interval) << "on time";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + interval), due + interval) << "just on time";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 20.0), due + 2 * interval) << "20 ms late";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 60.0), due + 60.0 + interval) << "restart";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, 0.0, due + 60.0), due) << "no interval, no schedule";
}

int pumps = 0;

TEST(PacingTest, WaitsOnScheduleSleepingOnlyWhenFarAway) {
    VirtualClock clock(0.05);
    SetFrameRate(60);
    ResetFrameSchedule();
    const double interval = 1000.0 / 60;
    WaitForNextFrame(nullptr);  // the schedule starts now
    const double firstDue = NextFrameDue();
    for (int frame = 0; frame < 120; ++frame) {
        clock.advance(5.0);  // the frame's own work
        WaitForNextFrame([] { ++pumps; });
        const double due = firstDue + frame * interval;
        EXPECT_NEAR(NextFrameDue(), due + interval, 1e-6) << "frame " << frame;
        EXPECT_GE(ClockMs(), due - 1.0) << "frame " << frame;
        EXPECT_LE(ClockMs(), due + 0.5) << "frame " << frame;
    }
    ASSERT_FALSE(clock.sleeps().empty());
    for (int ms : clock.sleeps()) {
        EXPECT_GT(ms, 0);
        EXPECT_LE(ms, static_cast<int>(interval - 5.0 - kPaceWakeEarlyMs)) << "wakes early enough";
    }
    EXPECT_GT(pumps, 120) << "events are pumped while waiting";

    clock.advance(200.0);
    WaitForNextFrame(nullptr);
    EXPECT_NEAR(NextFrameDue(), ClockMs() + interval, 0.2) << "a long stall restarts the schedule";

    SetFrameRate(0);
    ResetFrameSchedule();
    const std::size_t sleepsBefore = clock.sleeps().size();
    const double start = ClockMs();
    for (int i = 0; i < 50; ++i) WaitForNextFrame(nullptr);
    EXPECT_NEAR(ClockMs() - start, 49 * 2.0, 1.5) << "uncapped: 2 ms frames";
    for (std::size_t i = sleepsBefore; i < clock.sleeps().size(); ++i) EXPECT_LE(clock.sleeps()[i], 1);
}

TEST(RunProgramTest, StartsWaitsAndReportsTheExitCode) {
    double code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("sh -c \"exit 3\""), 1, 1, &code), 1.0);
    EXPECT_EQ(code, 3.0);
    code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("sh -c \"exit 3\""), 0, 0, &code), 1.0);
    EXPECT_EQ(code, 0.0) << "without waiting the exit code stays 0";
    for (const char* bad : {"/nonexistent/program --flag", "", "   "}) {
        code = -1;
        EXPECT_EQ(RunProgram(RuntimeString(bad), 1, 1, &code), 0.0) << bad;
        EXPECT_EQ(code, 0.0) << bad;
    }
    // sh -c <script> "a b" c: $0 is "a b" (three bytes) only when the quotes grouped it.
    test::ScratchFolder dir;
    const std::string cmd = "sh -c \"echo ${#0} $1 > " + (dir / "out") + "\" \"a b\" c";
    ASSERT_EQ(RunProgram(RuntimeString(std::string_view(cmd)), 1, 0, &code), 1.0);
    EXPECT_EQ(test::readText(dir / "out"), "3 c\n");
}

// ---- fidelity

// Another program gets the screen: RunProgram leaves full-screen mode before it starts.
TEST(RunProgramWindowTest, LeavesFullScreenFirst) {
    test::HeadlessOptions options;
    options.fullScreen = true;
    test::HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    ASSERT_TRUE(platform::windowFullScreen());
    double code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("true"), 1, 1, &code), 1.0);
    EXPECT_FALSE(platform::windowFullScreen());
    EXPECT_TRUE(platform::windowVisible());
}

}  // namespace
}  // namespace qvt
