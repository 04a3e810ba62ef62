// Running the game's routines in a test: the headless runtime on the virtual clock, keys
// scripted frame by frame, sounds and music observed through the runtime, and a look at
// every frame a routine shows.
//
// The game's routines loop on ShowScreen until some key ends them. runRoutine puts a frame
// observer at the start of ShowScreen: it counts the frame, runs the test's script for it
// (which sets the keys the frame's poll will see, and may look at GameGlobals and at the
// pixels of the frame just drawn), and leaves the routine by throwing LeaveRoutine when the
// script says so or the frame limit is reached.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/testing.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/play.h"
#include "game/routines.h"
#include "game/screens.h"
#include "gfx/image_encode.h"
#include "quivent.h"
#include "runtime/audio/audio_test_util.h"
#include "support/files.h"
#include "support/gl_fixture.h"
#include "support/headless.h"
#include "support/loopback_server.h"
#include "support/pixels.h"
#include "support/scripted_input.h"

namespace qvt::test {

using game::G;
using game::GameGlobals;

// Key codes the game reads.
inline constexpr int kKey1 = 2, kKeyQ = 16, kKeyP = 25, kKeyEnter = 28, kKeyS = 31, kKeyZ = 44,
                     kKeyX = 45;

// Thrown from the frame observer to leave the routine under test.
struct LeaveRoutine {};

// Writes a PNG of width x height whose pixel (x, y), y from the top, is colour(x, y).
inline void writeImage(const std::string& path, int width, int height,
                       const std::function<FramePixel(int, int)>& colour) {
    writeBytes(path, EncodePng(makeImage(width, height,
                                         [&](int x, int y) { return opaque(colour(x, y)); })));
}

// A font of 16 x 16 cells whose printable characters (33..126) are solid squares of green
// 255 with the character code in red; the rest black, which the font key makes
// transparent. Text on screen can then be read back cell by cell.
inline void writeCodeFont(const std::string& path) {
    writeImage(path, 256, 128, [](int x, int y) {
        const int c = y / 16 * 16 + x / 16;
        return c >= 33 && c <= 126 ? FramePixel{c, 255, 0} : FramePixel{0, 0, 0};
    });
}

// The characters drawn with the code font in n cells from (x, y) of the frame being drawn:
// a cell whose centre shows no glyph reads as a blank, and one whose corners do not all show
// the centre's glyph (a text off its cell by a pixel or more) as '?'.
inline std::string readCells(int x, int y, int n) {
    const std::vector<FramePixel> rect = readFrameRect(x, y, 16 * n, 16);
    const auto code = [&](int px, int py) {
        const std::size_t at = static_cast<std::size_t>(py * 16 * n + px);
        if (at >= rect.size()) return ' ';
        const FramePixel& p = rect[at];
        return p.g >= 250 && p.r >= 33 && p.r <= 126 ? static_cast<char>(p.r) : ' ';
    };
    std::string text;
    for (int k = 0; k < n; ++k) {
        const char c = code(16 * k + 8, 8);
        const bool whole = c == ' ' || (code(16 * k, 0) == c && code(16 * k + 15, 0) == c &&
                                        code(16 * k, 15) == c && code(16 * k + 15, 15) == c);
        text += whole ? c : '?';
    }
    return text;
}

// The first `lines` lines of a hiscore file whose entry i is named prefix + i, scores
// step * (i + 1) and has the sent mark `sent`.
inline std::string hiscoreLines(int lines, const std::string& prefix, double step,
                                const std::string& sent, bool finalNewline = true) {
    std::string text;
    for (int n = 0; n < lines; ++n) {
        const int i = n / 3;
        const std::string name = prefix + std::to_string(i);
        const RuntimeString field = n % 3 == 0   ? RuntimeString(name.c_str())
                                    : n % 3 == 1 ? NumberToString(step * (i + 1))
                                                 : RuntimeString(sent.c_str());
        text += EncryptText(game::kHiscoreKey, field).c_str();
        if (finalNewline || n + 1 < lines) text += "\r\n";
    }
    return text;
}

// The local table as the start-up sets it: ORVELSOFT (or prefix + i), 1000 * (i + 1), sent.
inline void fillLocalTable(const std::string& prefix = "") {
    for (int i = 0; i < game::kHiscoreEntries; ++i) {
        const std::string name = prefix.empty() ? "ORVELSOFT" : prefix + std::to_string(i);
        game::G().LocalScore(i) = 1000.0 * (i + 1);
        game::G().LocalName(i) = RuntimeString(name.c_str());
        game::G().LocalSent(i) = 1;
    }
}
inline std::string localName(int i) { return game::G().LocalName(i).c_str(); }

// Voices of a sound slot that play now.
inline int voicesPlaying(double slot) {
    int n = 0;
    for (int v = 0; v < kMaxSoundVoices; ++v) n += SoundPlaying(slot * 256 + v);
    return n;
}

// Something a script row can check after a frame: a field of the globals, or what plays.
struct Probe {
    const char* name;
    double (*get)();
};
#define QVT_FIELD(f) \
    Probe { #f, [] { return static_cast<double>(game::G().f); } }
inline const Probe kMusic{"music playing", [] { return static_cast<double>(MusicPlaying()); }};
inline const Probe kIntro{"intro voices", [] { return static_cast<double>(voicesPlaying(1)); }};
inline const Probe kState = QVT_FIELD(GameState);
inline const Probe kPhase = QVT_FIELD(PlayPhase);
inline const Probe kScore = QVT_FIELD(Score);
inline const Probe kSoundOn = QVT_FIELD(SoundOn);
inline const Probe kSoundHeld = QVT_FIELD(SoundKeyHeld);

using Want = std::vector<std::pair<Probe, double>>;
using Row = ScriptRow<Want>;

inline void expectWant(const Want& want) {
    for (const auto& [probe, value] : want) EXPECT_EQ(probe.get(), value) << probe.name;
}

// The headless runtime, scripted keys, the game's globals reset with their tables created,
// and the code font as font 0.
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
        const std::string font = runtime->tempDir() + "codefont.png";
        writeCodeFont(font);
        LoadFontFile(RuntimeString(font.c_str()), 0);
        SelectFont(0);
        SeedRandom(1);
    }
    void TearDown() override {
        SetFrameObserver(nullptr, nullptr);
        keys_.reset();
        game::ResetGlobals();
        serverEnv_.reset();
        HeadlessTest::TearDown();
    }

    // A media folder as the current one with the game's four sounds (each a 20-second silent
    // WAV, so a play shows as a busy voice for the whole test, unless `sound` gives other
    // samples) and "dune/music.mp3" (empty: it plays silently but counts as set up; "null.mp3"
    // does not exist, so MusicPlaying() is 1 exactly while the game's own tune runs).
    void useGameMedia(const std::function<Bytes(int slot)>& sound = {}) {
        const std::string media = runtime->tempDir() + "Media/";
        std::filesystem::create_directories(media + "dune");
        writeBytes(media + "dune/music.mp3", std::string());
        const Bytes silent = wavFile(1, 8000, 16, std::vector<std::int32_t>(8000 * 20, 0));
        ASSERT_EQ(ChangeDirectory(RuntimeString(media.c_str())), 1);
        const char* names[] = {"intro", "explode", "bonus", "levelup"};
        for (int slot = 1; slot <= 4; ++slot) {
            const std::string file = std::string("dune/") + names[slot - 1] + ".wav";
            writeBytes(media + file, sound ? sound(slot) : silent);
            LoadSound(RuntimeString(file.c_str()), slot, 4);
        }
        ASSERT_EQ(PlaySound(1, 0, 0), 256) << "the sounds load and the device plays";
        StopAllSounds();
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
        PollKeyboard();  // the keys as the last frame's poll would have left them
        SetFrameObserver(onFrame, this);
        try {
            routine();
            returned_ = true;
        } catch (const LeaveRoutine&) {
        }
        SetFrameObserver(nullptr, nullptr);
        return frame_;
    }
    // Runs routine under a key script: at frame f the rows of f are checked (the state the
    // pass that drew f left) and the keys of the rows of f + 1 are set for the next pass.
    // Leaves after the last row's frame, which the routine must reach.
    void runScript(void (*routine)(), const std::vector<Row>& rows) {
        applyKeys(keys(), rows, 1);
        const int frames = runRoutine(routine, rows.back().frame + 1, [&](int f) {
            checkRows(rows, f, expectWant);
            if (f == rows.back().frame) leave();
            applyKeys(keys(), rows, f + 1);
        });
        EXPECT_GE(frames, rows.back().frame) << "the routine ended before its script";
    }
    // From a script: the routine is left at the start of its next frame.
    void leave() { leave_ = true; }
    bool returned() const { return returned_; }

    ScriptedInput& keys() { return *keys_; }

private:
    static void onFrame(void* self) {
        auto* t = static_cast<GameTest*>(self);
        ++t->frame_;
        if (t->leave_) throw LeaveRoutine{};
        if (t->frame_ > t->maxFrames_) {
            ADD_FAILURE() << "the routine was still running after " << t->maxFrames_ << " frames";
            throw LeaveRoutine{};
        }
        if (t->script_) t->script_(t->frame_);
    }

    std::unique_ptr<ScriptedInput> keys_;
    std::function<void(int)> script_;
    std::unique_ptr<ScopedEnv> serverEnv_;
    int frame_ = 0;
    int maxFrames_ = 0;
    bool leave_ = false;
    bool returned_ = false;
};


// Lane n's left edge.
inline double laneX(int n) { return 192 + 64.0 * n; }

// The play field: the game's media, and frames of the rules run one at a time.
class PlayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        SetClearColour(-1);
        useGameMedia();
        game::G().SoundOn = 1;
    }

    // One frame as MainGame runs it but without the drawing, which the rules do not need
    // (and which takes most of a frame's time). The ShowScreen that ends the previous frame
    // comes first, so keys pressed before the call reach this frame.
    void playFrame() {
        runtime->frame();
        game::PlayKeys();
        game::PlayRules();
    }
    // NewGameInit and the intro: 172 frames, the last of them the first frame of play.
    void startPlay() {
        game::NewGameInit();
        for (int i = 0; i < 172; ++i) playFrame();
        ASSERT_EQ(game::G().PlayPhase, game::kPhasePlay) << "the intro lasts 172 frames";
    }
    void runPlayScript(const std::vector<Row>& rows) {
        runKeyScript(keys(), rows, [&] { playFrame(); }, expectWant);
    }
    // No crates, no bonus items, and no new ones for a long while.
    static void clearField() {
        clearCrates();
        for (int i = 0; i < game::kBonusSlots; ++i) game::G().BonusState(i) = 0;
        game::G().CrateTimer = 1000;
        game::G().BonusTimer = 1000;
    }
    static void clearCrates() {
        for (int i = 0; i < game::kCrateSlots; ++i) game::G().CrateState(i) = 0;
    }
    // A falling crate segment or bonus item in slot.
    static void putCrate(int slot, double x, double y, double speed) {
        GameGlobals& g = G();
        g.CrateX(slot) = x;
        g.CrateY(slot) = y;
        g.CrateSpeed(slot) = speed;
        g.CrateState(slot) = 1;
    }
    static void putBonus(int slot, double x, double y, double speed) {
        GameGlobals& g = G();
        g.BonusX(slot) = x;
        g.BonusY(slot) = y;
        g.BonusSpeed(slot) = speed;
        g.BonusState(slot) = 1;
    }
};

}  // namespace qvt::test
