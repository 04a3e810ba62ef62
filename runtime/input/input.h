// Keyboard, mouse and joystick state and typed characters.
//
// Key codes are the DirectInput keyboard scan codes (1 Escape, 2 the key [1], 28 Return,
// 44 Z, 45 X; extended keys at 0x80 + code). They name key positions, not characters.
#pragma once

#include <cstdint>

#include "core/strings.h"
#include "platform/events.h"

namespace qvt {

// Pending typed characters; more are dropped until InKey takes some.
inline constexpr int kMaxTypedChars = 16;
// KeyDown queries after which the keyboard is sampled again without a frame.
inline constexpr std::uint32_t kKeyQueriesPerPoll = 128;

// The mouse record: buttons 1 = down, movement in pixels since the previous update,
// wheel -1 (towards the user), 0 or +1 (away).
struct MouseState {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::uint16_t middle = 0;
    std::int16_t dx = 0;
    std::int16_t dy = 0;
    std::int16_t wheel = 0;
};
static_assert(sizeof(MouseState) == 12, "the mouse record is six 16-bit fields");

// Hat value of a centred hat (or one the device lacks).
inline constexpr std::uint32_t kHatCentred = 0xFFFFFFFFu;
// Axis and slider value of a stick at rest; axes run 0..65535.
inline constexpr std::int32_t kAxisCentre = 32768;

// The DirectInput joystick state layout: axes 0..65535, hats in hundredths of a degree
// clockwise from up (kHatCentred when centred), buttons bit 7 = down.
struct JoystickState {
    std::int32_t x = kAxisCentre, y = kAxisCentre, z = kAxisCentre;
    std::int32_t rx = kAxisCentre, ry = kAxisCentre, rz = kAxisCentre;
    std::int32_t sliders[2] = {kAxisCentre, kAxisCentre};
    std::uint32_t hats[4] = {kHatCentred, kHatCentred, kHatCentred, kHatCentred};
    std::uint8_t buttons[32] = {};
};
static_assert(sizeof(JoystickState) == 80, "the joystick record is DirectInput's 80 bytes");

// Start-up: opens the joysticks and remembers the pointer position; exclusive hides the
// pointer and reads the mouse as movement. Registers ShutdownInput as the Input step.
void InitInput(bool exclusiveMouse);
// Releases the joysticks, shows the pointer again and forgets all input state. Safe to
// call more than once.
void ShutdownInput();

// 1 when the key (0..255, truncated toward zero) is down, else 0; codes outside that
// range are never down. Every 129th query since the last sample samples again.
std::int32_t KeyDown(double code);
// Samples all 256 key states, only while the game window has the keyboard focus (the
// states from before the focus went stay in effect).
void PollKeyboard();
// The oldest typed character (a Windows-1252 byte) as a one-character text, or "".
RuntimeString InKey();
// Appends a typed character: 0 is ignored, 13 becomes 10, other control characters
// except 8, 9 and 10 are dropped, and so is anything beyond kMaxTypedChars pending.
void PushTypedChar(std::uint8_t c);

// Fills the record from the mouse; with update, the current position becomes the
// previous one and the wheel is cleared.
void PollMouse(MouseState& record, bool update);
// Nonzero shows the system pointer and reads the mouse as its window position; zero hides
// it and reads movement.
void ShowSystemPointer(double flag);

// Fills state from joystick index (0 or 1). A missing or unreadable joystick reads as at
// rest (axes centred, hats centred, no buttons) and the result is false.
bool PollJoystick(int index, JoystickState& state);
// Number of joysticks the system reports.
std::int32_t JoystickCount();

namespace input {
// Per frame (from ShowScreen): reset the poll counter, poll the keyboard and the mouse.
void PollForFrame();
// Feeds one platform event (typed text, keys that type Enter/Backspace/Tab, wheel ...).
void HandleEvent(const platform::Event& event);
// For the idle wait: snapshot of the mouse, then "did anything happen since": samples the
// keyboard, and reports any key 0..254 down, the mouse moved or a button changed, or a
// joystick with one of its first 32 buttons down or pushed in a direction.
void TakeActivitySnapshot();
bool ActivitySinceSnapshot();
// Applies the pointer mode again (start-up, after the window was re-created, when the
// window is brought back to the front).
void RestorePointerMode();
// Lets the pointer go, shown and free to leave the window, whatever the mode (a debugger
// needs it); RestorePointerMode takes it back.
void ReleasePointer();
// Forgets key states, typed characters, the poll counter, mouse movement and the wheel.
void Reset();
}  // namespace input

}  // namespace qvt
