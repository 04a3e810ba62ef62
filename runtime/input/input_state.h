// The input object shared by the input module's files (not for other modules).
#pragma once

#include <array>
#include <cstdint>

#include "input/input.h"
#include "platform/keyboard.h"
#include "platform/mouse.h"

namespace qvt::input {

// Pointer position in window pixels; in hidden mode the sum of all movement read.
struct MouseRecord {
    std::int32_t x = 0, y = 0;
    std::int32_t prevX = 0, prevY = 0;
    std::int32_t wheel = 0;  // wheel steps since the last update, away from the user > 0
    bool left = false, right = false, middle = false;
};

struct InputObject {
    bool started = false;
    bool pointerVisible = true;
    std::array<std::uint8_t, platform::kKeyCodeCount> keys{};
    std::uint32_t pollCounter = 0;  // KeyDown queries since the last sample
    MouseRecord mouse;
    MouseRecord snapshot;  // for the idle wait
    std::array<std::uint8_t, kMaxTypedChars> typed{};
    int typedCount = 0;
};

// The one input object.
InputObject& object();

// Takes one reading into the record: a window position replaces the position, movement
// (relative) is added to it, so nothing read is lost before the next update.
void applyMouseSample(MouseRecord& mouse, const platform::MouseSample& sample, bool relative);
// Reads the mouse into the record: the window position while the pointer is visible,
// movement while it is hidden.
void sampleMouse(MouseRecord& mouse, bool pointerVisible);
// The caller's view of the record; update makes the position the previous one and
// clears the wheel.
MouseState mouseStateOf(MouseRecord& mouse, bool update);
// True when a joystick index 0..1 shows a button or a direction.
bool joystickActive(int index);

}  // namespace qvt::input
