#include "platform/mouse.h"

#include "platform/window.h"

#include <SDL.h>

#include <algorithm>

namespace qvt::platform {

namespace {

MouseSample withButtons(Uint32 mask, int x, int y) {
    MouseSample s;
    s.x = x;
    s.y = y;
    s.left = (mask & SDL_BUTTON_LMASK) != 0;
    s.right = (mask & SDL_BUTTON_RMASK) != 0;
    s.middle = (mask & SDL_BUTTON_MMASK) != 0;
    return s;
}

// The runtime has one window; it is the one with the GL context even while another
// program has the focus (and under headless drivers, which never report focus).
SDL_Window* gameWindow() {
    if (SDL_Window* w = SDL_GetKeyboardFocus()) return w;
    if (SDL_Window* w = SDL_GetMouseFocus()) return w;
    return SDL_GL_GetCurrentWindow();
}

}  // namespace

MouseSample mouseAbsolute() {
    int x = 0, y = 0;
    Uint32 mask = SDL_GetMouseState(&x, &y);
    windowToClient(&x, &y);
    // While a button is held SDL keeps tracking outside the window (capture).
    if (gameWindow() != nullptr) {
        int width = 0, height = 0;
        windowClientSize(&width, &height);
        if (width > 0 && height > 0) {
            x = std::clamp(x, 0, width - 1);
            y = std::clamp(y, 0, height - 1);
        }
    }
    return withButtons(mask, x, y);
}

MouseSample mouseRelative() {
    int dx = 0, dy = 0;
    SDL_GetRelativeMouseState(&dx, &dy);
    return withButtons(SDL_GetMouseState(nullptr, nullptr), dx, dy);
}

void setPointerHidden(bool hidden) {
    // Relative mode may be unsupported (offscreen and dummy drivers); the relative state
    // still accumulates motion then, only the pointer is not held inside the window.
    SDL_SetRelativeMouseMode(hidden ? SDL_TRUE : SDL_FALSE);
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
    SDL_GetRelativeMouseState(nullptr, nullptr);
}

void warpPointer(int x, int y) {
    SDL_Window* w = gameWindow();
    if (w == nullptr) return;
    int width = 0, height = 0;
    windowClientSize(&width, &height);
    if (width > 0 && height > 0) {
        x = std::clamp(x, 0, width - 1);
        y = std::clamp(y, 0, height - 1);
    }
    clientToWindow(&x, &y);
    SDL_WarpMouseInWindow(w, x, y);
}

}  // namespace qvt::platform
