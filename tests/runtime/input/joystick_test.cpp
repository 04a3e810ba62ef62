// Joysticks in the DirectInput layout: axis range, hat angles, buttons, absent parts at
// rest, and what wakes the idle wait.
#include "input/joystick_convert.h"

#include <gtest/gtest.h>

#include <cstring>

#include "input/input.h"

namespace qvt {
namespace {

using namespace platform;  // the hat bits

TEST(JoystickLayout, HatAnglesRunClockwiseFromUpInHundredthsOfADegree) {
    const std::pair<int, std::uint32_t> hats[] = {
        {0, kHatCentred}, {kHatUp, 0}, {kHatUp | kHatRight, 4500}, {kHatRight, 9000}, {kHatRight | kHatDown, 13500},
        {kHatDown, 18000}, {kHatDown | kHatLeft, 22500}, {kHatLeft, 27000}, {kHatLeft | kHatUp, 31500},
        {kHatUp | kHatDown, kHatCentred}};
    for (auto [bits, angle] : hats) EXPECT_EQ(input::hatAngle(static_cast<std::uint8_t>(bits)), angle) << bits;
}

TEST(JoystickLayout, AReadingFillsTheEightyBytesAndLackingPartsStayAtRest) {
    JoystickSample s;
    s.axisCount = 7;
    const std::int16_t axes[8] = {-32768, 32767, 0, -1, 100, -100, 16384, -16384};  // the last beyond the count
    std::memcpy(s.axes, axes, sizeof axes);
    s.hatCount = 2;
    s.hats[0] = kHatLeft;
    s.hats[2] = kHatUp;  // beyond the count
    s.buttonCount = 31;
    s.buttons[0] = s.buttons[30] = s.buttons[31] = true;
    const JoystickState st = input::toJoystickState(s);
    const std::int32_t wantAxes[8] = {0, 65535, kAxisCentre, 32767, 32868, 32668, 49152, kAxisCentre};
    const std::int32_t gotAxes[8] = {st.x, st.y, st.z, st.rx, st.ry, st.rz, st.sliders[0], st.sliders[1]};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(gotAxes[i], wantAxes[i]) << "axis " << i;
    unsigned char raw[80];
    std::memcpy(raw, &st, sizeof raw);
    std::uint32_t hats[4];
    std::memcpy(hats, raw + 32, sizeof hats);
    EXPECT_EQ(hats[0], 27000u) << "hats at byte 32";
    EXPECT_EQ(hats[1] & hats[2] & hats[3], kHatCentred);
    EXPECT_EQ(raw[48] * 1000 + raw[49] * 100 + raw[78] * 10 + raw[79], 128 * 1000 + 128 * 10) << "buttons at byte 48";
}

TEST(JoystickLayout, WhatCountsAsActivity) {
    JoystickSample s;
    s.axisCount = 4;
    s.hatCount = 1;
    s.buttonCount = 12;
    const std::int16_t offCentre[4] = {3000, -3000, 32767, -32768};  // throttle and twist are no directions
    std::memcpy(s.axes, offCentre, sizeof offCentre);
    EXPECT_FALSE(input::sampleShowsActivity(s)) << "slightly off centre";
    for (int part = 0; part < 3; ++part) {
        JoystickSample pushed = s;
        pushed.axes[1] = part == 0 ? -20000 : 0;
        pushed.hats[0] = part == 1 ? kHatDown : 0;
        pushed.buttons[11] = part == 2;
        EXPECT_TRUE(input::sampleShowsActivity(pushed)) << "axis up, hat down, button 12: " << part;
    }
}

TEST(Joysticks, WithoutDevicesAReadFailsAndReportsRest) {
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
