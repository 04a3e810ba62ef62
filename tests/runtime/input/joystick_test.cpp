// Joysticks: with no device attached a read fails and reports the rest position.
#include "input/joystick_convert.h"

#include <gtest/gtest.h>

#include "input/input.h"

namespace qvt {
namespace {

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
    EXPECT_EQ(JoystickCount(), 0);
}

}  // namespace
}  // namespace qvt
