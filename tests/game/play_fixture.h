// The play field under test: the game harness with the game's media, and frames of
// MainGame run one at a time, with or without their drawing.
#pragma once

#include "game/game_harness.h"

namespace qvt::test {

// Frames from NewGameInit to the first frame of play (that frame included).
inline constexpr int kIntroFrames = 172;

inline const Probe kPhase = QVT_FIELD(PlayPhase);
inline const Probe kLane = QVT_FIELD(ShipLane);
inline const Probe kSlide = QVT_FIELD(ShipSlide);
inline const Probe kShipX = QVT_FIELD(ShipX);
inline const Probe kLeft = QVT_FIELD(LeftKey);
inline const Probe kRight = QVT_FIELD(RightKey);
inline const Probe kSoundOn = QVT_FIELD(SoundOn);
inline const Probe kSoundHeld = QVT_FIELD(SoundKeyHeld);

// Lane n's left edge.
inline double laneX(int n) { return 192 + 64.0 * n; }

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
};

}  // namespace qvt::test
