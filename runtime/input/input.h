// Keyboard, mouse and joystick state and typed characters.
//
// Key codes are the DirectInput keyboard scan codes (1 Escape, 2 the key [1], 28 Return,
// 44 Z, 45 X; extended keys at 0x80 + code). They name key positions, not characters.
#pragma once

#include <cstdint>

#include "core/strings.h"
#include "platform/events.h"

namespace qvt {

// Start-up: opens keyboard, mouse and joysticks; exclusive takes the mouse relatively and
// hides the pointer. Registers the input shutdown step.
void InitInput(bool exclusiveMouse);
// Releases the devices and shows the pointer again.
void ShutdownInput();

// 1 when the key (0..255, truncated) is down, else 0. Every 129th query samples again.
std::int32_t KeyDown(double code);
// Samples all 256 key states, only while the game window has the keyboard focus.
void PollKeyboard();
// The oldest typed character as a one-character text, or the empty text.
RuntimeString InKey();
// Appends a typed character (Windows-1252 byte) when fewer than 16 are pending.
void PushTypedChar(std::uint8_t c);

namespace input {
// Per frame (from ShowScreen): reset the poll counter, poll the keyboard and the mice.
void PollForFrame();
// Feeds one platform event (typed text, keys that type Enter/Backspace/Tab, wheel ...).
void HandleEvent(const platform::Event& event);
// For the idle wait: snapshot of mouse and joysticks, then "did anything happen since".
void TakeActivitySnapshot();
bool ActivitySinceSnapshot();
}  // namespace input

}  // namespace qvt
