#include "platform/joystick.h"

#include <SDL.h>

#include <algorithm>

namespace qvt::platform {

static_assert(kHatUp == SDL_HAT_UP && kHatRight == SDL_HAT_RIGHT && kHatDown == SDL_HAT_DOWN &&
              kHatLeft == SDL_HAT_LEFT);

namespace {

bool joysticksStarted = false;
SDL_Joystick* devices[kMaxJoysticks] = {};

void closeDevice(int index) {
    if (devices[index] != nullptr) SDL_JoystickClose(devices[index]);
    devices[index] = nullptr;
}

// Devices come and go; a detached handle is dropped and the index opened afresh.
SDL_Joystick* deviceAt(int index) {
    SDL_Joystick*& dev = devices[index];
    if (dev != nullptr && !SDL_JoystickGetAttached(dev)) closeDevice(index);
    if (dev == nullptr && index < SDL_NumJoysticks()) dev = SDL_JoystickOpen(index);
    return dev;
}

}  // namespace

bool openJoysticks() {
    if (!joysticksStarted) {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
        joysticksStarted = true;
    }
    for (int i = 0; i < kMaxJoysticks; ++i) deviceAt(i);
    return true;
}

void closeJoysticks() {
    if (!joysticksStarted) return;
    for (int i = 0; i < kMaxJoysticks; ++i) closeDevice(i);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    joysticksStarted = false;
}

int joystickCount() {
    if (!joysticksStarted) return 0;
    return std::max(SDL_NumJoysticks(), 0);
}

bool readJoystick(int index, JoystickSample* out) {
    *out = JoystickSample{};
    if (!joysticksStarted || index < 0 || index >= kMaxJoysticks) return false;
    SDL_JoystickUpdate();
    SDL_Joystick* dev = deviceAt(index);
    if (dev == nullptr) return false;
    out->axisCount = std::clamp(SDL_JoystickNumAxes(dev), 0, kJoystickAxes);
    out->hatCount = std::clamp(SDL_JoystickNumHats(dev), 0, kJoystickHats);
    out->buttonCount = std::clamp(SDL_JoystickNumButtons(dev), 0, kJoystickButtons);
    for (int i = 0; i < out->axisCount; ++i) out->axes[i] = SDL_JoystickGetAxis(dev, i);
    for (int i = 0; i < out->hatCount; ++i) out->hats[i] = SDL_JoystickGetHat(dev, i);
    for (int i = 0; i < out->buttonCount; ++i)
        out->buttons[i] = SDL_JoystickGetButton(dev, i) != 0;
    return true;
}

}  // namespace qvt::platform
