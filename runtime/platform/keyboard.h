// The keyboard under the input module: SDL scancodes turned into the runtime's key codes
// (the DirectInput numbering), the 256 key states of the focused window, and a replaceable
// source so tests can script the keyboard.
//
// SDL scancodes name key positions on every layout, so no layout-dependent map from key
// codes to virtual keys is needed for a missing keyboard device: SDL always has one.
#pragma once

#include <cstdint>

namespace qvt::platform {

// Number of key codes; key states are one byte each, bit 7 set = down.
inline constexpr int kKeyCodeCount = 256;
inline constexpr std::uint8_t kKeyDownBit = 0x80;

// The key code (1..255) of an SDL scancode, 0 for a key without one or a value out of range.
std::uint8_t keyCodeForScancode(int scancode);
// The SDL scancode of a key code, 0 when no key has it. Where two scancodes name the same
// key (e.g. backslash and the ISO hash key) the common one is returned.
int scancodeForKeyCode(std::uint8_t code);

// True while the game window has the keyboard focus.
bool keyboardHasFocus();
// Writes kKeyCodeCount key states (0 or kKeyDownBit) into states. The system keyboard is
// read after pumping the system's events, so a fresh read sees the keys as they are now.
// Main thread only.
void readKeyStates(std::uint8_t* states);
// Starts following the key events of the system keyboard, all keys up (window creation).
void watchKeyEvents();
// Tells the source that ShowScreen starts a frame's input poll.
void keyboardBeginFrame();
// Asks the system for typed-text events (on by default on desktops; made sure of here).
void startTextInput();

}  // namespace qvt::platform
