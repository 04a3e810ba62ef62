// The per-frame operation ShowScreen and the window's event handling around it: presenting
// and pacing, the focus-loss pause, the idle wait and the Escape and Alt+F4 exits.
#pragma once

#include <cstdint>

#include "core/callbyname.h"
#include "core/strings.h"

namespace qvt {

// Once per frame: polls input, ends the program on Escape (while escape quits is on) or
// Alt+F4, pumps events, presents and waits until the next frame is due, then resets the
// 2D state. Stays inside while the program is paused.
void ShowScreen();
// Swaps, starts the next frame (clear) and waits for its time, pumping events with
// callback (may be null) meanwhile. Always 1.
std::int32_t PresentFrame(Routine callback);
// Handles every waiting event; callback (may be null) runs first for each, with the event
// in platform::currentEvent(). Always 1.
std::int32_t PumpMessages(Routine callback);
// Waits up to 15 rounds of 5 ms for a key, mouse or joystick; while paused, stays in the
// pause loop (waking every 200 ms) until the window is activated again.
void Hibernate();

// Escape ends the program from ShowScreen; any nonzero value or NaN is on. Default on.
void SetEscapeQuits(double flag);
// Losing the focus pauses the program (nonzero = on). Default on.
void SetAutoPause(std::int32_t flag);
// Pauses (nonzero) or resumes; a change calls QVT_ON_PAUSE or QVT_ON_RESUME by name.
void SetPause(std::int32_t flag);
// True while paused.
bool PauseFlag();
// Start-up: not paused, without calling QVT_ON_RESUME.
void ClearPause();
// Brings the window to the front at the next ShowScreen (and ends a pause loop).
void RequestActivate();

// The caption without the pause suffix (Windows-1252); also sets the window's caption.
void SetSavedCaption(const RuntimeString& caption);
const RuntimeString& SavedCaption();

}  // namespace qvt
