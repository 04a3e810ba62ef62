// Running the game's routines in a test: the headless runtime on the virtual clock, keys
// scripted frame by frame, and a look at every frame the routine shows.
//
// The game's routines loop on ShowScreen until some key ends them. The harness puts a
// frame observer at the start of ShowScreen: it counts the frame, runs the test's script
// for it (which sets the keys the frame's poll will see, and may look at GameGlobals and
// at the pixels of the frame just drawn), and leaves the routine by throwing LeaveRoutine
// when the script says so or the frame limit is reached.
//
//   TEST_F(TitleTest, StartsOnPress) {
//       int frames = runRoutine(game::TitleScreen, 100, [&](int frame) {
//           if (frame == 3) keys().press(2);
//       });
//   }
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/testing.h"
#include "core/random.h"
#include "files/channels.h"
#include "game/globals.h"
#include "gfx/font.h"
#include "input/input.h"
#include "platform/keyboard.h"
#include "support/headless.h"
#include "support/pixels.h"
#include "support/files.h"
#include "support/loopback_server.h"
#include "support/scripted_input.h"

namespace qvt::test {

// Thrown from the frame observer to leave the routine under test.
struct LeaveRoutine {};

// The keyboard as ScriptedInput scripts it, plus holds that end after a number of keyboard
// samples rather than frames: the game waits for some releases without showing a frame,
// sampling the keyboard meanwhile, and only such a hold can end inside that wait.
//
// Installed over ScriptedInput's own source; use press/release (not tap, whose frame
// count belongs to ScriptedInput's source). ScriptedInput's destructor puts the system
// keyboard back, so this one must go first.
class SampledKeys {
public:
    explicit SampledKeys(ScriptedInput& keys) : keys_(keys) {
        platform::KeyboardSource src{hasFocus, readKeys, nullptr, this};
        platform::setKeyboardSource(&src);
    }
    SampledKeys(const SampledKeys&) = delete;
    SampledKeys& operator=(const SampledKeys&) = delete;

    // Holds code down for the next `samples` keyboard samples, then releases it.
    void holdForSamples(int code, int samples) {
        keys_.press(code);
        budget_[static_cast<std::size_t>(code)] = samples;
    }
    // Keyboard samples taken so far.
    int samples() const { return samples_; }

private:
    static bool hasFocus(void*) { return true; }
    static void readKeys(void* self, std::uint8_t* states) {
        auto* s = static_cast<SampledKeys*>(self);
        ++s->samples_;
        for (int code = 0; code < platform::kKeyCodeCount; ++code) {
            auto c = static_cast<std::size_t>(code);
            states[c] = s->keys_.isDown(code) ? platform::kKeyDownBit : 0;
            if (s->budget_[c] > 0 && --s->budget_[c] == 0) s->keys_.release(code);
        }
    }

    ScriptedInput& keys_;
    std::array<int, platform::kKeyCodeCount> budget_{};
    int samples_ = 0;
};

// Writes a 24-bit BMP of width x height whose pixel (x, y), y from the top, is colour(x, y).
inline void writeBmp(const std::string& path, int width, int height,
                     const std::function<FramePixel(int, int)>& colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride * height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &pixels[static_cast<std::size_t>((height - 1 - y) * stride)];
        for (int x = 0; x < width; ++x) {
            FramePixel c = colour(x, y);
            row[x * 3 + 0] = static_cast<std::uint8_t>(c.b);
            row[x * 3 + 1] = static_cast<std::uint8_t>(c.g);
            row[x * 3 + 2] = static_cast<std::uint8_t>(c.r);
        }
    }
    auto le = [](std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    std::vector<std::uint8_t> file{'B', 'M'};
    le(file, 54 + static_cast<std::uint32_t>(pixels.size()), 4);
    le(file, 0, 4);
    le(file, 54, 4);
    le(file, 40, 4);
    le(file, static_cast<std::uint32_t>(width), 4);
    le(file, static_cast<std::uint32_t>(height), 4);
    le(file, 1, 2);
    le(file, 24, 2);
    for (int i = 0; i < 6; ++i) le(file, 0, 4);
    file.insert(file.end(), pixels.begin(), pixels.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
}

// A font image for tests: 16 x 16 cells, 128 glyphs, each printable character (33..126) a
// solid square whose red channel is its character code and whose green is 255; everything
// else black, which the font key makes transparent. Text on screen can then be read back
// cell by cell. Written as a BMP, which the font loader tries first whatever the name.
inline void writeCodeFont(const std::string& path) {
    writeBmp(path, 256, 128, [](int x, int y) {
        int c = y / 16 * 16 + x / 16;
        return c >= 33 && c <= 126 ? FramePixel{c, 255, 0} : FramePixel{0, 0, 0};
    });
}

// The characters drawn with the code font in n cells from (x, y) of the frame being drawn:
// a cell whose centre shows no glyph reads as a blank.
inline std::string readText(int x, int y, int n) {
    std::vector<FramePixel> row = readFrameRect(x, y + 8, 16 * n, 1);
    std::string text;
    for (int k = 0; k < n && static_cast<std::size_t>(16 * k + 8) < row.size(); ++k) {
        const FramePixel& p = row[static_cast<std::size_t>(16 * k + 8)];
        text += p.g >= 250 && p.r >= 33 && p.r <= 126 ? static_cast<char>(p.r) : ' ';
    }
    return text;
}

// A fixture with the headless runtime, scripted keys, the game's globals reset with their
// tables created, and the code font as font 0.
class GameTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        if (HasFatalFailure()) return;
        // No routine reaches a hiscore server the test did not start.
        std::string noServer = "127.0.0.1:" + std::to_string(LoopbackServer::closedPort());
        serverEnv_ = std::make_unique<ScopedEnv>("RAYVAULTER_HISCORE_SERVER", noServer.c_str());
        keys_ = std::make_unique<ScriptedInput>();
        game::ResetGlobals();
        game::CreateHiscoreTables();
        game::CreatePlayTables();
        fontPath_ = runtime->tempDir() + "codefont.bmp";
        writeCodeFont(fontPath_);
        LoadFontFile(RuntimeString(fontPath_.c_str()), 0);
        SelectFont(0);
        SeedRandom(1);
    }
    void TearDown() override {
        SetFrameObserver(nullptr, nullptr);
        sampled_.reset();
        keys_.reset();
        game::ResetGlobals();
        serverEnv_.reset();
        HeadlessTest::TearDown();
    }

    // Runs routine with script called at the start of every ShowScreen it reaches (frame
    // numbers from 1). Leaves it when the script calls leave() or after maxFrames frames,
    // which fails the test. Returns the frames shown; returned() tells whether the routine
    // came back by itself.
    int runRoutine(void (*routine)(), int maxFrames, std::function<void(int)> script = {}) {
        frame_ = 0;
        maxFrames_ = maxFrames;
        leave_ = false;
        returned_ = false;
        script_ = std::move(script);
        // The keys as the last frame's poll would have left them.
        PollKeyboard();
        SetFrameObserver(onFrame, this);
        try {
            routine();
            returned_ = true;
        } catch (const LeaveRoutine&) {
        }
        SetFrameObserver(nullptr, nullptr);
        return frame_;
    }
    // From a script: the routine is left at the start of its next frame.
    void leave() { leave_ = true; }
    bool returned() const { return returned_; }
    bool timedOut() const { return timedOut_; }
    int frame() const { return frame_; }

    ScriptedInput& keys() { return *keys_; }
    // Installed on first use; from then on the test's keys go through press/release only.
    SampledKeys& sampled() {
        if (!sampled_) sampled_ = std::make_unique<SampledKeys>(*keys_);
        return *sampled_;
    }
    const std::string& fontPath() const { return fontPath_; }

private:
    static void onFrame(void* self) {
        auto* t = static_cast<GameTest*>(self);
        ++t->frame_;
        if (t->leave_) throw LeaveRoutine{};
        if (t->frame_ > t->maxFrames_) {
            t->timedOut_ = true;
            ADD_FAILURE() << "the routine was still running after " << t->maxFrames_ << " frames";
            throw LeaveRoutine{};
        }
        if (t->script_) t->script_(t->frame_);
    }

    std::unique_ptr<ScriptedInput> keys_;
    std::unique_ptr<SampledKeys> sampled_;
    std::function<void(int)> script_;
    std::string fontPath_;
    std::unique_ptr<ScopedEnv> serverEnv_;
    int frame_ = 0;
    int maxFrames_ = 0;
    bool leave_ = false;
    bool returned_ = false;
    bool timedOut_ = false;
};

}  // namespace qvt::test
