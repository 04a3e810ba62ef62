#include "app/testing.h"
#include "support/scripted_input.h"

#include <cstring>

#include "input/input.h"
#include "platform/events.h"

namespace qvt::test {

namespace {

constexpr int kCodeReturn = 0x1C;
constexpr int kCodeBackspace = 0x0E;
constexpr int kCodeTab = 0x0F;

bool validCode(int code) { return code >= 0 && code < platform::kKeyCodeCount; }

// Text events carry at most this many bytes; longer text is split between characters.
constexpr std::size_t kTextChunk = sizeof platform::Event{}.text - 1;

std::size_t chunkLength(std::string_view utf8) {
    if (utf8.size() <= kTextChunk) return utf8.size();
    std::size_t n = kTextChunk;
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    return n > 0 ? n : kTextChunk;
}

}  // namespace

ScriptedInput::ScriptedInput() {
    platform::KeyboardSource src{hasFocus, readKeys, beginFrame, this};
    platform::setKeyboardSource(&src);
    input::Reset();
}

ScriptedInput::~ScriptedInput() {
    platform::setKeyboardSource(nullptr);
    // Keys it held must not stay down once the script is gone.
    input::Reset();
}

void ScriptedInput::press(int code) {
    if (validCode(code)) keys_[code].held = true;
}

void ScriptedInput::release(int code) {
    if (validCode(code)) keys_[code] = {};
}

void ScriptedInput::releaseAll() { keys_.fill({}); }

void ScriptedInput::tap(int code, int frames) {
    if (!validCode(code) || frames < 1) return;
    keys_[code].tapFrom = frames_ + 1;
    keys_[code].tapUntil = frames_ + frames;
}

void ScriptedInput::holdForSamples(int code, int samples) {
    if (!validCode(code) || samples < 1) return;
    keys_[code].held = true;
    keys_[code].samplesLeft = samples;
}

bool ScriptedInput::isDown(int code) const {
    if (!validCode(code)) return false;
    const Key& k = keys_[code];
    return k.held || (k.tapFrom > 0 && frames_ >= k.tapFrom && frames_ <= k.tapUntil);
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

void ScriptedInput::sendText(std::string_view utf8) {
    while (!utf8.empty()) {
        std::size_t n = chunkLength(utf8);
        platform::Event e;
        e.type = platform::EventType::Text;
        std::memcpy(e.text, utf8.data(), n);
        e.text[n] = 0;
        input::HandleEvent(e);
        utf8.remove_prefix(n);
    }
}

void ScriptedInput::type(std::string_view utf8) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= utf8.size(); ++i) {
        char c = i < utf8.size() ? utf8[i] : 0;
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            sendText(utf8.substr(start, i - start));
            start = i + 1;  // "\r\n" is one Return
            continue;
        }
        int key = c == '\n' || c == '\r' ? kCodeReturn
                  : c == '\b'            ? kCodeBackspace
                  : c == '\t'            ? kCodeTab
                                         : 0;
        if (key == 0 && i < utf8.size()) continue;
        sendText(utf8.substr(start, i - start));
        if (key != 0) keyEvent(key);
        start = i + 1;
    }
}

bool ScriptedInput::hasFocus(void* self) { return static_cast<ScriptedInput*>(self)->focused_; }

void ScriptedInput::readKeys(void* self, std::uint8_t* states) {
    auto* s = static_cast<ScriptedInput*>(self);
    ++s->samples_;
    for (int code = 0; code < platform::kKeyCodeCount; ++code) {
        Key& k = s->keys_[code];
        states[code] = s->isDown(code) ? platform::kKeyDownBit : 0;
        if (k.samplesLeft > 0 && --k.samplesLeft == 0) k.held = false;
    }
}

void ScriptedInput::beginFrame(void* self) { ++static_cast<ScriptedInput*>(self)->frames_; }

}  // namespace qvt::test
