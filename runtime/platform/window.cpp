#include "platform/keyboard.h"
#include "platform/testing.h"
#include "platform/window.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace qvt::platform {

namespace {

struct WindowState {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    int width = 0;
    int height = 0;
    int samples = 0;
    bool focused = false;
    bool fullScreen = false;
    int scale = 1;            // asked for: window pixels per drawing-area pixel
    bool fitDisplay = false;  // asked for: fill the display, letterboxed
};

// A scaled window draws into an off-screen target of the drawing area's size, shown by a
// nearest-sampling blit at every swap: the runtime and the game keep seeing their own
// 640 x 480 screen, pixel for pixel.
struct ScaledTarget {
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
    double scale = 1.0;  // window pixels per picture pixel
    int offsetX = 0;     // the picture's top-left corner in the window
    int offsetY = 0;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

WindowState state;
ScaledTarget target;
bool displayMissing = false;
void (*messageBoxHandler)(const char*, const char*) = nullptr;

// Windows-1252 0x80..0x9F; the five unassigned bytes become U+FFFD.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// SDL takes UTF-8; runtime texts are Windows-1252.
std::string utf8FromCp1252(const char* text) {
    std::string out;
    if (text == nullptr) return out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        char32_t c = *p;
        if (c >= 0x80 && c < 0xA0) c = kCp1252High[c - 0x80];
        appendUtf8(out, c);
    }
    return out;
}

constexpr int kMaxWindowScale = 8;

// The window's size as the user sees it (the picture times the scale when scaled).
int windowWidth() { return state.width * state.scale; }
int windowHeight() { return state.height * state.scale; }

void centreInUsableArea() {
    int display = SDL_GetWindowDisplayIndex(state.window);
    SDL_Rect area{};
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &area) != 0) {
        SDL_SetWindowPosition(state.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        return;
    }
    SDL_SetWindowPosition(state.window, area.x + (area.w - windowWidth()) / 2,
                          area.y + (area.h - windowHeight()) / 2);
}

void setContextAttributes(int samples) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
}

// One attempt at window plus context with the given sample count.
bool createWithSamples(const WindowConfig& config, int scale, int samples) {
    setContextAttributes(samples);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (config.fitDisplay) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    state.window = SDL_CreateWindow(utf8FromCp1252(config.caption).c_str(),
                                    SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    config.width * scale, config.height * scale, flags);
    if (state.window == nullptr) return false;
    state.context = SDL_GL_CreateContext(state.window);
    if (state.context != nullptr && SDL_GL_MakeCurrent(state.window, state.context) == 0) {
        return true;
    }
    if (state.context != nullptr) SDL_GL_DeleteContext(state.context);
    SDL_DestroyWindow(state.window);
    state.context = nullptr;
    state.window = nullptr;
    return false;
}

// ---- scaled presentation ---------------------------------------------------------------

template <typename Fn>
bool loadEntry(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(SDL_GL_GetProcAddress(name));
    return fn != nullptr;
}

// Where the picture goes in a drawable of dw x dh: the largest whole scale that fits (a
// fraction only when even 1 does not), centred.
void placePicture(int dw, int dh) {
    double fit = std::min(static_cast<double>(dw) / state.width,
                          static_cast<double>(dh) / state.height);
    target.scale = fit >= 1.0 ? std::floor(fit) : fit;
    if (!state.fitDisplay) target.scale = std::min(target.scale, static_cast<double>(state.scale));
    target.offsetX = (dw - static_cast<int>(std::lround(state.width * target.scale))) / 2;
    target.offsetY = (dh - static_cast<int>(std::lround(state.height * target.scale))) / 2;
}

void closeScaledTarget();

bool openScaledTarget() {
    ScaledTarget t;
    bool ok = loadEntry(t.genFramebuffers, "glGenFramebuffers") &&
              loadEntry(t.bindFramebuffer, "glBindFramebuffer") &&
              loadEntry(t.deleteFramebuffers, "glDeleteFramebuffers") &&
              loadEntry(t.genRenderbuffers, "glGenRenderbuffers") &&
              loadEntry(t.bindRenderbuffer, "glBindRenderbuffer") &&
              loadEntry(t.deleteRenderbuffers, "glDeleteRenderbuffers") &&
              loadEntry(t.renderbufferStorage, "glRenderbufferStorage") &&
              loadEntry(t.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
              loadEntry(t.checkFramebufferStatus, "glCheckFramebufferStatus") &&
              loadEntry(t.blitFramebuffer, "glBlitFramebuffer");
    if (!ok) {
        SDL_SetError("the GL driver has no framebuffer objects for a scaled window");
        return false;
    }
    target = t;
    target.genRenderbuffers(1, &target.colour);
    target.bindRenderbuffer(GL_RENDERBUFFER, target.colour);
    target.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, state.width, state.height);
    target.genRenderbuffers(1, &target.depthStencil);
    target.bindRenderbuffer(GL_RENDERBUFFER, target.depthStencil);
    target.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, state.width, state.height);
    target.genFramebuffers(1, &target.framebuffer);
    target.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    target.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                   target.colour);
    target.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   target.depthStencil);
    if (target.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        SDL_SetError("the off-screen target of a scaled window is incomplete");
        closeScaledTarget();
        return false;
    }
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(state.window, &dw, &dh);
    placePicture(dw, dh);
    return true;
}

void closeScaledTarget() {
    if (target.framebuffer == 0 && target.colour == 0) return;
    target.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (target.framebuffer != 0) target.deleteFramebuffers(1, &target.framebuffer);
    GLuint buffers[2] = {target.colour, target.depthStencil};
    target.deleteRenderbuffers(2, buffers);
    target = ScaledTarget{};
}

// The picture into the window's back buffer, borders black; the game's GL state is left
// as it was (scissor, clear colour, the bound framebuffers).
void blitScaledTarget() {
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(state.window, &dw, &dh);
    placePicture(dw, dh);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    target.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    target.bindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    int w = static_cast<int>(std::lround(state.width * target.scale));
    int h = static_cast<int>(std::lround(state.height * target.scale));
    // GL's rows run bottom-up: the offset from the top becomes one from the bottom.
    int y0 = dh - target.offsetY - h;
    target.blitFramebuffer(0, 0, state.width, state.height, target.offsetX, y0,
                           target.offsetX + w, y0 + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

void noteFocus(const Event& event) {
    if (event.type == EventType::FocusGained) state.focused = true;
    if (event.type == EventType::FocusLost) state.focused = false;
}

void translateWindowEvent(const SDL_WindowEvent& w, Event* out) {
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE: out->type = EventType::Close; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out->type = EventType::FocusGained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: out->type = EventType::FocusLost; break;
        default: break;
    }
}

void translateKey(const SDL_KeyboardEvent& k, Event* out) {
    out->type = k.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
    out->scancode = k.keysym.scancode;
    out->repeat = k.repeat != 0;
    out->altDown = (k.keysym.mod & KMOD_ALT) != 0;
}

void translateMouse(const SDL_Event& e, Event* out) {
    if (e.type == SDL_MOUSEWHEEL) {
        out->type = EventType::MouseWheel;
        out->wheelY = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
    } else if (e.type == SDL_MOUSEMOTION) {
        out->type = EventType::MouseMotion;
        out->x = e.motion.x;
        out->y = e.motion.y;
        windowToClient(&out->x, &out->y);
    } else {
        out->type = EventType::MouseButton;
        out->x = e.button.x;
        out->y = e.button.y;
        windowToClient(&out->x, &out->y);
        out->button = e.button.button;
        out->pressed = e.type == SDL_MOUSEBUTTONDOWN;
    }
}

Event translate(const SDL_Event& e) {
    Event out;
    out.sdlType = e.type;
    switch (e.type) {
        case SDL_QUIT: out.type = EventType::Quit; break;
        case SDL_WINDOWEVENT: translateWindowEvent(e.window, &out); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: translateKey(e.key, &out); break;
        case SDL_TEXTINPUT:
            out.type = EventType::Text;
            SDL_strlcpy(out.text, e.text.text, sizeof out.text);
            break;
        case SDL_MOUSEWHEEL:
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: translateMouse(e, &out); break;
        default: break;
    }
    return out;
}

// Without a display SDL falls back to a driver that shows nothing, and the game would run
// unseen. Such a driver is taken only when SDL_VIDEODRIVER names it (tests, scripted runs).
bool headlessWithoutAsking() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    bool headless = false;
    for (const char* name : {"offscreen", "dummy", "evdev"}) {
        if (SDL_strcasecmp(driver, name) == 0) headless = true;
    }
    if (!headless) return false;
    // The hint falls back to the environment variable; it may list several drivers.
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    std::string list = asked != nullptr ? asked : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        if (SDL_strcasecmp(list.substr(start, comma - start).c_str(), driver) == 0) return false;
        start = comma + 1;
    }
    return true;
}

}  // namespace

bool openWindow(const WindowConfig& config) {
    if (state.window != nullptr) closeWindow();
    displayMissing = false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    if (headlessWithoutAsking()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetError("no display found (neither DISPLAY nor WAYLAND_DISPLAY names one)");
        displayMissing = true;
        return false;
    }
    // Halve the sample count until the driver grants a format, ending with none at all.
    int samples = config.multisample > 0 ? config.multisample : 0;
    const int scale = std::clamp(config.scale, 1, kMaxWindowScale);
    while (!createWithSamples(config, scale, samples)) {
        if (samples == 0) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        samples /= 2;
    }
    // Frames are paced by the runtime's own clock; a vertical-sync wait would add to it.
    SDL_GL_SetSwapInterval(0);
    state.samples = samples;
    state.width = config.width;
    state.height = config.height;
    state.fullScreen = false;
    state.focused = true;
    state.scale = scale;
    state.fitDisplay = config.fitDisplay;
    if ((state.scale > 1 || state.fitDisplay) && !openScaledTarget()) {
        closeWindow();
        return false;
    }
    watchKeyEvents();
    if (!state.fitDisplay) centreInUsableArea();
    if (config.fullScreen && enterFullScreen(config.width, config.height)) return true;
    if (config.visible) enterWindowMode();
    return true;
}

void closeWindow() {
    if (state.window == nullptr) return;
    closeScaledTarget();
    SDL_GL_MakeCurrent(state.window, nullptr);
    SDL_GL_DeleteContext(state.context);
    SDL_DestroyWindow(state.window);
    state = WindowState{};
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool windowOpen() { return state.window != nullptr; }

bool noDisplayFound() { return displayMissing; }

void swapWindow() {
    if (state.window == nullptr) return;
    if (target.framebuffer == 0) {
        SDL_GL_SwapWindow(state.window);
        return;
    }
    blitScaledTarget();
    SDL_GL_SwapWindow(state.window);
    target.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
}

void* glProcAddress(const char* name) {
    if (state.window == nullptr || name == nullptr) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

bool windowHasFocus() { return state.window != nullptr && state.focused; }

void windowToClient(int* x, int* y) {
    if (target.framebuffer == 0) return;
    *x = static_cast<int>(std::floor((*x - target.offsetX) / target.scale));
    *y = static_cast<int>(std::floor((*y - target.offsetY) / target.scale));
}

void clientToWindow(int* x, int* y) {
    if (target.framebuffer == 0) return;
    *x = target.offsetX + static_cast<int>(std::lround(*x * target.scale));
    *y = target.offsetY + static_cast<int>(std::lround(*y * target.scale));
}

void presentationScale(double* scale, int* offsetX, int* offsetY) {
    bool scaled = target.framebuffer != 0;
    *scale = scaled ? target.scale : 1.0;
    *offsetX = scaled ? target.offsetX : 0;
    *offsetY = scaled ? target.offsetY : 0;
}

void blitToWindow() {
    if (state.window == nullptr || target.framebuffer == 0) return;
    blitScaledTarget();
    target.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
}

int grantedMultisample() { return state.samples; }

void windowClientSize(int* width, int* height) {
    *width = state.width;
    *height = state.height;
}

void displaySize(int* width, int* height) {
    *width = *height = 0;
    if (state.window == nullptr) return;
    SDL_DisplayMode mode{};
    int display = SDL_GetWindowDisplayIndex(state.window);
    if (display < 0 || SDL_GetDesktopDisplayMode(display, &mode) != 0) return;
    *width = mode.w;
    *height = mode.h;
}

int displayBitsPerPixel() {
    SDL_DisplayMode mode{};
    if (state.window == nullptr) return 0;
    int display = SDL_GetWindowDisplayIndex(state.window);
    if (display < 0 || SDL_GetDesktopDisplayMode(display, &mode) != 0) return 0;
    return SDL_BITSPERPIXEL(mode.format);
}

void setWindowCaption(const char* caption) {
    if (state.window != nullptr) SDL_SetWindowTitle(state.window, utf8FromCp1252(caption).c_str());
}

bool enterFullScreen(int width, int height) {
    if (state.window == nullptr) return false;
    int display = SDL_GetWindowDisplayIndex(state.window);
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode found{};
    // Only the exact size will do: a larger mode would show the game in a corner.
    if (display < 0 || SDL_GetClosestDisplayMode(display, &wanted, &found) == nullptr ||
        found.w != width || found.h != height) {
        return false;
    }
    if (SDL_SetWindowDisplayMode(state.window, &found) != 0 ||
        SDL_SetWindowFullscreen(state.window, SDL_WINDOW_FULLSCREEN) != 0) {
        return false;
    }
    state.width = width;
    state.height = height;
    state.fullScreen = true;
    raiseWindow();
    return true;
}

void enterWindowMode(bool show) {
    if (state.window == nullptr) return;
    if (state.fitDisplay) {  // the window is the display; nothing to size or centre
        if (show) raiseWindow();
        return;
    }
    if (state.fullScreen) SDL_SetWindowFullscreen(state.window, 0);
    state.fullScreen = false;
    SDL_SetWindowSize(state.window, windowWidth(), windowHeight());
    centreInUsableArea();
    if (show) raiseWindow();
}

bool windowFullScreen() { return state.fullScreen; }

void showWindow() {
    if (state.window != nullptr) SDL_ShowWindow(state.window);
}

void hideWindow() {
    if (state.window != nullptr) SDL_HideWindow(state.window);
}

bool windowVisible() {
    if (state.window == nullptr) return false;
    Uint32 flags = SDL_GetWindowFlags(state.window);
    return (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0;
}

void raiseWindow() {
    if (state.window == nullptr) return;
    SDL_ShowWindow(state.window);
    SDL_RaiseWindow(state.window);
}

void showMessageBox(const char* title, const char* text) {
    std::string t = utf8FromCp1252(title), body = utf8FromCp1252(text);
    if (messageBoxHandler != nullptr) {
        messageBoxHandler(t.c_str(), body.c_str());
        return;
    }
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, t.c_str(), body.c_str(), state.window);
}

void setMessageBoxHandler(void (*fn)(const char*, const char*)) { messageBoxHandler = fn; }

bool pollEvent(Event* event) {
    if (takeInjectedEvent(event)) {
        noteFocus(*event);
        return true;
    }
    if (state.window == nullptr) return false;
    SDL_Event e;
    if (SDL_PollEvent(&e) == 0) return false;
    *event = translate(e);
    noteFocus(*event);
    return true;
}

bool keepVideoLoaded() {
    static bool kept = false;
    if (kept) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    kept = true;
    return true;
}

const char* lastError() { return SDL_GetError(); }

}  // namespace qvt::platform
