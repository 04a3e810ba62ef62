#include <cstdlib>

#include "input/input.h"
#include "input/input_state.h"
#include "input/joystick_convert.h"
#include "platform/joystick.h"

namespace qvt {

namespace input {

namespace {

// How far x or y must leave the rest position to count as a direction (a quarter of the
// travel, so a worn stick resting slightly off centre does not wake the idle wait).
constexpr int kDirectionThreshold = 8192;

}  // namespace

std::uint32_t hatAngle(std::uint8_t bits) {
    switch (bits & (platform::kHatUp | platform::kHatRight | platform::kHatDown |
                    platform::kHatLeft)) {
        case platform::kHatUp: return 0;
        case platform::kHatUp | platform::kHatRight: return 4500;
        case platform::kHatRight: return 9000;
        case platform::kHatDown | platform::kHatRight: return 13500;
        case platform::kHatDown: return 18000;
        case platform::kHatDown | platform::kHatLeft: return 22500;
        case platform::kHatLeft: return 27000;
        case platform::kHatUp | platform::kHatLeft: return 31500;
        default: return kHatCentred;  // none, or opposite directions at once
    }
}

JoystickState toJoystickState(const platform::JoystickSample& s) {
    JoystickState st;
    std::int32_t* axes[platform::kJoystickAxes] = {&st.x,  &st.y,  &st.z,          &st.rx,
                                                    &st.ry, &st.rz, &st.sliders[0], &st.sliders[1]};
    for (int i = 0; i < s.axisCount && i < platform::kJoystickAxes; ++i)
        *axes[i] = static_cast<std::int32_t>(s.axes[i]) + kAxisCentre;
    for (int i = 0; i < s.hatCount && i < platform::kJoystickHats; ++i)
        st.hats[i] = hatAngle(s.hats[i]);
    for (int i = 0; i < s.buttonCount && i < platform::kJoystickButtons; ++i)
        st.buttons[i] = s.buttons[i] ? 0x80 : 0;
    return st;
}

bool sampleShowsActivity(const platform::JoystickSample& s) {
    for (int i = 0; i < s.buttonCount && i < platform::kJoystickButtons; ++i) {
        if (s.buttons[i]) return true;
    }
    for (int i = 0; i < s.hatCount && i < platform::kJoystickHats; ++i) {
        if (hatAngle(s.hats[i]) != kHatCentred) return true;
    }
    for (int i = 0; i < s.axisCount && i < 2; ++i) {
        if (std::abs(static_cast<int>(s.axes[i])) > kDirectionThreshold) return true;
    }
    return false;
}

bool joystickActive(int index) {
    platform::JoystickSample s;
    return platform::readJoystick(index, &s) && sampleShowsActivity(s);
}

}  // namespace input

bool PollJoystick(int index, JoystickState& state) {
    platform::JoystickSample s;
    bool ok = platform::readJoystick(index, &s);
    state = ok ? input::toJoystickState(s) : JoystickState{};
    return ok;
}

std::int32_t JoystickCount() { return platform::joystickCount(); }

}  // namespace qvt
