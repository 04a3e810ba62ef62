// The play field under test: the game harness with sounds in slots 1 to 4, a music file the
// game can start, and frames of MainGame run one at a time.
//
// Sound and music are observed through the runtime: a sound slot holds a 20-second silent
// WAV, so a play shows as a busy voice for the length of any test; "dune/music.mp3" exists
// (empty, so it plays silently but counts as set up), and "null.mp3" does not, so
// MusicPlaying() is 1 exactly while the game's own tune runs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "app/frame.h"
#include "core/random.h"
#include "files/filesystem.h"
#include "game/globals.h"
#include "game/play.h"
#include "game/routines.h"
#include "game/screens.h"
#include "gfx/screen.h"
#include "runtime/audio/audio_test_util.h"
#include "game/game_harness.h"

namespace qvt::test {

// Frames from NewGameInit to the first frame of play (that frame included).
inline constexpr int kIntroFrames = 172;

class PlayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        SetClearColour(-1);
        makeMedia();
        game::G().SoundOn = 1;
    }

    // One frame as MainGame runs it. The ShowScreen that ends the previous frame comes
    // first, so keys pressed before the call reach this frame, and after the call the frame
    // just drawn can still be read back.
    void playFrame() {
        runtime->frame();
        game::PlayFrame();
    }
    void playFrames(int n) {
        for (int i = 0; i < n; ++i) playFrame();
    }
    // A key down for the next frame only.
    void playFrameWithKey(int code) {
        keys().press(code);
        playFrame();
        keys().release(code);
    }
    // NewGameInit and the intro: after it the first frame of play has run.
    void startPlay() {
        game::NewGameInit();
        playFrames(kIntroFrames);
        ASSERT_EQ(game::G().PlayPhase, game::kPhasePlay) << "the intro lasts 172 frames";
    }
    // No crates, no bonus items, and no new ones for a long while.
    static void clearField() {
        game::GameGlobals& g = game::G();
        for (int i = 0; i < game::kCrateSlots; ++i) g.CrateState(i) = 0;
        for (int i = 0; i < game::kBonusSlots; ++i) g.BonusState(i) = 0;
        g.CrateTimer = 1000;
        g.BonusTimer = 1000;
    }
    static void clearCrates() {
        for (int i = 0; i < game::kCrateSlots; ++i) game::G().CrateState(i) = 0;
    }
    // A falling crate segment in slot.
    static void putCrate(int slot, double x, double y, double speed) {
        game::GameGlobals& g = game::G();
        g.CrateX(slot) = x;
        g.CrateY(slot) = y;
        g.CrateSpeed(slot) = speed;
        g.CrateState(slot) = 1;
    }
    static void putBonus(int slot, double x, double y, double speed) {
        game::GameGlobals& g = game::G();
        g.BonusX(slot) = x;
        g.BonusY(slot) = y;
        g.BonusSpeed(slot) = speed;
        g.BonusState(slot) = 1;
    }

    // Voices of the sound slot playing now.
    static int voicesPlaying(double slot) {
        int n = 0;
        for (int v = 0; v < kMaxSoundVoices; ++v) n += SoundPlaying(slot * 256 + v);
        return n;
    }

private:
    void makeMedia() {
        const std::string media = runtime->tempDir() + "Media/";
        std::filesystem::create_directories(media + "dune");
        std::ofstream(media + "dune/music.mp3", std::ios::binary);  // empty
        const Bytes wav = wavFile(1, 8000, 16, std::vector<std::int32_t>(8000 * 20, 0));
        for (const char* name : {"intro", "explode", "bonus", "levelup"}) {
            std::ofstream out(media + "dune/" + name + ".wav", std::ios::binary);
            out.write(reinterpret_cast<const char*>(wav.data()),
                      static_cast<std::streamsize>(wav.size()));
        }
        ASSERT_EQ(ChangeDirectory(RuntimeString(media.c_str())), 1);
        LoadSound("dune/intro.wav", game::kSoundIntro, 4);
        LoadSound("dune/explode.wav", game::kSoundExplode, 4);
        LoadSound("dune/bonus.wav", game::kSoundBonus, 4);
        LoadSound("dune/levelup.wav", game::kSoundLevelUp, 4);
        ASSERT_EQ(PlaySound(game::kSoundIntro, 0, 0), game::kSoundIntro * 256)
            << "the sounds load and the device plays";
        StopAllSounds();
    }
};

}  // namespace qvt::test
