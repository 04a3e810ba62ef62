// A scripted keyboard for tests: the test says which keys are down and whether the game
// window has the focus, and types text through the same events real typing produces.
//
//   ScriptedInput keys;          // installed; focus on, nothing down, input state reset
//   keys.press(44);              // [Z] held ...
//   keys.release(44);            // ... until released
//   keys.type("HELLO\n");        // five characters, then Enter
//
// Key states reach the runtime when it samples the keyboard: every ShowScreen, and after
// every 129 KeyDown queries. Typed text is delivered at once (into the pending characters
// that InKey drains, which hold at most 16).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/keyboard.h"

namespace qvt::test {

class ScriptedInput {
public:
    // Installs itself as the keyboard source and resets the runtime's input state.
    ScriptedInput();
    // Puts the system keyboard back and resets the input state again.
    ~ScriptedInput();
    ScriptedInput(const ScriptedInput&) = delete;
    ScriptedInput& operator=(const ScriptedInput&) = delete;

    // Holds key code (0..255) down until release / releaseAll.
    void press(int code) { holdForSamples(code, 0); }
    void release(int code);
    void releaseAll() { keys_.fill({}); }
    // Holds code down for the next `samples` keyboard samples (0: until released), then lets
    // go: the only hold that can end inside a wait that samples the keyboard without frames.
    void holdForSamples(int code, int samples);

    // Types UTF-8 text: "\n" is the Return key, "\b" Backspace, "\t" Tab; everything else
    // goes out as text events (converted to Windows-1252 by the runtime).
    void type(std::string_view utf8);
    // One key-down event of key code (what a keypress or its auto-repeat sends).
    void keyEvent(int code, bool repeat = false, bool altDown = false);

    // Keyboard samples taken since installation (frames and re-polls).
    int samples() const { return samples_; }

private:
    void readKeys(std::uint8_t* states);

    struct Key {
        bool held = false;
        int samplesLeft = 0;  // keyboard samples until a held key lets go; 0: never
    };
    std::array<Key, platform::kKeyCodeCount> keys_{};
    int samples_ = 0;
};

// One row of a frame-by-frame key script: the keys `down` go down and `up` come up before
// frame `frame` (from 1) runs, and `want` is checked after it. With `samples` > 0 the keys
// of `down` are held for that many keyboard samples only.
template <typename Want>
struct ScriptRow {
    int frame = 0;
    std::vector<int> down;
    std::vector<int> up;
    Want want{};
    int samples = 0;
};

// Applies the key changes of the rows of `frame` (rows in increasing frame order).
template <typename Want>
void applyKeys(ScriptedInput& keys, const std::vector<ScriptRow<Want>>& rows, int frame) {
    for (const ScriptRow<Want>& r : rows) {
        if (r.frame != frame) continue;
        for (int k : r.up) keys.release(k);
        for (int k : r.down) keys.holdForSamples(k, r.samples);
    }
}

// Checks the wants of the rows of `frame` with check(want), traced with the frame number.
template <typename Want, typename Check>
void checkRows(const std::vector<ScriptRow<Want>>& rows, int frame, Check&& check) {
    for (const ScriptRow<Want>& r : rows) {
        if (r.frame != frame) continue;
        SCOPED_TRACE(testing::Message() << "script frame " << frame);
        check(r.want);
    }
}

// Runs frames 1 to the last row's with runFrame(): each frame's keys, the frame, its checks.
template <typename Want, typename RunFrame, typename Check>
void runKeyScript(ScriptedInput& keys, const std::vector<ScriptRow<Want>>& rows,
                  RunFrame&& runFrame, Check&& check) {
    const int last = rows.empty() ? 0 : rows.back().frame;
    for (int f = 1; f <= last; ++f) {
        applyKeys(keys, rows, f);
        runFrame();
        checkRows(rows, f, check);
    }
}

}  // namespace qvt::test
