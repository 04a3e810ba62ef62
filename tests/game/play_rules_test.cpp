// The play field's rules frame by frame: the intro, the level and spawn clocks, lane changes,
// crates that block and push, the destruction, bonus items, and the keys [S], [P] and [Q].
#include <cmath>
#include <set>
#include <vector>

#include "game/play_fixture.h"

namespace qvt::test {
namespace {

using game::G;
using game::GameGlobals;

constexpr int kZ = 44;
constexpr int kX = 45;
constexpr int kQ = 16;
constexpr int kP = 25;
constexpr int kS = 31;

// Lane n's left edge.
double lane(int n) { return 192 + 64.0 * n; }

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
    EXPECT_EQ(*speeds.begin(), 8);
    EXPECT_EQ(*speeds.rbegin(), 16);
    EXPECT_EQ(speeds.size(), 9u) << "speeds 8 to 16";
    EXPECT_EQ(g.GameState, game::kModePlaying);
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(g.CrateInterval, 51.2);
    EXPECT_EQ(g.BonusInterval, 51.2);
    EXPECT_EQ(voicesPlaying(game::kSoundIntro), 1) << "the intro sound starts the game";
}

TEST_F(PlayTest, FlyInTakes148FramesAndTheShipReaches232After112) {
    GameGlobals& g = G();
    game::NewGameInit();
    for (int f = 1; f <= 148; ++f) {
        playFrame();
        SCOPED_TRACE(testing::Message() << "frame " << f);
        if (f < 148) {
            ASSERT_EQ(g.PlayPhase, game::kPhaseFlyIn);
            ASSERT_EQ(g.StarTop, 480 - 2 * f);
        }
        if (f <= 112) {
            ASSERT_EQ(g.ShipX, 288 - 0.5 * f);
            ASSERT_EQ(g.ShipSlide, 1) << "banking while it drifts left";
        } else if (f < 148) {
            ASSERT_EQ(g.ShipX, 232);
            ASSERT_EQ(g.ShipSlide, 0);
        }
    }
    EXPECT_EQ(g.StarTop, 184);
    EXPECT_EQ(g.PlayPhase, game::kPhaseBeams);
    EXPECT_EQ(g.BeamEnd, 0) << "the beams begin in the frame the star stops";
    EXPECT_EQ(g.ShipX, 233);
    EXPECT_EQ(g.ShipSlide, -1);
    EXPECT_EQ(g.Score, 0);
    EXPECT_EQ(g.CrateNext, 0) << "nothing falls before play";
    EXPECT_EQ(MusicPlaying(), 0);
}

TEST_F(PlayTest, BeamsTake25FramesAndTheMusicStartsWithPlay) {
    GameGlobals& g = G();
    game::NewGameInit();
    playFrames(147);
    for (int k = 0; k < 24; ++k) {
        playFrame();
        SCOPED_TRACE(testing::Message() << "frame " << 148 + k);
        ASSERT_EQ(g.PlayPhase, game::kPhaseBeams);
        ASSERT_EQ(g.BeamEnd, 16 * k);
        ASSERT_EQ(g.ShipX, 233 + k);
        ASSERT_EQ(MusicPlaying(), 0);
    }
    playFrame();  // frame 172, the 25th of the beams
    EXPECT_EQ(g.BeamEnd, 384);
    EXPECT_EQ(g.PlayPhase, game::kPhasePlay);
    EXPECT_EQ(MusicPlaying(), 1) << "the music starts with play";
    EXPECT_EQ(g.ShipX, 256);
    EXPECT_EQ(g.ShipSlide, 0);
    EXPECT_EQ(g.Score, 3) << "play runs in the same frame";
    EXPECT_EQ(g.LevelFrames, 1);
    EXPECT_GE(g.CrateNext, 2) << "the first pair of columns comes in the first frame of play";
    EXPECT_EQ(g.BonusNext, 1) << "and so does the first bonus item";
}

TEST_F(PlayTest, WithSoundOffNeitherTheIntroNorTheMusicPlays) {
    G().SoundOn = 0;
    game::NewGameInit();
    EXPECT_EQ(voicesPlaying(game::kSoundIntro), 0);
    playFrames(kIntroFrames);
    EXPECT_EQ(G().PlayPhase, game::kPhasePlay);
    EXPECT_EQ(MusicPlaying(), 0);
}

// ---- Level and spawn clocks ------------------------------------------------------------------

class SpawnTest : public PlayTest {
protected:
    // Plays frames until the next pair of crate columns; the field is cleared after every
    // frame so that nothing ever reaches the ship. The bonus item must come in the same frame.
    int framesToNextPair(int limit = 200) {
        GameGlobals& g = G();
        for (int n = 1; n <= limit; ++n) {
            const double crateNext = g.CrateNext;
            const double bonusNext = g.BonusNext;
            playFrame();
            const bool crates = g.CrateNext != crateNext;
            const bool bonus = g.BonusNext != bonusNext;
            clearCrates();
            EXPECT_EQ(crates, bonus) << "crates and items come in the same frames";
            if (crates) return n;
        }
        return -1;
    }
};

TEST_F(SpawnTest, TheLevelRisesInThe901stFrameOfPlay) {
    GameGlobals& g = G();
    startPlay();  // play frame 1
    clearCrates();
    for (int p = 2; p <= 900; ++p) {
        playFrame();
        clearCrates();
        ASSERT_EQ(g.LevelFrames, p) << "play frame " << p;
    }
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(voicesPlaying(game::kSoundLevelUp), 0);
    playFrame();  // play frame 901
    clearCrates();
    EXPECT_EQ(g.Level, 2);
    EXPECT_EQ(g.LevelFrames, 0);
    EXPECT_EQ(g.LevelUpShow, 29) << "30, counted down once by the frame's drawing";
    EXPECT_EQ(voicesPlaying(game::kSoundLevelUp), 1);
    EXPECT_DOUBLE_EQ(g.CrateInterval, 256.0 / 6);
    EXPECT_DOUBLE_EQ(g.BonusInterval, 256.0 / 6);
    EXPECT_DOUBLE_EQ(g.CrateTimer, 2 * 256.0 / 6 - 1) << "already counting in the level-up frame";
    EXPECT_DOUBLE_EQ(g.BonusTimer, g.CrateTimer);
    EXPECT_EQ(framesToNextPair(), 86) << "ceil(2 * 256 / 6) frames after the level-up frame";
    EXPECT_EQ(framesToNextPair(), 44);
    EXPECT_EQ(g.LevelUpShow, 0);
}

TEST_F(SpawnTest, PairsComeEvery53_44_38And33FramesAtLevels1To4) {
    GameGlobals& g = G();
    startPlay();
    clearCrates();
    EXPECT_EQ(framesToNextPair(), 53);
    EXPECT_EQ(framesToNextPair(), 53);
    const int afterLevelUp[] = {0, 0, 86, 74, 64};
    const int period[] = {0, 53, 44, 38, 33};
    for (int level = 2; level <= 4; ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        g.LevelFrames = 900;
        const double crateNext = g.CrateNext;
        playFrame();
        clearCrates();
        ASSERT_EQ(g.Level, level);
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

TEST_F(PlayTest, ZAndXChangeTheLaneAndTheShipGlidesIntoItIn4Frames) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    playFrameWithKey(kZ);
    EXPECT_EQ(g.LeftKey, 1);
    EXPECT_EQ(g.ShipLane, 0);
    EXPECT_EQ(g.ShipSlide, 3);
    EXPECT_EQ(g.ShipX, 240);
    const double glide[] = {224, 208, 192};
    for (double x : glide) {
        playFrame();
        EXPECT_EQ(g.ShipX, x);
    }
    EXPECT_EQ(g.ShipSlide, 0);
    EXPECT_EQ(g.LeftKey, 0);

    playFrameWithKey(kZ);
    EXPECT_EQ(g.ShipLane, 0) << "[Z] in lane 0 changes nothing";
    EXPECT_EQ(g.ShipX, 192);

    playFrameWithKey(kX);
    EXPECT_EQ(g.ShipLane, 1);
    EXPECT_EQ(g.ShipSlide, -3);
    EXPECT_EQ(g.ShipX, 208);
    playFrames(3);
    EXPECT_EQ(g.ShipX, 256);

    g.ShipLane = 3;
    playFrame();
    playFrameWithKey(kX);
    EXPECT_EQ(g.ShipLane, 3) << "[X] in lane 3 changes nothing";
    EXPECT_EQ(g.ShipSlide, 0);
}

TEST_F(PlayTest, HoldingAKeyChangesTheLaneOnce) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    keys().press(kX);
    playFrame();
    EXPECT_EQ(g.RightKey, 1);
    playFrames(8);
    EXPECT_EQ(g.RightKey, 2);
    EXPECT_EQ(g.ShipLane, 2);
    EXPECT_EQ(g.ShipX, 320);

    // [Z] pressed while [X] is held changes nothing.
    playFrameWithKey(kZ);
    EXPECT_EQ(g.LeftKey, 1);
    EXPECT_EQ(g.ShipLane, 2);
    keys().release(kX);
    playFrame();
    EXPECT_EQ(g.RightKey, 0);

    // Both pressed in the same frame: nothing either.
    keys().press(kZ);
    keys().press(kX);
    playFrame();
    keys().releaseAll();
    EXPECT_EQ(g.LeftKey, 1);
    EXPECT_EQ(g.RightKey, 1);
    EXPECT_EQ(g.ShipLane, 2);
    EXPECT_EQ(g.ShipSlide, 0);
}

TEST_F(PlayTest, ASecondPressWhileGlidingAddsToTheGlide) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    g.ShipLane = 2;
    playFrame();
    playFrameWithKey(kZ);
    EXPECT_EQ(g.ShipSlide, 3);
    EXPECT_EQ(g.ShipX, 304);
    playFrame();
    EXPECT_EQ(g.ShipSlide, 2);
    playFrameWithKey(kZ);
    EXPECT_EQ(g.ShipLane, 0);
    EXPECT_EQ(g.ShipSlide, 5) << "2 + 4, one step taken in the frame";
    EXPECT_EQ(g.ShipX, 272) << "it glides on from where it stands";
    for (double slide = 4; slide >= 0; --slide) {
        playFrame();
        EXPECT_EQ(g.ShipSlide, slide);
    }
    EXPECT_EQ(g.ShipX, 192);
}

TEST_F(PlayTest, AChangeIntoALaneACrateBlocksIsUndoneInTheSameFrame) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    // The ship's strip is y 312..319 (ShipY + 24, 8 high): a crate from y 249 to 319 crosses it.
    for (double y : {249.0, 280.0, 319.0}) {
        clearCrates();
        putCrate(0, lane(0), y, 0);
        playFrameWithKey(kZ);
        EXPECT_EQ(g.ShipLane, 1) << "crate at y " << y;
        EXPECT_EQ(g.ShipSlide, 0) << "crate at y " << y;
        EXPECT_EQ(g.ShipX, 256) << "the ship never moved; crate at y " << y;
        playFrame();
    }
    clearCrates();
    putCrate(0, lane(2), 280, 0);
    playFrameWithKey(kX);
    EXPECT_EQ(g.ShipLane, 1) << "to the right as well";
    EXPECT_EQ(g.ShipX, 256);

    // A crate that appears while the ship still glides sends it back too.
    clearCrates();
    playFrameWithKey(kZ);
    ASSERT_EQ(g.ShipSlide, 3);
    putCrate(0, lane(0), 280, 0);
    playFrame();
    EXPECT_EQ(g.ShipLane, 1);
    EXPECT_EQ(g.ShipSlide, 0);
    EXPECT_EQ(g.ShipX, 256);
}

TEST_F(PlayTest, CratesAboveOrBelowTheStripDoNotBlock) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    for (double y : {248.0, 320.0}) {
        clearCrates();
        g.ShipLane = 1;
        g.ShipY = 288;
        playFrame();
        putCrate(0, lane(0), y, 0);
        playFrameWithKey(kZ);
        EXPECT_EQ(g.ShipLane, 0) << "crate at y " << y;
        EXPECT_EQ(g.ShipSlide, 3) << "crate at y " << y;
        playFrames(3);
    }
}

// ---- Pushing crates and the destruction ------------------------------------------------------

struct FrameRecord {
    double phase, state, shipY, score, crateNext, music, explode, bonusState;
};

TEST_F(PlayTest, ACratePushesTheShipIntoTheStarAndTheGameEnds72FramesLater) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    g.CrateTimer = 0;  // pairs keep coming (frames 1 and 54), too high up to reach the ship
    putCrate(0, lane(1), 220, 5);
    std::vector<FrameRecord> rec;
    const int frames = runRoutine(game::MainGame, 300, [&](int f) {
        rec.push_back({g.PlayPhase, g.GameState, g.ShipY, g.Score, g.CrateNext,
                       static_cast<double>(MusicPlaying()),
                       static_cast<double>(voicesPlaying(game::kSoundExplode)), g.BonusState(0)});
        if (f == 40) {
            putCrate(31, lane(1), 300, 5);  // falls right through the ship
            putBonus(0, lane(1) + 16, 300, 0);
        }
    });
    EXPECT_TRUE(returned()) << "MainGame returns by itself";
    ASSERT_EQ(frames, 95);
    auto at = [&](int f) { return rec[static_cast<std::size_t>(f - 1)]; };
    for (int f = 1; f <= 23; ++f) {
        EXPECT_EQ(at(f).phase, 3) << "frame " << f;
        EXPECT_EQ(at(f).shipY, 220 + 5 * f + 64)
            << "the crate's lower edge holds the ship, frame " << f;
    }
    // Pushed by a crate at y 335 (> 332) in frame 23: 399 - 4 is still below 392.
    EXPECT_EQ(at(24).phase, 101) << "caught, and one step of the destruction in the same frame";
    int destructionFrames = 0;
    for (int f = 24; f <= 95; ++f) {
        EXPECT_EQ(at(f).phase, 100 + f - 23) << "frame " << f;
        EXPECT_EQ(at(f).shipY, 395) << "nothing moves the ship any more, frame " << f;
        EXPECT_EQ(at(f).score, at(24).score) << "nothing scores, frame " << f;
        EXPECT_EQ(at(f).state, f < 95 ? 2 : 3) << "frame " << f;
        EXPECT_EQ(at(f).music, at(f).phase < 108 ? 1 : 0) << "frame " << f;
        EXPECT_EQ(at(f).explode, at(f).phase < 108 ? 0 : 1) << "frame " << f;
        ++destructionFrames;
    }
    EXPECT_EQ(destructionFrames, 72);
    EXPECT_EQ(at(41).bonusState, 1) << "an item at the ship is not collected";
    EXPECT_NE(at(54).crateNext, at(53).crateNext) << "crates keep coming during the destruction";
    EXPECT_EQ(g.GameState, game::kModeGameOver);
}

TEST_F(PlayTest, WithoutKeysTheFirstColumnInLaneOneEndsTheGame) {
    GameGlobals& g = G();
    SeedRandom(5);
    game::NewGameInit();
    int caught = 0;
    const int frames = runRoutine(game::MainGame, 3000, [&](int f) {
        EXPECT_EQ(g.ShipLane, 1) << "frame " << f;
        if (caught == 0 && g.PlayPhase >= 100) caught = f;
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(g.PlayPhase, 172);
    EXPECT_EQ(g.GameState, game::kModeGameOver);
    ASSERT_GT(caught, kIntroFrames);
    EXPECT_EQ(frames, caught + 71);
    const double playFrames = caught - kIntroFrames + 1;
    const double bonusPoints = g.Score - 3 * playFrames;
    EXPECT_GE(bonusPoints, 0);
    EXPECT_EQ(std::fmod(bonusPoints, 1000), 0) << "3 a frame of play, 1000 an item";
}

// ---- Bonus items -----------------------------------------------------------------------------

TEST_F(PlayTest, ABonusIsCollectedOnlyByASettledShip) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    double score = g.Score;
    putBonus(0, lane(1) + 16, 250, 10);  // at y 260 its box meets the ship's (288..351)
    playFrame();
    EXPECT_EQ(g.BonusState(0), 0);
    EXPECT_EQ(g.Score, score + 3 + 1000);
    EXPECT_EQ(voicesPlaying(game::kSoundBonus), 1);

    // Gliding from lane 2 to lane 1 past an item in lane 2: touched twice, never collected.
    g.ShipLane = 2;
    playFrame();
    putBonus(1, lane(2) + 16, 300, 0);
    score = g.Score;
    playFrameWithKey(kZ);
    EXPECT_EQ(g.ShipX, 304) << "the ship's box still covers the item";
    playFrames(3);
    EXPECT_EQ(g.BonusState(1), 1);
    EXPECT_EQ(g.Score, score + 4 * 3);

    // An item that crosses y 384 in the frame it is touched still counts.
    g.ShipY = 380;  // pushed down; recovers to 376 first
    putBonus(2, lane(1) + 16, 380, 10);
    score = g.Score;
    playFrame();
    EXPECT_EQ(g.BonusState(2), 0) << "collected, not fading";
    EXPECT_EQ(g.Score, score + 3 + 1000);
}

TEST_F(PlayTest, AnItemFallsIntoALaneThatIsFreeWhereItEnters) {
    GameGlobals& g = G();
    startPlay();
    for (int seed = 1; seed <= 20; ++seed) {
        SeedRandom(seed);
        clearField();
        g.BonusTimer = 0;
        // Lanes 0 to 2 are blocked where items enter (y -32..-1); lane 3 only lower down,
        // where the slot's previous item stood.
        for (int l = 0; l < 3; ++l) putCrate(l, lane(l), -60, 0);
        putCrate(3, lane(3), 300, 0);
        const int slot = static_cast<int>(g.BonusNext);
        g.BonusY(slot) = 300;
        playFrame();
        ASSERT_EQ(g.BonusState(slot), 1) << "seed " << seed;
        EXPECT_EQ(g.BonusX(slot), 400) << "seed " << seed;
        EXPECT_EQ(g.BonusY(slot), -32 + 5) << "entered at -32 and moved once; seed " << seed;
        EXPECT_EQ(g.BonusNext, (slot + 1) % 32);
    }
}

TEST_F(PlayTest, WithEveryLaneBlockedWhereItemsEnterNoItemComesAndPlayGoesOn) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    g.BonusTimer = 0;
    for (int l = 0; l < 4; ++l) putCrate(l, lane(l), -60, 0);
    const double next = g.BonusNext;
    playFrame();
    EXPECT_EQ(g.BonusNext, next) << "no slot taken";
    for (int i = 0; i < game::kBonusSlots; ++i) EXPECT_EQ(g.BonusState(i), 0) << "slot " << i;
    EXPECT_EQ(g.BonusTimer, g.BonusInterval) << "the clock restarts as for a placed item";
    clearCrates();
    int n = 0;
    while (g.BonusNext == next && n < 100) {
        playFrame();
        ++n;
    }
    EXPECT_EQ(n, 53) << "the next item comes on time";
}

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(PlayTest, SHeldTogglesTheSoundOnce) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    ASSERT_EQ(MusicPlaying(), 1);
    keys().press(kS);
    playFrame();
    EXPECT_EQ(g.SoundOn, 0);
    EXPECT_EQ(g.SoundKeyHeld, 1);
    EXPECT_EQ(MusicPlaying(), 0);
    playFrames(10);
    EXPECT_EQ(g.SoundOn, 0) << "held: no second toggle";
    keys().release(kS);
    playFrame();
    EXPECT_EQ(g.SoundKeyHeld, 0);
    playFrameWithKey(kS);
    EXPECT_EQ(g.SoundOn, 1);
    EXPECT_EQ(MusicPlaying(), 1) << "the music again in play";
    EXPECT_EQ(voicesPlaying(game::kSoundIntro), 0);
}

TEST_F(PlayTest, SOnBringsBackTheIntroSoundBeforePlayAndTheMusicFromPlayOn) {
    GameGlobals& g = G();
    game::NewGameInit();
    playFrameWithKey(kS);
    EXPECT_EQ(g.SoundOn, 0);
    EXPECT_EQ(voicesPlaying(game::kSoundIntro), 0) << "all sounds stopped";
    playFrame();
    playFrameWithKey(kS);
    EXPECT_EQ(g.SoundOn, 1);
    EXPECT_EQ(voicesPlaying(game::kSoundIntro), 1);
    EXPECT_EQ(MusicPlaying(), 0);

    // During the destruction, even after it stopped the music.
    g.PlayPhase = 120;
    playFrame();
    playFrameWithKey(kS);
    ASSERT_EQ(g.SoundOn, 0);
    playFrame();
    playFrameWithKey(kS);
    EXPECT_EQ(MusicPlaying(), 1);
}

TEST_F(PlayTest, QEndsTheGameOnceReleasedAndTheFrameRunsToItsEnd) {
    GameGlobals& g = G();
    startPlay();
    clearField();
    std::vector<double> scores;
    std::vector<double> states;
    const int frames = runRoutine(game::MainGame, 100, [&](int f) {
        scores.push_back(g.Score);
        states.push_back(g.GameState);
        if (f == 3) keys().press(kQ);
        if (f == 8) keys().release(kQ);
    });
    EXPECT_TRUE(returned());
    ASSERT_EQ(frames, 9) << "3 frames, 5 shown while [Q] is held, then the rest of frame 4";
    for (int f = 4; f <= 8; ++f) {
        EXPECT_EQ(states[f - 1], game::kModePlaying) << "frame " << f;
        EXPECT_EQ(scores[f - 1], scores[2]) << "nothing moves while [Q] is held; frame " << f;
    }
    EXPECT_EQ(states[8], game::kModeGameOver);
    EXPECT_EQ(scores[8], scores[2] + 3) << "the frame still runs to its end";
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
        if (f == 2) keys().press(kP);
        if (f == 6) keys().release(kP);
        if (f == 9) sampled().holdForSamples(kP, 2);  // pressed in the pause screen
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
}

// ---- Reproducibility --------------------------------------------------------------------------

std::vector<double> snapshot() {
    GameGlobals& g = G();
    std::vector<double> v = {g.PlayPhase, g.Level,     g.LevelFrames, g.StarTop,   g.BeamEnd,
                             g.StarFrame, g.ShipLane,  g.ShipSlide,   g.ShipX,     g.ShipY,
                             g.Score,     g.CrateNext, g.CrateTimer,  g.BonusNext, g.BonusTimer};
    for (auto* t : {&g.CrateState, &g.CrateX, &g.CrateY, &g.CrateSpeed, &g.BonusState, &g.BonusX,
                    &g.BonusY, &g.BonusSpeed}) {
        for (int i = 0; i < 32; ++i) v.push_back((*t)(i));
    }
    for (auto* t : {&g.SparkX, &g.SparkY, &g.SparkSpeed}) {
        for (int i = 0; i < 256; ++i) v.push_back((*t)(i));
    }
    return v;
}

TEST_F(PlayTest, ASeededGameRepeatsFrameForFrame) {
    auto run = [&](int seed) {
        game::ResetGlobals();
        game::CreatePlayTables();
        SeedRandom(seed);
        game::NewGameInit();
        playFrames(250);
        return snapshot();
    };
    const std::vector<double> first = run(7);
    EXPECT_EQ(run(7), first);
    EXPECT_NE(run(8), first);
}

}  // namespace
}  // namespace qvt::test
