// The one game window and its OpenGL context (SDL2 underneath).
//
// One window per process. Captions are Windows-1252 bytes like every runtime text; the
// conversion to what SDL wants happens here.
#pragma once

#include "platform/events.h"

namespace qvt::platform {

// What openWindow creates. Sizes are the client (drawing area) size in pixels.
struct WindowConfig {
    int width = 640;
    int height = 480;
    bool fullScreen = false;   // switch to a full-screen mode of width x height after creation
    int multisample = 0;       // samples asked for; halved until granted, 0 = none
    bool visible = true;       // false: the window stays hidden until showWindow
    const char* caption = "";  // Windows-1252; null reads as ""
    int scale = 1;             // window pixels per drawing-area pixel (1..8), nearest sampling
    bool fitDisplay = false;   // fill the display, the picture letterboxed at an integer scale
};

// SDL video init, the window (centred in the usable display area) and a compatibility-
// profile GL context with 24 depth bits, 8 stencil bits and double buffering, made
// current. False when no window or context could be made (the reason is in lastError()),
// and also when no display was found and SDL fell back to a driver that shows nothing
// (offscreen, dummy) without SDL_VIDEODRIVER asking for it.
bool openWindow(const WindowConfig& config);
// Destroys the context and the window and shuts SDL video down. Safe without a window.
void closeWindow();
// True between a successful openWindow and closeWindow.
bool windowOpen();
// True when the last openWindow failed because no display was found.
bool noDisplayFound();
// Presents the back buffer.
void swapWindow();
// Address of a GL entry point by name (null when the driver lacks it). Needs a window.
void* glProcAddress(const char* name);
// True while the window has the keyboard focus (tracked from focus events; a new window
// counts as focused, since headless drivers never report focus).
bool windowHasFocus();

// Window coordinates (pixels of the window) to the drawing area's, for a scaled or
// letterboxed window; unchanged otherwise. Points outside the picture map outside it.
void windowToClient(int* x, int* y);
// The drawing area's coordinates to the window's (the inverse of windowToClient).
void clientToWindow(int* x, int* y);
// Pixels of the window per drawing-area pixel (1 unless scaled; fractional only when the
// display is smaller than the picture), and where the picture's top-left corner lies.
void presentationScale(double* scale, int* offsetX, int* offsetY);

// The multisample count actually granted (0 when none).
int grantedMultisample();
// The drawing area size in pixels.
void windowClientSize(int* width, int* height);
// Size of the display the window is on, in pixels (0 x 0 without a window).
void displaySize(int* width, int* height);
// Bits per pixel of the desktop's display mode (0 without a window).
int displayBitsPerPixel();
// Windows-1252 caption.
void setWindowCaption(const char* caption);

// Full screen with the display mode closest to width x height. False (and the window is
// left as it was) when the display offers no such mode.
bool enterFullScreen(int width, int height);
// Back to a window of the current client size, centred in the usable display area, and
// with show, shown and raised (a hidden window stays hidden otherwise).
void enterWindowMode(bool show = true);
// True while a full-screen mode is set.
bool windowFullScreen();
void showWindow();
void hideWindow();
// True while the window is shown (not hidden).
bool windowVisible();
// Shows the window, puts it in front and gives it the input focus.
void raiseWindow();

// A modal message box with a warning icon. Title and text are Windows-1252.
void showMessageBox(const char* title, const char* text);

// The next waiting event of the window (injected events first, see injectEvent), or false
// when none is waiting. Focus events update windowHasFocus() here.
bool pollEvent(Event* event);

// Keeps SDL video and the GL driver loaded until the process ends, however often windows
// are opened and closed (test harness: a GL driver unloaded and loaded again per test
// costs time, and leaves its allocations unreachable for the leak checker).
bool keepVideoLoaded();

// SDL's text of the last failure, for log lines.
const char* lastError();

}  // namespace qvt::platform
