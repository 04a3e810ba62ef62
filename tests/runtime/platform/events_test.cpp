// Injected platform events: order, timing on the time source and the queue's bound.
#include "app/testing.h"
#include "platform/events.h"

#include <gtest/gtest.h>

#include "support/virtual_clock.h"

namespace qvt::platform {
namespace {

Event eventOf(EventType type, int scancode = 0) {
    Event e;
    e.type = type;
    e.scancode = scancode;
    return e;
}

class InjectedEventsTest : public ::testing::Test {
protected:
    void TearDown() override { clearInjectedEvents(); }
};

TEST_F(InjectedEventsTest, ComeOutInTheOrderQueued) {
    ASSERT_TRUE(injectEvent(eventOf(EventType::KeyDown, 41)));
    ASSERT_TRUE(injectEvent(eventOf(EventType::FocusLost)));
    ASSERT_TRUE(injectEvent(eventOf(EventType::KeyUp, 41)));
    Event e;
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::KeyDown);
    EXPECT_EQ(e.scancode, 41);
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::FocusLost);
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::KeyUp);
    EXPECT_FALSE(takeInjectedEvent(&e));
}

TEST_F(InjectedEventsTest, TimedEventsWaitForTheClockAndHoldBackLaterOnes) {
    test::VirtualClock clock(0.0);
    ASSERT_TRUE(injectEvent(eventOf(EventType::FocusGained), clock.now() + 10000.0));
    ASSERT_TRUE(injectEvent(eventOf(EventType::Close)));
    Event e;
    EXPECT_FALSE(takeInjectedEvent(&e)) << "not due yet";
    clock.advance(9999.0);
    EXPECT_FALSE(takeInjectedEvent(&e)) << "still 1 ms early";
    clock.advance(1.0);
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(e.type, EventType::FocusGained);
    ASSERT_TRUE(takeInjectedEvent(&e)) << "the untimed event behind it follows";
    EXPECT_EQ(e.type, EventType::Close);
}

TEST_F(InjectedEventsTest, UntimedEventsDoNotReadTheClock) {
    test::VirtualClock clock(1.0);
    injectEvent(eventOf(EventType::Quit));
    Event e;
    ASSERT_TRUE(takeInjectedEvent(&e));
    EXPECT_EQ(clock.clockReads(), 0) << "a read would move virtual time under the test";
}

TEST_F(InjectedEventsTest, QueueIsBounded) {
    int accepted = 0;
    while (injectEvent(eventOf(EventType::Other)) && accepted < 10000) ++accepted;
    EXPECT_EQ(accepted, 256);
    clearInjectedEvents();
    Event e;
    EXPECT_FALSE(takeInjectedEvent(&e));
    EXPECT_TRUE(injectEvent(eventOf(EventType::Other))) << "room again after clearing";
}

}  // namespace
}  // namespace qvt::platform
