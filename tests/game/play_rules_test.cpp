// The play field's rules frame by frame: the intro, the level and spawn clocks, lane changes,
// crates that block and push, the destruction, bonus items, the keys [S], [P] and [Q], and
// the levels the sounds are played at.
#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

#include "game/play_fixture.h"

namespace qvt::test {
namespace {

using game::G;
using game::GameGlobals;

const Probe kStarTop = QVT_FIELD(StarTop);
const Probe kBeamEnd = QVT_FIELD(BeamEnd);
const Probe kScore = QVT_FIELD(Score);
const Probe kLevelFrames = QVT_FIELD(LevelFrames);
const Probe kCrateNext = QVT_FIELD(CrateNext);

// ---- New game and intro ----------------------------------------------------------------------

TEST_F(PlayTest, NewGameKeepsWhatCarriesOverAndFillsTheSparks) {
    GameGlobals& g = G();
    g.StarFrame = 5;
    g.LevelUpShow = 12;
    putCrate(3, 999, 77, 9);
    putBonus(4, 555, 66, 8);
    game::NewGameInit();
    EXPECT_EQ(g.StarFrame, 5) << "the star's animation runs on";
    EXPECT_EQ(g.LevelUpShow, 12) << "not reset by a new game";
    EXPECT_EQ(g.CrateState(3), 0);
    EXPECT_EQ(g.CrateX(3), 999) << "a freed slot keeps its other fields";
    EXPECT_EQ(g.BonusState(4), 0);
    EXPECT_EQ(g.BonusY(4), 66);
    std::set<double> speeds;
    for (int i = 0; i < game::kSparkCount; ++i) {
        EXPECT_TRUE(g.SparkX(i) >= 0 && g.SparkX(i) <= 640) << "spark " << i;
        EXPECT_TRUE(g.SparkY(i) >= 0 && g.SparkY(i) <= 720) << "spark " << i;
        speeds.insert(g.SparkSpeed(i));
    }
    EXPECT_EQ(speeds, (std::set<double>{8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(g.GameState, game::kModePlaying);
    EXPECT_EQ(g.Level, 1);
}

// The star rises 148 frames (the ship drifts left for 112 of them), the beams extend 25, and
// play (with the music) begins in the last of them.
TEST_F(PlayTest, IntroFliesInExtendsTheBeamsAndStartsPlayInFrame172) {
    for (double soundOn : {1.0, 0.0}) {
        SCOPED_TRACE(testing::Message() << "SoundOn " << soundOn);
        G().SoundOn = soundOn;
        game::NewGameInit();
        EXPECT_EQ(voicesPlaying(game::kSoundIntro), soundOn) << "the intro sound starts the game";
        runPlayScript({
            {1, {}, {}, {{kPhase, 1}, {kStarTop, 478}, {kShipX, 287.5}, {kSlide, 1}}},
            {112, {}, {}, {{kStarTop, 256}, {kShipX, 232}, {kSlide, 1}}},
            {113, {}, {}, {{kShipX, 232}, {kSlide, 0}}},
            {147, {}, {}, {{kPhase, 1}, {kStarTop, 186}, {kBeamEnd, -16}}},
            {148, {}, {}, {{kPhase, 2}, {kStarTop, 184}, {kBeamEnd, 0}, {kShipX, 233},
                           {kSlide, -1}, {kScore, 0}, {kCrateNext, 0}}},
            {171, {}, {}, {{kPhase, 2}, {kBeamEnd, 368}, {kShipX, 256}, {kSlide, -1}, {kMusic, 0}}},
            {172, {}, {}, {{kPhase, 3}, {kBeamEnd, 384}, {kShipX, 256}, {kSlide, 0}, {kScore, 3},
                           {kLevelFrames, 1}, {kMusic, soundOn}}},
        });
        EXPECT_GE(G().CrateNext, 2) << "the first pair of columns comes in the first frame of play";
        EXPECT_EQ(G().BonusNext, 1) << "and so does the first bonus item";
        StopMusic();
        StopAllSounds();
    }
}

// ---- Level and spawn clocks ------------------------------------------------------------------

class SpawnTest : public PlayTest {
protected:
    // Plays frames until the next pair of crate columns; the crates are cleared after every
    // frame so that nothing ever reaches the ship. The bonus item must come in the same frame.
    int framesToNextPair() {
        GameGlobals& g = G();
        for (int n = 1; n <= 200; ++n) {
            const double crateNext = g.CrateNext;
            const double bonusNext = g.BonusNext;
            playFrame();
            clearCrates();
            EXPECT_EQ(g.CrateNext != crateNext, g.BonusNext != bonusNext)
                << "crates and items come in the same frames";
            if (g.CrateNext != crateNext) return n;
        }
        return -1;
    }
};

// One of the sanitizer runs ("San"): four levels of spawning through every crate slot.
using SanSpawnTest = SpawnTest;

TEST_F(SanSpawnTest, LevelRisesEvery901FramesAndPairsComeEvery53_44_38And33Frames) {
    GameGlobals& g = G();
    startPlay();  // play frame 1 brought the first pair
    clearCrates();
    EXPECT_EQ(framesToNextPair(), 53);
    EXPECT_EQ(framesToNextPair(), 53);
    int frames = 1 + 2 * 53;
    while (g.LevelFrames < 900 && frames < 1000) {
        playFrame();
        clearCrates();
        ++frames;
    }
    EXPECT_EQ(frames, 900);
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(voicesPlaying(game::kSoundLevelUp), 0);
    // Level-up frames: the first comes by the clock, the later ones are brought on.
    const int afterLevelUp[] = {0, 0, 86, 74, 64};
    const int period[] = {0, 0, 44, 38, 33};
    for (int level = 2; level <= 4; ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        g.LevelFrames = std::max(g.LevelFrames, 900.0);
        const double crateNext = g.CrateNext;
        playFrame();
        clearCrates();
        ASSERT_EQ(g.Level, level);
        EXPECT_EQ(g.LevelFrames, 0);
        EXPECT_EQ(g.LevelUpShow, 30);
        EXPECT_EQ(voicesPlaying(game::kSoundLevelUp), level - 1) << "one more levelup voice";
        EXPECT_EQ(g.CrateNext, crateNext) << "no pair in the level-up frame";
        EXPECT_EQ(framesToNextPair(), afterLevelUp[level]);
        EXPECT_EQ(framesToNextPair(), period[level]);
        EXPECT_EQ(framesToNextPair(), period[level]);
    }
}

TEST_F(PlayTest, ColumnPairsStandInTwoLanesOneToThreeSegmentsTall) {
    GameGlobals& g = G();
    startPlay();
    std::set<int> heights;
    std::set<double> lanesSeen;
    int pairs = 0;
    for (int f = 0; f < 53 * 16 && pairs < 16; ++f) {
        const int first = static_cast<int>(g.CrateNext);
        playFrame();
        const int next = static_cast<int>(g.CrateNext);
        if (next != first) {
            ++pairs;
            // The new segments in slot order; each column starts at -240 (moved once).
            std::vector<std::vector<int>> columns;
            for (int s = first; s != next; s = (s + 1) % 32) {
                ASSERT_EQ(g.CrateState(s), 1);
                ASSERT_EQ(g.CrateSpeed(s), 5) << "Level 1 + 4";
                if (g.CrateY(s) == -240 + 5) columns.emplace_back();
                ASSERT_FALSE(columns.empty()) << "a column starts at the top";
                columns.back().push_back(s);
            }
            ASSERT_EQ(columns.size(), 2u) << "pair " << pairs;
            for (const auto& col : columns) {
                heights.insert(static_cast<int>(col.size()));
                lanesSeen.insert(g.CrateX(col[0]));
                for (std::size_t k = 1; k < col.size(); ++k) {
                    EXPECT_EQ(g.CrateX(col[k]), g.CrateX(col[0]));
                    EXPECT_EQ(g.CrateY(col[k]), g.CrateY(col[k - 1]) + 64);
                }
            }
            EXPECT_NE(g.CrateX(columns[0][0]), g.CrateX(columns[1][0])) << "two different lanes";
        }
        clearCrates();
    }
    EXPECT_EQ(pairs, 16);
    EXPECT_EQ(heights, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(lanesSeen, (std::set<double>{192, 256, 320, 384}));
}

// ---- Lane changes ---------------------------------------------------------------------------

// One change per press, none at the edges, none with both keys or with the other one held;
// a second press while gliding adds to the glide.
TEST_F(PlayTest, ZAndXChangeTheLaneOncePerPressAndTheShipGlidesIntoIt) {
    startPlay();
    clearField();
    const int Z = kKeyZ, X = kKeyX;
    auto ship = [](double left, double right, double lane, double slide, double x) {
        return Want{{kLeft, left}, {kRight, right}, {kLane, lane}, {kSlide, slide}, {kShipX, x}};
    };
    runPlayScript({
        {1, {Z}, {}, ship(1, 0, 0, 3, 240)},
        {2, {}, {Z}, ship(0, 0, 0, 2, 224)},
        {4, {}, {}, ship(0, 0, 0, 0, 192)},
        {5, {Z}, {}, ship(1, 0, 0, 0, 192)},  // lane 0: nothing further left
        {6, {X}, {Z}, ship(0, 1, 1, -3, 208)},
        {7, {}, {}, ship(0, 2, 1, -2, 224)},
        {9, {}, {}, ship(0, 2, 1, 0, 256)},   // held: one change only
        {10, {Z}, {}, ship(1, 2, 1, 0, 256)},  // [Z] while [X] is held
        {11, {}, {Z, X}, ship(0, 0, 1, 0, 256)},
        {12, {Z, X}, {}, ship(1, 1, 1, 0, 256)},  // both in the same frame
        {13, {}, {Z, X}, ship(0, 0, 1, 0, 256)},
        {14, {X}, {}, ship(0, 1, 2, -3, 272)},
        {15, {}, {X}, ship(0, 0, 2, -2, 288)},
        {16, {X}, {}, ship(0, 1, 3, -5, 304)},  // on from where it stands
        {17, {}, {X}, ship(0, 0, 3, -4, 320)},
        {21, {}, {}, ship(0, 0, 3, 0, 384)},
        {22, {X}, {}, ship(0, 1, 3, 0, 384)},  // lane 3: nothing further right
        {23, {Z}, {X}, ship(1, 0, 2, 3, 368)},
        {24, {}, {Z}, ship(0, 0, 2, 2, 352)},
        {25, {Z}, {}, ship(1, 0, 1, 5, 336)},
        {26, {}, {Z}, ship(0, 0, 1, 4, 320)},
        {30, {}, {}, ship(0, 0, 1, 0, 256)},
    });
}

// The ship's strip is y 312..319 (ShipY + 24, 8 high): a crate from y 249 to 319 crosses it.
TEST_F(PlayTest, AChangeIntoALaneACrateBlocksIsUndoneInTheSameFrame) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    struct Case {
        int crateLane;
        double crateY;
        int key;
        bool blocked;
    } cases[] = {{0, 249, kKeyZ, true},  {0, 280, kKeyZ, true},  {0, 319, kKeyZ, true},
                 {0, 248, kKeyZ, false}, {0, 320, kKeyZ, false}, {2, 280, kKeyX, true},
                 {2, 320, kKeyX, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "crate in lane " << c.crateLane << " at y " << c.crateY);
        clearCrates();
        g.ShipLane = 1;
        g.ShipSlide = 0;
        g.ShipY = 288;
        g.LeftKey = g.RightKey = 0;
        putCrate(0, laneX(c.crateLane), c.crateY, 0);
        playFrameWithKey(c.key);
        const double dir = c.key == kKeyZ ? -1 : 1;
        EXPECT_EQ(g.ShipLane, c.blocked ? 1 : 1 + dir);
        EXPECT_EQ(g.ShipSlide, c.blocked ? 0 : -3 * dir);
        EXPECT_EQ(g.ShipX, c.blocked ? 256 : 256 + 16 * dir) << "a blocked ship never moves";
    }
    // A crate that appears while the ship still glides sends it back too.
    clearCrates();
    g.ShipLane = 1;
    g.ShipSlide = 0;
    playFrameWithKey(kKeyZ);
    ASSERT_EQ(g.ShipSlide, 3);
    putCrate(0, laneX(0), 280, 0);
    playFrame();
    EXPECT_EQ(g.ShipLane, 1);
    EXPECT_EQ(g.ShipSlide, 0);
    EXPECT_EQ(g.ShipX, 256);
}

// ---- Pushing crates and the destruction ------------------------------------------------------

TEST_F(PlayTest, ACratePushesTheShipIntoTheStarAndTheGameEnds72FramesLater) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    g.CrateTimer = 0;  // pairs keep coming (frames 1 and 54), too high up to reach the ship
    putCrate(0, laneX(1), 220, 5);
    struct Seen {
        double phase, state, shipY, score, crateNext, music, explode, bonusState;
    };
    std::vector<Seen> rec;
    const int frames = runRoutine(game::MainGame, 300, [&](int f) {
        rec.push_back({g.PlayPhase, g.GameState, g.ShipY, g.Score, g.CrateNext,
                       static_cast<double>(MusicPlaying()),
                       static_cast<double>(voicesPlaying(game::kSoundExplode)), g.BonusState(0)});
        if (f == 40) {
            putCrate(31, laneX(1), 300, 5);  // falls right through the ship
            putBonus(0, laneX(1) + 16, 300, 0);
        }
        // [S] off, then on again after the music stopped at phase 108: it comes back.
        if (f == 59 || f == 61) keys().press(kKeyS);
        if (f == 60 || f == 62) keys().release(kKeyS);
    });
    EXPECT_TRUE(returned()) << "MainGame returns by itself";
    ASSERT_EQ(frames, 95);
    auto at = [&](int f) { return rec[static_cast<std::size_t>(f - 1)]; };
    for (int f = 1; f <= 23; ++f) {
        EXPECT_EQ(at(f).phase, 3) << "frame " << f;
        EXPECT_EQ(at(f).shipY, 220 + 5 * f + 64) << "the crate's lower edge holds the ship, frame " << f;
    }
    // Pushed by a crate at y 335 (> 332) in frame 23: 399 - 4 is still below 392.
    EXPECT_EQ(at(24).phase, 101) << "caught, and one step of the destruction in the same frame";
    for (int f = 24; f <= 95; ++f) {
        SCOPED_TRACE(testing::Message() << "frame " << f);
        EXPECT_EQ(at(f).phase, 100 + f - 23);
        EXPECT_EQ(at(f).shipY, 395) << "nothing moves the ship any more";
        EXPECT_EQ(at(f).score, at(24).score) << "nothing scores";
        EXPECT_EQ(at(f).state, f < 95 ? 2 : 3);
        EXPECT_EQ(at(f).music, f < 31 || f >= 62 ? 1 : 0) << "stopped at phase 108";
        EXPECT_EQ(at(f).explode, f >= 31 && f < 60 ? 1 : 0) << "from phase 108 until [S]";
    }
    EXPECT_EQ(at(41).bonusState, 1) << "an item at the ship is not collected";
    EXPECT_NE(at(54).crateNext, at(53).crateNext) << "crates keep coming during the destruction";
    StopMusic();
}

// ---- Bonus items -----------------------------------------------------------------------------

TEST_F(PlayTest, ABonusIsCollectedOnlyByASettledShip) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    double score = g.Score;
    putBonus(0, laneX(1) + 16, 250, 10);  // at y 260 its box meets the ship's (288..351)
    playFrame();
    EXPECT_EQ(g.BonusState(0), 0);
    EXPECT_EQ(g.Score, score + 3 + 1000);
    EXPECT_EQ(voicesPlaying(game::kSoundBonus), 1);

    // Gliding from lane 2 to lane 1 past an item in lane 2: touched twice, never collected.
    g.ShipLane = 2;
    playFrame();
    putBonus(1, laneX(2) + 16, 300, 0);
    score = g.Score;
    playFrameWithKey(kKeyZ);
    EXPECT_EQ(g.ShipX, 304) << "the ship's box still covers the item";
    playFrames(3);
    EXPECT_EQ(g.BonusState(1), 1);
    EXPECT_EQ(g.Score, score + 4 * 3);

    // An item that crosses y 384 in the frame it is touched still counts.
    g.ShipY = 380;  // pushed down; recovers to 376 first
    putBonus(2, laneX(1) + 16, 380, 10);
    score = g.Score;
    playFrame();
    EXPECT_EQ(g.BonusState(2), 0) << "collected, not fading";
    EXPECT_EQ(g.Score, score + 3 + 1000);
}

TEST_F(PlayTest, AnItemFallsOnlyIntoALaneThatIsFreeWhereItEnters) {
    GameGlobals& g = G();
    startPlay();
    for (int seed = 1; seed <= 20; ++seed) {
        SeedRandom(seed);
        clearField();
        g.BonusTimer = 0;
        // Lanes 0 to 2 are blocked where items enter (y -32..-1); lane 3 only lower down,
        // where the slot's previous item stood.
        for (int l = 0; l < 3; ++l) putCrate(l, laneX(l), -60, 0);
        putCrate(3, laneX(3), 300, 0);
        const int slot = static_cast<int>(g.BonusNext);
        g.BonusY(slot) = 300;
        playFrame();
        ASSERT_EQ(g.BonusState(slot), 1) << "seed " << seed;
        EXPECT_EQ(g.BonusX(slot), 400) << "seed " << seed;
        EXPECT_EQ(g.BonusY(slot), -32 + 5) << "entered at -32 and moved once; seed " << seed;
        EXPECT_EQ(g.BonusNext, (slot + 1) % 32);
    }
    // Every lane blocked: no item, no slot taken, and the next one comes on time.
    clearField();
    g.BonusTimer = 0;
    for (int l = 0; l < 4; ++l) putCrate(l, laneX(l), -60, 0);
    const double next = g.BonusNext;
    playFrame();
    EXPECT_EQ(g.BonusNext, next);
    for (int i = 0; i < game::kBonusSlots; ++i) EXPECT_EQ(g.BonusState(i), 0) << "slot " << i;
    clearCrates();
    int n = 0;
    while (g.BonusNext == next && n < 100) {
        playFrame();
        ++n;
    }
    EXPECT_EQ(n, 53);
}

// ---- Keys -----------------------------------------------------------------------------------

// [S] toggles once per press: switched on before play it replays the intro sound, from play
// on the music.
TEST_F(PlayTest, STogglesOncePerPressAndBringsBackTheIntroOrTheMusic) {
    game::NewGameInit();
    const int S = kKeyS;
    runPlayScript({
        {1, {S}, {}, {{kSoundOn, 0}, {kSoundHeld, 1}, {kIntro, 0}, {kMusic, 0}}},
        {5, {}, {}, {{kSoundOn, 0}, {kSoundHeld, 1}}},
        {6, {}, {S}, {{kSoundOn, 0}, {kSoundHeld, 0}}},
        {7, {S}, {}, {{kSoundOn, 1}, {kIntro, 1}, {kMusic, 0}}},
        {8, {}, {S}, {{kSoundOn, 1}, {kSoundHeld, 0}}},
        {179, {}, {}, {{kPhase, 3}, {kMusic, 1}}},
        {180, {S}, {}, {{kSoundOn, 0}, {kIntro, 0}, {kMusic, 0}}},
        {181, {}, {S}, {{kSoundOn, 0}}},
        {182, {S}, {}, {{kSoundOn, 1}, {kIntro, 0}, {kMusic, 1}}},
    });
    StopMusic();
}

TEST_F(PlayTest, QEndsTheGameOnceReleasedAndTheFrameRunsToItsEnd) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    std::vector<double> scores, states;
    const int frames = runRoutine(game::MainGame, 100, [&](int f) {
        scores.push_back(g.Score);
        states.push_back(g.GameState);
        if (f == 3) keys().press(kKeyQ);
        if (f == 8) keys().release(kKeyQ);
    });
    EXPECT_TRUE(returned());
    ASSERT_EQ(frames, 9) << "3 frames, 5 shown while [Q] is held, then the rest of frame 4";
    for (int f = 4; f <= 8; ++f) {
        EXPECT_EQ(states[f - 1], game::kModePlaying) << "frame " << f;
        EXPECT_EQ(scores[f - 1], scores[2]) << "nothing moves while [Q] is held; frame " << f;
    }
    EXPECT_EQ(states[8], game::kModeGameOver);
    EXPECT_EQ(scores[8], scores[2] + 3) << "the frame still runs to its end";
    StopMusic();
}

TEST_F(PlayTest, PWaitsForItsReleasePausesAndPlayResumesWhereItStopped) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    ASSERT_EQ(MusicPlaying(), 1);
    struct Seen {
        double score, pauseOn, music, state;
    };
    std::vector<Seen> seen;
    runRoutine(game::MainGame, 100, [&](int f) {
        seen.push_back({g.Score, g.PauseOn, static_cast<double>(MusicPlaying()), g.GameState});
        if (f == 2) keys().press(kKeyP);
        if (f == 6) keys().release(kKeyP);
        if (f == 9) keys().holdForSamples(kKeyP, 2);  // pressed in the pause screen
        if (f == 13) leave();
    });
    auto at = [&](int f) { return seen[static_cast<std::size_t>(f - 1)]; };
    ASSERT_EQ(seen.size(), 13u);
    for (int f = 3; f <= 6; ++f) {
        EXPECT_EQ(at(f).pauseOn, 0) << "not paused before [P] is released; frame " << f;
        EXPECT_EQ(at(f).music, 0) << "the music gave way at once; frame " << f;
        EXPECT_EQ(at(f).score, at(2).score) << "frame " << f;
    }
    for (int f = 7; f <= 9; ++f) EXPECT_EQ(at(f).pauseOn, 1) << "pause screen, frame " << f;
    EXPECT_EQ(at(10).pauseOn, 0) << "the pause's last frame";
    EXPECT_EQ(at(11).score, at(2).score + 3) << "the paused frame runs to its end";
    EXPECT_EQ(at(11).music, 1) << "the pause screen resumed the music";
    EXPECT_EQ(at(12).score, at(2).score + 6);
    EXPECT_EQ(at(12).state, game::kModePlaying);
    StopMusic();
}

// ---- Sound levels ---------------------------------------------------------------------------

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
            return wavFile(2, kSoundOutputRate, 16, std::vector<std::int32_t>(2 * 4410, kLevel[slot]));
        });
        G().SoundOn = 1;
    }
    // Counts the recorded samples within 1 % of value.
    int samplesNear(const Bytes& raw, double value) {
        int n = 0;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            const auto s = static_cast<std::int16_t>(raw[i] | raw[i + 1] << 8);
            n += std::abs(s - value) <= 0.01 * value;
        }
        return n;
    }
    static constexpr std::int32_t kLevel[] = {0, 8000, 7000, 6000, 5000};
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
    ASSERT_TRUE(played());
    putBonus(0, laneX(1) + 16, 288, 0);
    playFrame();
    ASSERT_EQ(g.BonusState(0), 0);
    ASSERT_TRUE(played());
    sleepRealMs(80);
    runtime.reset();  // closes the device and with it the recording
    const Bytes raw = readBytes(scratch / "out.raw");
    const int full = samplesNear(raw, 8000);
    EXPECT_GT(full, 4000) << "the intro sound at volume 1";
    EXPECT_GT(samplesNear(raw, 3000), full / 2) << "the levelup sound at volume 0.5";
    EXPECT_GT(samplesNear(raw, 2500), full / 2) << "the bonus sound at volume 0.5";
    EXPECT_EQ(samplesNear(raw, 6000) + samplesNear(raw, 5000), 0) << "neither at full volume";
}

}  // namespace
}  // namespace qvt::test
