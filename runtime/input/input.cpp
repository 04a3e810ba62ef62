#include "input/input.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/lifecycle.h"
#include "input/input_state.h"
#include "input/typed_text.h"
#include "platform/joystick.h"
#include "platform/keyboard.h"
#include "platform/mouse.h"

namespace qvt {

namespace input {

namespace {

InputObject inputObject;

// Key codes whose key-down types a character, as the system's character messages do.
constexpr std::uint8_t kCodeReturn = 0x1C;
constexpr std::uint8_t kCodeKeypadEnter = 0x9C;
constexpr std::uint8_t kCodeBackspace = 0x0E;
constexpr std::uint8_t kCodeTab = 0x0F;

void typeFromKey(const platform::Event& event) {
    // Alt+key is a system key combination, not typing.
    if (event.altDown) return;
    switch (platform::keyCodeForScancode(event.scancode)) {
        case kCodeReturn:
        case kCodeKeypadEnter: PushTypedChar(13); break;
        case kCodeBackspace: PushTypedChar(8); break;
        case kCodeTab: PushTypedChar(9); break;
        default: break;
    }
}

void typeText(const char* text) {
    // Control characters reach the buffer from key-down events only; should a text event
    // ever carry one too, it would arrive twice.
    constexpr std::size_t kTextBytes = sizeof platform::Event{}.text;
    const void* end = std::memchr(text, 0, kTextBytes);
    std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : kTextBytes;
    std::uint8_t bytes[kTextBytes];
    std::size_t n = utf8ToWindows1252(std::string_view(text, length), bytes, sizeof bytes);
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] >= 32) PushTypedChar(bytes[i]);
    }
}

void addWheel(int steps) {
    // Saturate: the record only carries the sign, but an overflow would flip it.
    std::int64_t sum = static_cast<std::int64_t>(inputObject.mouse.wheel) + steps;
    inputObject.mouse.wheel = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool anyKeyDown() {
    for (int code = 0; code < platform::kKeyCodeCount - 1; ++code) {
        if ((inputObject.keys[code] & platform::kKeyDownBit) != 0) return true;
    }
    return false;
}

bool mouseChanged(const MouseRecord& now, const MouseRecord& then) {
    return now.x != then.x || now.y != then.y || now.left != then.left ||
           now.right != then.right || now.middle != then.middle;
}

}  // namespace

InputObject& object() { return inputObject; }

void PollForFrame() {
    inputObject.pollCounter = 0;
    platform::keyboardBeginFrame();
    PollKeyboard();
    MouseState discarded;
    PollMouse(discarded, true);
}

void HandleEvent(const platform::Event& event) {
    switch (event.type) {
        case platform::EventType::Text: typeText(event.text); break;
        case platform::EventType::KeyDown: typeFromKey(event); break;
        case platform::EventType::MouseWheel: addWheel(event.wheelY); break;
        default: break;
    }
}

void TakeActivitySnapshot() {
    sampleMouse(inputObject.mouse, inputObject.pointerVisible);
    inputObject.snapshot = inputObject.mouse;
}

bool ActivitySinceSnapshot() {
    PollKeyboard();
    if (anyKeyDown()) return true;
    sampleMouse(inputObject.mouse, inputObject.pointerVisible);
    if (mouseChanged(inputObject.mouse, inputObject.snapshot)) return true;
    for (int i = 0; i < platform::kMaxJoysticks; ++i) {
        if (joystickActive(i)) return true;
    }
    return false;
}

void RestorePointerMode() {
    platform::setPointerHidden(!inputObject.pointerVisible);
}

void ReleasePointer() { platform::setPointerHidden(false); }

void Reset() {
    bool started = inputObject.started;
    bool visible = inputObject.pointerVisible;
    inputObject = InputObject{};
    inputObject.started = started;
    inputObject.pointerVisible = visible;
}

}  // namespace input

// ---- Start and end ------------------------------------------------------------------

void InitInput(bool exclusiveMouse) {
    input::InputObject& in = input::inputObject;
    input::Reset();
    // Joysticks are optional: without SDL's joystick support they simply read as absent.
    platform::openJoysticks();
    platform::startTextInput();
    platform::MouseSample at = platform::mouseAbsolute();
    in.mouse.x = in.mouse.prevX = at.x;
    in.mouse.y = in.mouse.prevY = at.y;
    in.pointerVisible = !exclusiveMouse;
    input::RestorePointerMode();
    in.started = true;
    RegisterShutdownStep(ShutdownStep::Input, ShutdownInput);
}

void ShutdownInput() {
    input::InputObject& in = input::inputObject;
    if (in.started) {
        platform::closeJoysticks();
        platform::setPointerHidden(false);
    }
    in = input::InputObject{};
}

// ---- Keyboard -----------------------------------------------------------------------

void PollKeyboard() {
    if (!platform::keyboardHasFocus()) return;
    platform::readKeyStates(input::inputObject.keys.data());
}

std::int32_t KeyDown(double code) {
    input::InputObject& in = input::inputObject;
    if (++in.pollCounter > kKeyQueriesPerPoll) {
        in.pollCounter = 0;
        PollKeyboard();
    }
    // The comparison also rejects NaN.
    if (!(code > -1.0 && code < 256.0)) return 0;
    auto index = static_cast<std::size_t>(code);
    return (in.keys[index] & platform::kKeyDownBit) != 0 ? 1 : 0;
}

// ---- Typed characters ---------------------------------------------------------------

void PushTypedChar(std::uint8_t c) {
    input::InputObject& in = input::inputObject;
    if (c == 0) return;
    if (c == 13) c = 10;
    if (c < 32 && c != 8 && c != 9 && c != 10) return;
    if (in.typedCount >= kMaxTypedChars) return;
    in.typed[static_cast<std::size_t>(in.typedCount++)] = c;
}

RuntimeString InKey() {
    input::InputObject& in = input::inputObject;
    if (in.typedCount == 0) return RuntimeString();
    char c = static_cast<char>(in.typed[0]);
    std::memmove(in.typed.data(), in.typed.data() + 1, static_cast<std::size_t>(--in.typedCount));
    return RuntimeString(&c, 1);
}

}  // namespace qvt
