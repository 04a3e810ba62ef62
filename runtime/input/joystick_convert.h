// Joystick readings in the DirectInput layout (input module only).
#pragma once

#include <cstdint>

#include "input/input.h"
#include "platform/joystick.h"

namespace qvt::input {

// Hundredths of a degree clockwise from up for hat bits; kHatCentred for none (or for
// opposite directions together, which no real hat reports).
std::uint32_t hatAngle(std::uint8_t bits);
// The reading in the 80-byte layout; axes, hats and buttons the device lacks stay at rest.
JoystickState toJoystickState(const platform::JoystickSample& sample);
// A button down, a hat pushed, or x or y well away from rest.
bool sampleShowsActivity(const platform::JoystickSample& sample);

}  // namespace qvt::input
