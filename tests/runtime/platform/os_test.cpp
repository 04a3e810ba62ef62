// The absolute sleep on the real clock, and the tracer check.
#include <gtest/gtest.h>

#include "platform/os.h"

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

}  // namespace
}  // namespace qvt::platform
