// Injected platform events: order, timing on the time source and the queue's bound.
#include "platform/events.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "support/virtual_clock.h"

namespace qvt::platform {
namespace {

Event eventOf(EventType type, int scancode = 0) {
    Event e;
    e.type = type;
    e.scancode = scancode;
    return e;
}

TEST(InjectedEventsTest, ComeOutInOrderTimedOnesWaitingForTheClock) {
    test::VirtualClock clock(1.0);
    ASSERT_TRUE(injectEvent(eventOf(EventType::KeyDown, 41)));
    ASSERT_TRUE(injectEvent(eventOf(EventType::FocusGained), clock.now() + 10000.0));
    ASSERT_TRUE(injectEvent(eventOf(EventType::Close)));
    Event e;
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::KeyDown);
    EXPECT_EQ(e.scancode, 41);
    EXPECT_EQ(clock.clockReads(), 0) << "an untimed event does not read (and move) the clock";
    clock.advance(9990.0);
    EXPECT_FALSE(takeInjectedEvent(&e)) << "not due yet, and it holds back the later one";
    clock.advance(10.0);
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::FocusGained);
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::Close);
    EXPECT_FALSE(takeInjectedEvent(&e));
}

TEST(InjectedEventsTest, QueueIsBounded) {
    int accepted = 0;
    while (injectEvent(eventOf(EventType::Other)) && accepted < 10000) ++accepted;
    EXPECT_EQ(accepted, 256);
    clearInjectedEvents();
    Event e;
    EXPECT_FALSE(takeInjectedEvent(&e));
    EXPECT_TRUE(injectEvent(eventOf(EventType::Other))) << "room again after clearing";
    clearInjectedEvents();
}

}  // namespace
}  // namespace qvt::platform
