#include "app/testing.h"
#include "support/scripted_input.h"

#include <algorithm>
#include <cstring>

#include "input/input.h"
#include "platform/events.h"

namespace qvt::test {

namespace {

bool validCode(int code) { return code >= 0 && code < platform::kKeyCodeCount; }

void sendText(std::string_view utf8) {
    platform::Event e;
    e.type = platform::EventType::Text;
    // One event per run of text, as a system sends a short burst of typing.
    if (utf8.size() >= sizeof e.text) ADD_FAILURE() << "text run too long for one event: " << utf8;
    const std::size_t n = std::min(utf8.size(), sizeof e.text - 1);
    std::memcpy(e.text, utf8.data(), n);
    e.text[n] = 0;
    if (n > 0) input::HandleEvent(e);
}

}  // namespace

ScriptedInput::ScriptedInput() {
    platform::KeyboardSource src{
        [](void*) { return true; },
        [](void* self, std::uint8_t* out) { static_cast<ScriptedInput*>(self)->readKeys(out); },
        nullptr, this};
    platform::setKeyboardSource(&src);
    input::Reset();
}

ScriptedInput::~ScriptedInput() {
    platform::setKeyboardSource(nullptr);
    // Keys it held must not stay down once the script is gone.
    input::Reset();
}

void ScriptedInput::release(int code) {
    if (validCode(code)) keys_[code] = {};
}

void ScriptedInput::holdForSamples(int code, int samples) {
    if (validCode(code)) keys_[code] = {true, std::max(samples, 0)};
}

void ScriptedInput::keyEvent(int code, bool repeat, bool altDown) {
    if (!validCode(code)) return;
    platform::Event e;
    e.type = platform::EventType::KeyDown;
    e.scancode = platform::scancodeForKeyCode(static_cast<std::uint8_t>(code));
    e.repeat = repeat;
    e.altDown = altDown;
    input::HandleEvent(e);
}

void ScriptedInput::type(std::string_view utf8) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const int k = utf8[i] == '\n' ? 0x1C : utf8[i] == '\b' ? 0x0E : utf8[i] == '\t' ? 0x0F : 0;
        if (k == 0) continue;
        sendText(utf8.substr(start, i - start));
        keyEvent(k);
        start = i + 1;
    }
    sendText(utf8.substr(start));
}

void ScriptedInput::readKeys(std::uint8_t* states) {
    ++samples_;
    for (int code = 0; code < platform::kKeyCodeCount; ++code) {
        Key& k = keys_[code];
        states[code] = k.held ? platform::kKeyDownBit : 0;
        if (k.samplesLeft > 0 && --k.samplesLeft == 0) k.held = false;
    }
}

}  // namespace qvt::test
