// The play field's rules frame by frame: lane changes, crates that block and push, the
// destruction, the level clock and the levels the sounds are played at. (Every test's
// start checks that the intro lasts 172 frames.)
#include <cmath>
#include <optional>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

const Probe kShipX = QVT_FIELD(ShipX);
const Probe kShipY = QVT_FIELD(ShipY);
const Probe kSlide = QVT_FIELD(ShipSlide);
const Probe kStarTop = QVT_FIELD(StarTop);
const Probe kBeamEnd = QVT_FIELD(BeamEnd);
const Probe kExplode{"explode voices", [] { return double(voicesPlaying(game::kSoundExplode)); }};

// The star rises 148 frames (the ship drifts left for 112 of them), the beams extend 25 and
// play and the music begin in the last of them. [S] toggles once per press: on before play
// it replays the intro sound, in play the music.
TEST_F(PlayTest, NewGameFliesInAndSTogglesTheIntroOrTheMusic) {
    game::NewGameInit();
    const int S = kKeyS;
    runPlayScript({
        {1, {S}, {}, {{kPhase, 1}, {kStarTop, 478}, {kShipX, 287.5}, {kSoundOn, 0}, {kIntro, 0}}},
        {5, {}, {S}, {{kSoundOn, 0}}},
        {6, {S}, {}, {{kSoundOn, 1}, {kIntro, 1}, {kMusic, 0}}},
        {7, {}, {S}, {}},
        {113, {}, {}, {{kStarTop, 254}, {kShipX, 232}, {kSlide, 0}}},
        {148, {}, {}, {{kPhase, 2}, {kStarTop, 184}, {kBeamEnd, 0}, {kShipX, 233}}},
        {171, {}, {}, {{kPhase, 2}, {kBeamEnd, 368}, {kMusic, 0}}},
        {172, {}, {}, {{kPhase, 3}, {kBeamEnd, 384}, {kShipX, 256}, {kMusic, 1}}},
        {180, {S}, {}, {{kSoundOn, 0}, {kMusic, 0}}},
        {182, {}, {S}, {{kSoundOn, 0}}},
        {183, {S}, {}, {{kSoundOn, 1}, {kMusic, 1}}},
    });
    StopMusic();
}

// One change per press, none at the edges, none with the other key held; a second press
// while gliding adds to the glide. An item in lane 1 is collected only by a settled ship.
TEST_F(PlayTest, ZAndXChangeTheLaneOncePerPressAndTheShipGlidesIntoIt) {
    startPlay();
    clearField();
    putBonus(0, laneX(1) + 16, 300, 0);
    const Probe item = QVT_FIELD(BonusState(0));
    const int Z = kKeyZ, X = kKeyX;
    // Lane n starts at x 192 + 64n; a glide moves the ship 16 pixels a frame.
    runPlayScript({
        {1, {Z}, {}, {{kShipX, 240}}},
        {4, {}, {Z}, {{kShipX, 192}, {item, 1}}},  // touched while gliding away
        {5, {Z}, {}, {{kShipX, 192}}},  // lane 0: nothing further left
        {6, {X}, {Z}, {{kShipX, 208}}},
        {8, {}, {}, {{kShipX, 240}, {item, 1}}},
        {9, {Z}, {}, {{kShipX, 256}, {item, 0}}},  // [X] held: one change only; [Z]: none
        {10, {}, {Z, X}, {{kShipX, 256}}},
        {11, {X}, {}, {{kShipX, 272}}},
        {12, {}, {X}, {{kShipX, 288}}},
        {13, {X}, {}, {{kShipX, 304}}},  // on from where it stands
        {18, {}, {X}, {{kShipX, 384}}},
        {19, {X}, {}, {{kShipX, 384}}},  // lane 3: nothing further right
    });
}

// A crate (slot 0) holds the ship on its lower edge and pushes it into the star in frame 24;
// the destruction runs 72 frames, in which nothing pushes the ship (slot 31), nothing is
// collected (item 0) or scored, and crates keep coming; [S] brings the music back. A crate
// beside the ship's strip (slot 30) blocks a change into its lane. MainGame runs the rules
// and the drawing, so this is one of the sanitizer runs ("San").
using SanPlayTest = PlayTest;

TEST_F(SanPlayTest, ACratePushesTheShipIntoTheStarAndTheGameEnds72FramesLater) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    g.CrateTimer = 0;  // pairs keep coming (frames 1 and 54), too high up to reach the ship
    putCrate(0, laneX(1), 220, 5);
    putCrate(31, laneX(1), 100, 5);
    putBonus(0, laneX(1) + 16, -100, 10);
    putCrate(30, laneX(0), 280, 0);
    runScript(game::MainGame, {
        {1, {}, {}, {{kPhase, 3}, {kShipY, 289}}},
        {2, {kKeyZ}, {}, {{kShipX, 256}}},
        {3, {}, {kKeyZ}, {}},
        {23, {}, {}, {{kPhase, 3}, {kShipY, 399}, {kScore, 72}}},
        {24, {}, {}, {{kPhase, 101}, {kShipY, 395}, {kState, 2}, {kScore, 75}}},
        {30, {}, {}, {{kPhase, 107}, {kMusic, 1}, {kExplode, 0}}},
        {31, {}, {}, {{kPhase, 108}, {kMusic, 0}, {kExplode, 1}}},
        {48, {}, {}, {{kShipY, 395}, {QVT_FIELD(BonusState(0)), 1}, {kScore, 75}}},
        {54, {}, {}, {{QVT_FIELD(CrateNext), 13}, {QVT_FIELD(CrateState(12)), 1}}},
        {60, {kKeyS}, {}, {{kSoundOn, 0}, {kMusic, 0}}},
        {61, {}, {kKeyS}, {}},
        {62, {kKeyS}, {}, {{kSoundOn, 1}, {kMusic, 1}}},  // back after phase 108 stopped it
        {94, {}, {}, {{kPhase, 171}, {kState, 2}, {kShipY, 395}}},
        {95, {}, {}, {{kPhase, 172}, {kState, 3}, {kScore, 75}}},
    });
    EXPECT_TRUE(returned()) << "MainGame returns by itself";
    StopMusic();
}

// [P] and [Q] act once released, showing frames while held: [P] silences the music at once
// and pauses (frames 7 to 10) until a new press is released, [Q] ends the game. Either frame
// then runs to its end.
TEST_F(PlayTest, PAndQActOnceReleasedAndTheFrameRunsToItsEnd) {
    startPlay();
    clearField();
    const int P = kKeyP, Q = kKeyQ;
    const Probe paused = QVT_FIELD(PauseOn);
    runScript(game::MainGame, {
        {2, {}, {}, {{kScore, 9}, {kMusic, 1}}},
        {3, {P}, {}, {{kScore, 9}, {paused, 0}, {kMusic, 0}}},
        {6, {}, {}, {{kScore, 9}, {paused, 0}}},
        {7, {}, {P}, {{paused, 1}}},
        {10, {P}, {}, {{paused, 0}}, 2},
        {11, {}, {}, {{kScore, 12}, {kMusic, 1}}},
        {12, {Q}, {}, {{kScore, 12}, {kState, 2}}},
        {15, {}, {}, {{kScore, 12}, {kState, 2}}},
        {16, {}, {Q}, {{kScore, 15}, {kState, 3}}},
    });
    EXPECT_TRUE(returned());
    StopMusic();
}

// Pairs of crate columns come every 53, 44, 38 and 33 frames at levels 1 to 4, the first of
// a new level a double period after the level-up. A sanitizer run: pairs through every slot.
TEST_F(SanPlayTest, PairsComeAtTheLevelsPeriodAfterADoubleOneAtTheLevelUp) {
    GameGlobals& g = G();
    startPlay();  // its last frame brought the first pair
    const auto framesToNextPair = [&] {
        const double first = g.CrateNext;
        for (int n = 1; n <= 100; ++n) {
            playFrame();
            clearCrates();  // nothing reaches the ship
            if (g.CrateNext != first) return n;
        }
        return -1;
    };
    const int afterLevelUp[] = {0, 0, 86, 74, 64}, period[] = {0, 53, 44, 38, 33};
    for (int level = 1; level <= 4; ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        if (level > 1) {
            g.LevelFrames = 900;  // the level rises in the next frame, which brings no pair
            EXPECT_EQ(framesToNextPair(), afterLevelUp[level] + 1);
        }
        ASSERT_EQ(g.Level, level);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(framesToNextPair(), period[level]);
    }
}

// What the device plays, recorded by SDL's disk driver: each sound a tenth of a second of one
// constant sample value, so the level each is played at shows in the recording.
class SoundLevelTest : public PlayTest {
protected:
    void SetUp() override {
        driver.emplace("SDL_AUDIODRIVER", "disk");
        file.emplace("SDL_DISKAUDIOFILE", (scratch / "out.raw").c_str());
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        useGameMedia([](int slot) {
            const std::int32_t level[] = {0, 8000, 7000, 6000, 5000};
            return wavFile(2, kSoundOutputRate, 16, std::vector<std::int32_t>(8820, level[slot]));
        });
        G().SoundOn = 1;
    }
    ScratchFolder scratch;
    std::optional<ScopedEnv> driver, file;
};

TEST_F(SoundLevelTest, IntroPlaysAtFullVolumeLevelUpAndBonusAtHalf) {
    GameGlobals& g = G();
    const auto played = [] {
        return waitFor([] { return voicesPlaying(1) + voicesPlaying(3) + voicesPlaying(4) == 0; });
    };
    game::NewGameInit();
    ASSERT_TRUE(played());
    g.PlayPhase = game::kPhasePlay;
    clearField();
    g.LevelFrames = 900;
    playFrame();
    ASSERT_EQ(g.Level, 2);
    EXPECT_EQ(g.LevelFrames, 0) << "the level clock starts again";
    EXPECT_EQ(g.LevelUpShow, 30);
    ASSERT_TRUE(played());
    putBonus(0, laneX(1) + 16, 288, 0);
    const double score = g.Score;
    playFrame();
    ASSERT_EQ(g.BonusState(0), 0);
    EXPECT_EQ(g.Score, score + 3 + 1000) << "the item collected";
    ASSERT_TRUE(played());
    sleepRealMs(80);
    runtime.reset();  // closes the device and with it the recording
    const Bytes raw = readBytes(scratch / "out.raw");
    // The recorded samples within 1 % of value.
    const auto near = [&](double value) {
        int n = 0;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            n += std::abs(static_cast<std::int16_t>(raw[i] | raw[i + 1] << 8) - value) <=
                 0.01 * value;
        }
        return n;
    };
    const int full = near(8000);
    EXPECT_GT(full, 4000) << "the intro sound at volume 1";
    EXPECT_GT(near(3000), full / 2) << "the levelup sound at volume 0.5";
    EXPECT_GT(near(2500), full / 2) << "the bonus sound at volume 0.5";
    EXPECT_EQ(near(6000) + near(5000), 0) << "neither at full volume";
}

}  // namespace
}  // namespace qvt::test
