// The system mouse under the input module: the pointer's position in the game window,
// movement while the pointer is hidden, the buttons, and showing or hiding the pointer.
#pragma once

namespace qvt::platform {

// One reading of the mouse. Positions are window client coordinates in pixels.
struct MouseSample {
    int x = 0;
    int y = 0;
    bool left = false;
    bool right = false;
    bool middle = false;
};

// The pointer's position in the game window (kept from the last event while it is
// elsewhere), clamped to the window's client area, and the buttons.
MouseSample mouseAbsolute();
// Movement since the previous call (or since relative mode began) and the buttons.
MouseSample mouseRelative();
// Hidden: the pointer disappears and the mouse reports movement only (it can no longer
// leave the window). Shown: the normal arrow pointer. Any pending movement is discarded.
void setPointerHidden(bool hidden);
// Moves the pointer to a client position of the game window (clamped to its client area).
void warpPointer(int x, int y);

}  // namespace qvt::platform
