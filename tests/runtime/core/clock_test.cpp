#include "core/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "platform/window.h"
#include "support/files.h"
#include "support/headless.h"
#include "support/virtual_clock.h"

namespace qvt {
namespace {

using test::VirtualClock;

TEST(ClockTest, FrameTimesFollowTheSourceAndTheRateGivesTheInterval) {
    VirtualClock clock(0.0);
    EXPECT_DOUBLE_EQ(ClockMs(), 0.0) << "the first reading is the base";
    MarkStartTime();
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 1.0) << "equal frame times give 1.0";
    clock.advance(0.25);
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 0.25) << "a short frame keeps its true fraction";
    clock.advance(10000.0);
    AdvanceFrameTime();
    EXPECT_DOUBLE_EQ(FrameDelta(), 10000.0) << "a long pause is not cut short";
    EXPECT_DOUBLE_EQ(MsSinceStart(), 10000.25);

    const std::pair<double, double> rates[] = {
        {59.9, 1000.0 / 59}, {1, 1000.0}, {0.5, 2.0}, {3e9, 2.0}, {std::nan(""), 2.0}};
    for (auto [rate, interval] : rates) {
        SetFrameRate(rate);
        EXPECT_DOUBLE_EQ(FrameInterval(), interval) << "rate " << rate;
    }
}

TEST(PacingTest, CatchUpRule) {
    const double interval = 1000.0 / 60, due = 500.0;
    const std::pair<double, double> lateness[] = {  // how late, the next due time
        {interval, due + interval}, {20.0, due + 2 * interval}, {60.0, due + 60.0 + interval}};
    for (auto [late, next] : lateness) {
        EXPECT_DOUBLE_EQ(AdvanceSchedule(due, interval, due + late), next) << late;
    }
    EXPECT_DOUBLE_EQ(AdvanceSchedule(due, 0.0, due + 60.0), due) << "no interval, no schedule";
}

// Another program gets the screen, so a full-screen window leaves full screen first.
TEST(RunProgramTest, StartsWaitsAndReportsTheExitCode) {
    test::HeadlessOptions options;
    options.fullScreen = true;
    test::HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started() && platform::windowFullScreen());
    // Command, wait, started, exit code.
    const std::tuple<const char*, double, double, double> cases[] = {
        {"sh -c \"exit 3\"", 1, 1, 3}, {"sh -c \"exit 3\"", 0, 1, 0},
        {"/nonexistent/program --flag", 1, 0, 0}, {"   ", 1, 0, 0}};
    for (const auto& [command, wait, started, exitCode] : cases) {
        double code = -1;
        EXPECT_EQ(RunProgram(RuntimeString(command), wait, 1, &code), started) << command;
        EXPECT_EQ(code, exitCode) << command;
    }
    EXPECT_TRUE(platform::windowVisible() && !platform::windowFullScreen());
    // sh -c <script> "a b" c: $0 is "a b" (three bytes) only when the quotes grouped it.
    test::ScratchFolder dir;
    const std::string cmd = "sh -c \"echo ${#0} $1 > " + (dir / "out") + "\" \"a b\" c";
    ASSERT_EQ(RunProgram(RuntimeString(std::string_view(cmd)), 1, 0, nullptr), 1.0);
    EXPECT_EQ(test::readText(dir / "out"), "3 c\n");
}

}  // namespace
}  // namespace qvt
