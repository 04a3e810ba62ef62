// Joysticks in the DirectInput layout: axis range, hat angles, buttons, absent parts at
// rest, and what wakes the idle wait.
#include <gtest/gtest.h>

#include <cstring>

#include "input/input.h"
#include "input/joystick_convert.h"

namespace qvt {
namespace {

using platform::kHatDown;
using platform::kHatLeft;
using platform::kHatRight;
using platform::kHatUp;

TEST(JoystickLayout, HatAnglesRunClockwiseFromUpInHundredthsOfADegree) {
    EXPECT_EQ(input::hatAngle(0), kHatCentred);
    EXPECT_EQ(input::hatAngle(kHatUp), 0u);
    EXPECT_EQ(input::hatAngle(kHatUp | kHatRight), 4500u);
    EXPECT_EQ(input::hatAngle(kHatRight), 9000u);
    EXPECT_EQ(input::hatAngle(kHatRight | kHatDown), 13500u);
    EXPECT_EQ(input::hatAngle(kHatDown), 18000u);
    EXPECT_EQ(input::hatAngle(kHatDown | kHatLeft), 22500u);
    EXPECT_EQ(input::hatAngle(kHatLeft), 27000u);
    EXPECT_EQ(input::hatAngle(kHatLeft | kHatUp), 31500u);
    EXPECT_EQ(input::hatAngle(kHatUp | kHatDown), kHatCentred) << "impossible: no direction";
}

TEST(JoystickLayout, AReadingFillsTheEightyBytes) {
    platform::JoystickSample s;
    s.axisCount = 8;
    const std::int16_t axes[8] = {-32768, 32767, 0, -1, 100, -100, 16384, -16384};
    std::memcpy(s.axes, axes, sizeof axes);
    s.hatCount = 2;
    s.hats[0] = kHatLeft;
    s.hats[1] = 0;
    s.buttonCount = 32;
    s.buttons[0] = true;
    s.buttons[31] = true;

    JoystickState st = input::toJoystickState(s);
    EXPECT_EQ(st.x, 0);
    EXPECT_EQ(st.y, 65535);
    EXPECT_EQ(st.z, kAxisCentre);
    EXPECT_EQ(st.rx, 32767);
    EXPECT_EQ(st.ry, 32868);
    EXPECT_EQ(st.rz, 32668);
    EXPECT_EQ(st.sliders[0], 49152);
    EXPECT_EQ(st.sliders[1], 16384);
    EXPECT_EQ(st.hats[0], 27000u);
    EXPECT_EQ(st.hats[1], kHatCentred);
    EXPECT_EQ(st.hats[2], kHatCentred) << "a hat the device lacks reads centred";
    EXPECT_EQ(st.buttons[0], 0x80);
    EXPECT_EQ(st.buttons[1], 0);
    EXPECT_EQ(st.buttons[31], 0x80);

    // The byte layout itself: hats at 32, buttons at 48.
    unsigned char raw[80];
    std::memcpy(raw, &st, sizeof raw);
    std::uint32_t hat0 = 0;
    std::memcpy(&hat0, raw + 32, 4);
    EXPECT_EQ(hat0, 27000u);
    EXPECT_EQ(raw[48], 0x80);
    EXPECT_EQ(raw[79], 0x80);
}

TEST(JoystickLayout, PartsTheDeviceLacksStayAtRest) {
    platform::JoystickSample s;
    s.axisCount = 2;
    s.axes[0] = -32768;
    s.axes[2] = -32768;  // beyond axisCount: not on the device
    s.buttonCount = 4;
    s.buttons[4] = true;  // likewise
    JoystickState st = input::toJoystickState(s);
    EXPECT_EQ(st.x, 0);
    EXPECT_EQ(st.z, kAxisCentre);
    EXPECT_EQ(st.buttons[4], 0);
}

TEST(JoystickLayout, WhatCountsAsActivity) {
    platform::JoystickSample s;
    s.axisCount = 4;
    s.hatCount = 1;
    s.buttonCount = 12;
    EXPECT_FALSE(input::sampleShowsActivity(s)) << "at rest";
    s.axes[0] = 3000;
    s.axes[1] = -3000;
    EXPECT_FALSE(input::sampleShowsActivity(s)) << "a stick resting slightly off centre";
    s.axes[2] = 32767;
    s.axes[3] = -32768;
    EXPECT_FALSE(input::sampleShowsActivity(s)) << "throttle and twist are not directions";
    s.axes[1] = -20000;
    EXPECT_TRUE(input::sampleShowsActivity(s)) << "pushed up";
    s.axes[1] = 0;
    s.hats[0] = kHatDown;
    EXPECT_TRUE(input::sampleShowsActivity(s)) << "hat pushed";
    s.hats[0] = 0;
    s.buttons[11] = true;
    EXPECT_TRUE(input::sampleShowsActivity(s)) << "button 12 down";
}

TEST(Joysticks, WithoutDevicesAReadFailsAndReportsRest) {
    // Before InitInput nothing is open; a read must neither crash nor invent a direction.
    JoystickState st;
    st.x = 1;
    st.hats[0] = 0;
    st.buttons[3] = 0x80;
    EXPECT_FALSE(PollJoystick(0, st));
    EXPECT_EQ(st.x, kAxisCentre);
    EXPECT_EQ(st.hats[0], kHatCentred) << "all zeros would read as hat pushed up";
    EXPECT_EQ(st.buttons[3], 0);
    EXPECT_FALSE(PollJoystick(2, st)) << "only two joysticks";
    EXPECT_FALSE(PollJoystick(-1, st));
    EXPECT_EQ(JoystickCount(), 0);
}

}  // namespace
}  // namespace qvt
