// Game controllers under the input module, through SDL's joystick API: up to two devices,
// read on demand.
#pragma once

#include <cstdint>

namespace qvt::platform {

inline constexpr int kMaxJoysticks = 2;      // devices the runtime reads
inline constexpr int kJoystickAxes = 8;      // six axes and two sliders
inline constexpr int kJoystickHats = 4;
inline constexpr int kJoystickButtons = 32;

// Hat bits; a hat with none set is centred.
inline constexpr std::uint8_t kHatUp = 0x01;
inline constexpr std::uint8_t kHatRight = 0x02;
inline constexpr std::uint8_t kHatDown = 0x04;
inline constexpr std::uint8_t kHatLeft = 0x08;

// One reading of a device. Axes are -32768..32767 with 0 at rest; only the first
// axisCount / hatCount / buttonCount entries exist on the device.
struct JoystickSample {
    int axisCount = 0;
    int hatCount = 0;
    int buttonCount = 0;
    std::int16_t axes[kJoystickAxes] = {};
    std::uint8_t hats[kJoystickHats] = {};
    bool buttons[kJoystickButtons] = {};
};

// Starts SDL's joystick support and opens the first kMaxJoysticks devices. False when
// joysticks are not available at all (reads then fail).
bool openJoysticks();
// Closes the devices and stops the joystick support (safe when never opened).
void closeJoysticks();
// Number of devices the system reports (may exceed kMaxJoysticks).
int joystickCount();
// Reads device index (0..kMaxJoysticks-1), opening it when it was plugged in since.
// False when there is no such device or it cannot be read.
bool readJoystick(int index, JoystickSample* out);

}  // namespace qvt::platform
