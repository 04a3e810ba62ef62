// What tests and benchmarks replace behind the platform: the clock and the sleep, the
// keyboard source, injected window events and the message box. The running game never
// calls these.
#pragma once

#include <cstdint>

#include "platform/events.h"

namespace qvt::platform {

// A replacement for the clock and the sleep, so tests can run frames on virtual time.
struct TimeSource {
    double (*now)(void* user);
    void (*sleep)(void* user, int ms);
    void* user;
    // Sleep until now() reaches ms; null: sleepUntilMs falls back to sleep() for the whole
    // milliseconds left.
    void (*sleepUntil)(void* user, double ms) = nullptr;
};
// Installs src (copied); null puts the real clock back.
void setTimeSource(const TimeSource* src);

// Where the key states come from. All three routines run on the main thread.
struct KeyboardSource {
    bool (*hasFocus)(void* user);                        // the game window has the keyboard
    void (*readKeys)(void* user, std::uint8_t* states);  // fills kKeyCodeCount states
    void (*beginFrame)(void* user);                      // a frame starts polling; may be null
    void* user;
};
// Installs src (copied); null puts SDL's keyboard back.
void setKeyboardSource(const KeyboardSource* src);

// Queues a synthetic event that the window's pump delivers ahead of the system's (tests,
// scripted sessions), not before the time source reads atMs (platform::nowMs(); the
// default: at once). Delivered in the order queued. False when 256 are already waiting.
bool injectEvent(const Event& event, double atMs = -1.0e300);
// Drops every injected event still waiting.
void clearInjectedEvents();

// True: debuggerAttached() reports a debugger whether one is there or not (tests of the
// debug outputs). False: it asks the system again.
void pretendDebuggerAttached(bool attached);

// Replaces the message box (tests): fn receives title and text as UTF-8, the way the box
// would show them. Null puts the real box back.
void setMessageBoxHandler(void (*fn)(const char* titleUtf8, const char* textUtf8));

// A scaled window's picture blitted into the window's back buffer without the swap, so a
// test can read the window's pixels back (nothing happens for an unscaled window).
void blitToWindow();

}  // namespace qvt::platform
