// The runtime's window record: creating the window and its GL context, switching between
// window and full-screen mode, the software-renderer warning.
#pragma once

#include <cstdint>

namespace qvt {

// The one window/context record, owned by the runtime from start-up to shutdown.
struct RendererWindow {
    std::int32_t clientWidth = 0;   // drawing area in pixels
    std::int32_t clientHeight = 0;
    std::int32_t colourDepth = 0;   // bits per pixel (the desktop's when asked for 0)
    bool fullScreen = false;        // true while a full-screen mode is set
    std::int32_t multisample = 0;   // samples asked for at creation
    std::int32_t screenWidth = 0;   // the display's size at creation
    std::int32_t screenHeight = 0;
};

const RendererWindow& WindowRecord();

// Creates the window (hidden) and its GL context, the graphics context, reads the GL
// extensions and presents one frame. width x height is the drawing area, depth 0 takes the
// desktop's, frameRate goes to SetFrameRate, multisample is halved until granted. A scale
// above 1 opens the window that many times larger and fitScreen fills the display; either
// way the drawing area stays width x height, shown with nearest sampling. False when no
// window or context could be made.
bool CreateRendererWindow(std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t frameRate, std::int32_t multisample,
                          std::int32_t scale = 1, bool fitScreen = false);
// Destroys the window and its context (the Window shutdown step) and logs
// "qvt is shutdown\n".
void DestroyRendererWindow();

// Window mode: leaves full screen, centres the window in the usable display area and,
// with show, shows and raises it.
void SwitchToWindowMode(bool show);
// Full screen in a mode of the client size; without one: "No Fullscreen Mode available\n"
// in the log, window mode, false.
bool SwitchToFullScreen();

// True for renderer names of software rasterisers (llvmpipe, softpipe, swrast, GDI).
bool IsSoftwareRenderer(const char* glRenderer);
// Once per process: logs the software-emulation warning for a software renderer and shows
// the "opengldriver.txt" notice when that file exists in the current folder.
void CheckSoftwareRenderer();

}  // namespace qvt
