// Injected platform events: order, timing on the time source and the queue's bound.
#include "platform/events.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "support/virtual_clock.h"

namespace qvt::platform {
namespace {

TEST(InjectedEventsTest, ATimedEventHoldsBackTheLaterOnesAndTheQueueIsBounded) {
    test::VirtualClock clock(1.0);
    Event e;
    e.type = EventType::FocusGained;
    ASSERT_TRUE(injectEvent(e, clock.now() + 10000.0));
    e.type = EventType::Close;
    ASSERT_TRUE(injectEvent(e));
    Event out;
    clock.advance(9990.0);
    EXPECT_FALSE(takeInjectedEvent(&out)) << "not due yet, and it holds back the later one";
    clock.advance(10.0);
    ASSERT_TRUE(takeInjectedEvent(&out));
    EXPECT_EQ(out.type, EventType::FocusGained);
    ASSERT_TRUE(takeInjectedEvent(&out));
    EXPECT_EQ(out.type, EventType::Close);
    EXPECT_FALSE(takeInjectedEvent(&out));

    int accepted = 0;
    while (injectEvent(e) && accepted < 10000) ++accepted;
    EXPECT_EQ(accepted, 256);
    clearInjectedEvents();
    EXPECT_FALSE(takeInjectedEvent(&out));
}

}  // namespace
}  // namespace qvt::platform
