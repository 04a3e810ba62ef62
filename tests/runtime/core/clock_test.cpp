#include "core/clock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/config.h"
#include "support/virtual_clock.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt {
namespace {

using test::VirtualClock;

TEST(ClockTest, StartsNearZeroAndFollowsTheSource) {
    VirtualClock clock(0.0);
    EXPECT_DOUBLE_EQ(ClockMs(), 0.0) << "the first reading is the base";
    clock.advance(12.25);
    EXPECT_DOUBLE_EQ(ClockMs(), 12.25) << "fractions of a millisecond survive";
}

TEST(ClockTest, FrameDeltaCoversPausesAndNeverDropsToZero) {
    VirtualClock clock(0.0);
    MarkStartTime();
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 1.0) << "equal frame times give 1.0";

    clock.advance(0.25);
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 0.25) << "a short frame keeps its true fraction";

    clock.advance(10000.0);  // a ten-second pause
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 10000.0);
    EXPECT_DOUBLE_EQ(MsSinceStart(), 10000.25);
}

TEST(ClockTest, FrameRateGivesTheInterval) {
    SetFrameRate(30);
    EXPECT_NEAR(FrameInterval(), 33.333, 0.001);
    SetFrameRate(59.9);
    EXPECT_DOUBLE_EQ(FrameInterval(), 1000.0 / 59) << "the rate is truncated first";
    SetFrameRate(0);
    EXPECT_DOUBLE_EQ(FrameInterval(), 2.0);
    SetFrameRate(-5);
    EXPECT_DOUBLE_EQ(FrameInterval(), 2.0);
    SetFrameRate(0.5);
    EXPECT_DOUBLE_EQ(FrameInterval(), 2.0) << "half a frame per second truncates to 0";
    SetFrameRate(std::nan(""));
    EXPECT_DOUBLE_EQ(FrameInterval(), 2.0);
}

TEST(PacingTest, CatchUpRule) {
    const double interval = 1000.0 / 60;
    const double due = 500.0;
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 0.5), due + interval)
        << "an on-time frame advances one interval";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 20.0), due + 2 * interval)
        << "a 20 ms frame advances two intervals";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + 60.0), due + 60.0 + interval)
        << "a 60 ms frame restarts the schedule from now";
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, 0.0, due + 60.0), due) << "no interval, no schedule";
}

TEST(PacingTest, WaitsOnScheduleSleepingOnlyWhenFarAway) {
    VirtualClock clock(0.05);
    SetFrameRate(60);
    ResetFrameSchedule();
    const double interval = 1000.0 / 60;
    int pumps = 0;
    static int* pumpCounter;
    pumpCounter = &pumps;

    WaitForNextFrame(nullptr);  // the schedule starts now
    double firstDue = NextFrameDue();
    for (int frame = 0; frame < 120; ++frame) {
        clock.advance(5.0);  // the frame's own work
        WaitForNextFrame([] { ++*pumpCounter; });
        double due = firstDue + frame * interval;
        EXPECT_NEAR(NextFrameDue(), due + interval, 1e-6) << "frame " << frame;
        // The frame is released no earlier than 1 ms before it is due, and not much later.
        EXPECT_GE(ClockMs(), due - 1.0) << "frame " << frame;
        EXPECT_LE(ClockMs(), due + 0.5) << "frame " << frame;
    }
    for (int ms : clock.sleeps()) {
        EXPECT_GT(ms, 0);
        EXPECT_LE(ms, static_cast<int>(interval - 5.0 - kPaceWakeEarlyMs))
            << "a sleep never reaches past the wake-early margin before the frame is due";
    }
    EXPECT_FALSE(clock.sleeps().empty());
    EXPECT_GT(pumps, 120) << "events are pumped while waiting";
}

TEST(PacingTest, SlowFramesCatchUpAtMostTwoIntervals) {
    VirtualClock clock(0.05);
    SetFrameRate(60);
    ResetFrameSchedule();
    WaitForNextFrame(nullptr);
    double due = NextFrameDue();
    const double interval = FrameInterval();

    clock.advance(interval + 20.0 - (ClockMs() - (due - interval)));
    double now = ClockMs();
    WaitForNextFrame(nullptr);
    EXPECT_NEAR(NextFrameDue(), due + 2 * interval, 1e-6) << "now=" << now;

    clock.advance(200.0);
    WaitForNextFrame(nullptr);
    EXPECT_NEAR(NextFrameDue(), ClockMs() + interval, 0.2) << "a long stall restarts the schedule";
}

TEST(PacingTest, UncappedRateRunsTwoMillisecondFrames) {
    VirtualClock clock(0.05);
    SetFrameRate(0);
    ResetFrameSchedule();
    double start = ClockMs();
    for (int i = 0; i < 50; ++i) WaitForNextFrame(nullptr);
    EXPECT_NEAR(ClockMs() - start, 49 * 2.0, 1.5);
    for (int ms : clock.sleeps()) {
        EXPECT_LE(ms, static_cast<int>(2.0 - kPaceWakeEarlyMs)) << "2 ms frames sleep at most 1 ms";
    }
}

TEST(RunProgramTest, StartsWaitsAndReportsTheExitCode) {
    double code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("sh -c \"exit 3\""), 1, 1, &code), 1.0);
    EXPECT_EQ(code, 3.0);

    code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("true"), 0, 0, &code), 1.0);
    EXPECT_EQ(code, 0.0) << "without waiting the exit code stays 0";
}

TEST(RunProgramTest, AProgramThatCannotStartReturnsZero) {
    double code = -1;
    EXPECT_EQ(RunProgram(RuntimeString("/nonexistent/program --flag"), 1, 1, &code), 0.0);
    EXPECT_EQ(code, 0.0);
    EXPECT_EQ(RunProgram(RuntimeString(""), 1, 1, &code), 0.0);
    EXPECT_EQ(RunProgram(RuntimeString("   "), 1, 1, &code), 0.0);
}

TEST(RunProgramTest, QuotedWordsReachTheProgramWhole) {
    char path[] = "/tmp/qvt-runprogram-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    // sh -c <script> "a b" c: $0 is "a b" (three bytes) only when the quotes grouped it.
    std::string cmd = std::string("sh -c \"echo ${#0} $1 > ") + path + "\" \"a b\" c";
    RuntimeString line{std::string_view(cmd)};
    double code = -1;
    ASSERT_EQ(RunProgram(line, 1, 0, &code), 1.0);
    FILE* f = fopen(path, "r");
    ASSERT_NE(f, nullptr);
    char buf[64] = {};
    fgets(buf, sizeof buf, f);
    fclose(f);
    unlink(path);
    EXPECT_STREQ(buf, "3 c\n");
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
