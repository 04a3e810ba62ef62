// Platform events in a form the rest of the runtime can read without SDL.
#pragma once

#include <cstdint>

namespace qvt::platform {

enum class EventType {
    Other,        // anything the runtime does not act on
    Quit,         // the session asks the program to end
    Close,        // the window's close button
    FocusGained,  // the window became active
    FocusLost,    // the window became inactive
    KeyDown,      // a key went down (repeat set for auto-repeat)
    KeyUp,
    Text,         // typed text, UTF-8 in text
    MouseWheel,   // wheelY: positive away from the user
    MouseMotion,
    MouseButton,
};

struct Event {
    EventType type = EventType::Other;
    std::uint32_t sdlType = 0;  // the SDL event type, for QVT_WIN32_MSG listeners
    int scancode = 0;           // SDL scancode (KeyDown, KeyUp)
    bool repeat = false;        // KeyDown from auto-repeat
    bool altDown = false;       // Alt held with this key event
    char text[32] = {};         // Text: zero-terminated UTF-8
    int wheelY = 0;             // MouseWheel
    int x = 0, y = 0;           // MouseMotion / MouseButton: client position
    int button = 0;             // MouseButton: 1 left, 2 middle, 3 right
    bool pressed = false;       // MouseButton
};

// The event being handled, for the game's QVT_WIN32_MSG routine (valid only while it runs).
const Event* currentEvent();
// Makes event the one currentEvent() returns (null: none). The pointer is not owned.
void setCurrentEvent(const Event* event);

// The oldest injected event if it is due, removed from the queue; false otherwise.
bool takeInjectedEvent(Event* event);

}  // namespace qvt::platform
