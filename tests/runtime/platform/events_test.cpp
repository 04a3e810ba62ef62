// Injected platform events: order, timing on the time source and the queue's bound.
#include "platform/events.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "support/virtual_clock.h"

namespace qvt::platform {
namespace {

TEST(InjectedEventsTest, ComeOutInOrderTimedOnesWaitingForTheClockAndTheQueueIsBounded) {
    test::VirtualClock clock(1.0);
    Event e;
    e.type = EventType::KeyDown;
    e.scancode = 41;
    ASSERT_TRUE(injectEvent(e));
    e.type = EventType::FocusGained;
    ASSERT_TRUE(injectEvent(e, clock.now() + 10000.0));
    e.type = EventType::Close;
    ASSERT_TRUE(injectEvent(e));
    Event out;
    ASSERT_TRUE(takeInjectedEvent(&out));
    EXPECT_TRUE(out.type == EventType::KeyDown && out.scancode == 41);
    EXPECT_EQ(clock.clockReads(), 0) << "an untimed event does not read (and move) the clock";
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
