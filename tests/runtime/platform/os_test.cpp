// The absolute sleep: on the real clock and through a time source without one.
#include <gtest/gtest.h>

#include <vector>

#include "platform/os.h"
#include "platform/testing.h"

namespace qvt::platform {
namespace {

TEST(SleepUntilTest, RealClockWakesNoEarlierThanTheTargetAndNotForPastTimes) {
    for (double ahead : {0.4, 3.0, 12.5}) {
        const double target = nowMs() + ahead;
        sleepUntilMs(target);
        EXPECT_GE(nowMs(), target) << ahead << " ms ahead";
    }
    const double start = nowMs();
    sleepUntilMs(start - 500.0);
    sleepUntilMs(-1.0);
    EXPECT_LT(nowMs() - start, 100.0) << "a time already passed returns at once";
    EXPECT_FALSE(debuggerAttached()) << "the tests never run under a tracer";
}

// A source like the tests' virtual clock: no absolute sleep of its own.
TEST(SleepUntilTest, SourceWithoutAbsoluteSleepGetsTheWholeMillisecondsLeft) {
    static double now = 100.0;
    static std::vector<int> sleeps;
    TimeSource src{[](void*) { return now; },
                   [](void*, int ms) {
                       sleeps.push_back(ms);
                       now += ms;
                   },
                   nullptr};
    setTimeSource(&src);
    sleepUntilMs(105.7);  // 5.7 ms left
    sleepUntilMs(105.8);  // 0.8 ms left: no sleep
    sleepUntilMs(50.0);   // passed
    setTimeSource(nullptr);
    EXPECT_EQ(sleeps, std::vector<int>{5});
}

}  // namespace
}  // namespace qvt::platform
