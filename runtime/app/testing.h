// Test and benchmark hooks of the frame loop and the window, with the platform's
// replaceable parts. The running game never calls these.
#pragma once

#include "platform/testing.h"

namespace qvt {

// Test and bench hook: observer(user) runs at the start of every ShowScreen, before anything else
// (null removes it). Lets a test see each frame of a routine that loops on ShowScreen and
// script its keys; the running game never sets it.
void SetFrameObserver(void (*observer)(void*), void* user);

// Start-up: the frame loop's state back to its defaults (not paused, auto-pause and
// escape quits on, QVT_WIN32_MSG not yet looked up).
void ResetFrameLoop();

// Forgets that the check ran (tests).
void ForgetSoftwareRendererCheck();

}  // namespace qvt
