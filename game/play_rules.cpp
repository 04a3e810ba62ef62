// The play field's rules: a new game, the frame loop, the keys, the intro, play, the
// destruction, and the crates and bonus items that fall down the lanes.
#include <array>

#include "quivent.h"
#include "game/globals.h"
#include "game/play.h"
#include "game/routines.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

// ---- Numbers of the rules ------------------------------------------------------------------

constexpr double kShipStartX = 288;
constexpr double kShipStartLane = 1;
constexpr double kStarStartTop = 480;
constexpr double kStarStopTop = 184;
constexpr double kStarRise = 2;          // pixels per frame in the fly-in
constexpr double kFlyInStopX = 232;
constexpr double kFlyInDrift = 0.5;      // pixels per frame
constexpr double kBeamStartEnd = -16;
constexpr double kBeamStopEnd = 384;
constexpr double kBeamGrowth = 16;       // pixels per frame
constexpr double kBeamsStopX = 256;
constexpr double kSlideStep = 16;        // pixels per unit of ShipSlide
constexpr double kLaneChangeSlide = 4;
constexpr double kRecovery = 4;          // pixels per frame back up towards the rest
constexpr double kStarContactY = 392;    // a ship pushed below this meets the star
constexpr double kLevelFrames = 900;     // the level rises in the frame after these
constexpr double kSpawnSpacing = 256;    // interval = kSpawnSpacing / fall speed
constexpr double kFirstInterval = 51.2;  // kSpawnSpacing / (1 + 4)
constexpr double kScorePerFrame = 3;
constexpr double kBonusPoints = 1000;
constexpr double kCrateFirstY = -240;
constexpr double kBonusEntryY = -32;
constexpr double kBonusInset = 16;       // an item's left edge from its lane's
constexpr double kCrateFadeStart = 64;
constexpr double kBonusFadeStart = 32;
constexpr double kFadeStep = 8;
// A lane change is undone by a crate across this strip of the ship (from its top edge);
// a crate pushes the ship by the strip of the same height at its top edge.
constexpr double kStripTop = 24;
constexpr double kStripHeight = 8;

// Placements drawn at random before a free lane is taken in order.
constexpr int kMaxPlacementDraws = 64;

const char* const kMusicFile = "dune/music.mp3";
const char* const kNoMusicFile = "null.mp3";

// ---- Helpers -----------------------------------------------------------------------------

double laneLeft(double lane) { return lane * kLaneWidth + kLaneLeft; }

double fallSpeed(const GameGlobals& g) { return g.Level + 4; }

// The runtime's box test on positions truncated toward zero.
bool boxesOverlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2,
                  double h2) {
    return BoxOverlap(truncToInt32(x1), truncToInt32(y1), truncToInt32(w1), truncToInt32(h1),
                      truncToInt32(x2), truncToInt32(y2), truncToInt32(w2), truncToInt32(h2)) != 0;
}

bool crateOverlaps(GameGlobals& g, int slot, double x, double y, double w, double h) {
    return boxesOverlap(x, y, w, h, g.CrateX(slot), g.CrateY(slot), kCrateSize, kCrateSize);
}

void playSound(const GameGlobals& g, double id, double volume) {
    if (g.SoundOn == 1) PlaySound(id, 0, volume);
}

// 0 up, 1 pressed in this frame, 2 held.
double keyEdge(double key, double previous) {
    if (KeyDown(key) == 0) return 0;
    return previous != 0 ? 2 : 1;
}

// A fading slot shrinks by one step; at 1 or less it is free again.
void fade(double& state) {
    if (state <= 1) return;
    state -= kFadeStep;
    if (state <= 1) state = 0;
}

// ---- Keys ----------------------------------------------------------------------------------

void quitKey(GameGlobals& g) {
    if (KeyDown(kKeyQ) == 0) return;
    showFramesWhileDown(kKeyQ);
    g.GameState = kModeGameOver;
}

void pauseKey(GameGlobals& g) {
    if (KeyDown(kKeyP) == 0) return;
    PlayMusic(kNoMusicFile, 1);
    StopAllSounds();
    showFramesWhileDown(kKeyP);
    g.PauseOn = 1;
    PauseGame();
}

void toggleSound(GameGlobals& g) {
    if (g.SoundOn != 0) {
        g.SoundOn = 0;
        PlayMusic(kNoMusicFile, 0);
        StopAllSounds();
        StopMusic();
        return;
    }
    g.SoundOn = 1;
    if (g.PlayPhase >= kPhasePlay) {
        PlayMusic(kMusicFile, 1);
    } else {
        PlaySound(kSoundIntro, 0, 1);
    }
}

void soundKey(GameGlobals& g) {
    if (KeyDown(kKeyS) == 0) {
        g.SoundKeyHeld = 0;
        return;
    }
    if (g.SoundKeyHeld == 0) toggleSound(g);
    g.SoundKeyHeld = 1;
}

// ---- Intro ---------------------------------------------------------------------------------

void flyIn(GameGlobals& g) {
    g.StarTop -= kStarRise;
    if (g.ShipX > kFlyInStopX) {
        g.ShipX -= kFlyInDrift;
        g.ShipSlide = 1;
    } else {
        g.ShipSlide = 0;
    }
    if (g.StarTop <= kStarStopTop) {
        g.StarTop = kStarStopTop;
        g.PlayPhase = kPhaseBeams;
    }
}

void extendBeams(GameGlobals& g) {
    g.BeamEnd += kBeamGrowth;
    if (g.ShipX < kBeamsStopX) {
        g.ShipX += 1;
        g.ShipSlide = -1;
    } else {
        g.ShipSlide = 0;
    }
    if (g.BeamEnd >= kBeamStopEnd) {
        g.BeamEnd = kBeamStopEnd;
        g.PlayPhase = kPhasePlay;
        if (g.SoundOn == 1) PlayMusic(kMusicFile, 1);
    }
}

// ---- Play ----------------------------------------------------------------------------------

void countLevel(GameGlobals& g) {
    if (g.LevelFrames < kLevelFrames) {
        g.LevelFrames += 1;
        return;
    }
    g.LevelUpShow = 30;
    g.Level += 1;
    g.LevelFrames = 0;
    g.BonusInterval = kSpawnSpacing / fallSpeed(g);
    // A breather: the first pair of the new level comes two of its periods later.
    g.BonusTimer = 2 * g.BonusInterval;
    g.CrateTimer = g.BonusTimer;
    g.CrateInterval = g.BonusInterval;
    playSound(g, kSoundLevelUp, 0.5);
}

void changeLane(GameGlobals& g) {
    if (g.LeftKey == 1 && g.RightKey == 0 && g.ShipLane > 0) {
        g.ShipLane -= 1;
        g.ShipSlide += kLaneChangeSlide;
    }
    if (g.LeftKey == 0 && g.RightKey == 1 && g.ShipLane < kLaneCount - 1) {
        g.ShipLane += 1;
        g.ShipSlide -= kLaneChangeSlide;
    }
    if (g.ShipSlide < 0) g.ShipSlide += 1;
    if (g.ShipSlide > 0) g.ShipSlide -= 1;
}

// A falling crate across the ship's strip in the lane it moves into sends it back at once.
void undoBlockedChange(GameGlobals& g) {
    for (int i = 0; i < kCrateSlots; ++i) {
        if (g.CrateState(i) != 1 || g.ShipSlide == 0) continue;
        if (!crateOverlaps(g, i, laneLeft(g.ShipLane), g.ShipY + kStripTop, kLaneWidth,
                           kStripHeight)) {
            continue;
        }
        g.ShipLane += g.ShipSlide > 0 ? 1 : -1;
        g.ShipSlide = 0;
    }
}

void recover(GameGlobals& g) {
    if (g.ShipY > kShipRestY) g.ShipY -= kRecovery;
    if (g.ShipY < kShipRestY) g.ShipY = kShipRestY;
    if (g.ShipY > kStarContactY) g.PlayPhase = kPhaseCaught;
}

void play(GameGlobals& g) {
    countLevel(g);
    g.Score += kScorePerFrame;
    changeLane(g);
    undoBlockedChange(g);
    g.ShipX = laneLeft(g.ShipLane) + g.ShipSlide * kSlideStep;
    recover(g);
}

void destruction(GameGlobals& g) {
    g.PlayPhase += 1;
    if (g.PlayPhase == kPhaseBurst) {
        PlayMusic(kNoMusicFile, 0);
        StopMusic();
        playSound(g, kSoundExplode, 1);
    }
    if (g.PlayPhase == kPhaseGameOver) g.GameState = kModeGameOver;
}

// ---- Crates --------------------------------------------------------------------------------

// A column of 1 + extra segments in lane, from y -240 down.
void addColumn(GameGlobals& g, double lane, double extra) {
    double y = kCrateFirstY;
    for (int k = 0; k <= extra; ++k) {
        const double slot = g.CrateNext;
        g.CrateX(slot) = laneLeft(lane);
        g.CrateY(slot) = y;
        g.CrateSpeed(slot) = fallSpeed(g);
        g.CrateState(slot) = 1;
        g.CrateNext = slot >= kCrateSlots - 1 ? 0 : slot + 1;
        y += kCrateSize;
    }
}

void spawnCrates(GameGlobals& g) {
    if (g.CrateTimer > 0) {
        g.CrateTimer -= 1;
        return;
    }
    g.CrateTimer = g.CrateInterval;
    const double laneA = Random(3);
    const double extraA = Random(2);
    addColumn(g, laneA, extraA);
    double laneB = Random(3);
    while (laneB == laneA) laneB = Random(3);
    const double extraB = Random(2);
    addColumn(g, laneB, extraB);
}

void moveCrates(GameGlobals& g) {
    for (int i = 0; i < kCrateSlots; ++i) {
        if (g.CrateState(i) == 1) {
            g.CrateY(i) += g.CrateSpeed(i);
            if (g.CrateY(i) > kFallLimitY) g.CrateState(i) = kCrateFadeStart;
            // The crate's lower edge pushes the top of the ship down.
            if (g.PlayPhase == kPhasePlay &&
                crateOverlaps(g, i, laneLeft(g.ShipLane), g.ShipY, kLaneWidth, kStripHeight)) {
                g.ShipY = g.CrateY(i) + kCrateSize;
            }
        }
        fade(g.CrateState(i));
    }
}

// ---- Bonus items ---------------------------------------------------------------------------

double bonusLeft(double lane) { return laneLeft(lane) + kBonusInset; }

// Tested where the item enters: a crate that blocks a lane there would sit on the item.
bool bonusBlocked(GameGlobals& g, double x) {
    for (int i = 0; i < kCrateSlots; ++i) {
        if (g.CrateState(i) == 1 && crateOverlaps(g, i, x, kBonusEntryY, kBonusSize, kBonusSize)) {
            return true;
        }
    }
    return false;
}

// The x of the new item, or a negative value when every lane is blocked. Lanes are drawn at
// random while blocked; after kMaxPlacementDraws the first free lane is taken, so the
// placement ends whatever the random source gives.
double placeBonus(GameGlobals& g) {
    std::array<bool, 4> free{};
    bool anyFree = false;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        free[lane] = !bonusBlocked(g, bonusLeft(lane));
        anyFree = anyFree || free[lane];
    }
    if (!anyFree) return -1;
    for (int draw = 0; draw < kMaxPlacementDraws; ++draw) {
        const std::int32_t lane = Random(3);
        if (free[lane]) return bonusLeft(lane);
    }
    int lane = 0;
    while (!free[lane]) ++lane;
    return bonusLeft(lane);
}

void spawnBonus(GameGlobals& g) {
    if (g.BonusTimer > 0) {
        g.BonusTimer -= 1;
        return;
    }
    g.BonusTimer = g.BonusInterval;
    const double x = placeBonus(g);
    // Every lane blocked where items enter: this item is left out.
    if (x < 0) return;
    const double slot = g.BonusNext;
    g.BonusX(slot) = x;
    g.BonusY(slot) = kBonusEntryY;
    g.BonusSpeed(slot) = fallSpeed(g);
    g.BonusState(slot) = 1;
    g.BonusNext = slot >= kBonusSlots - 1 ? 0 : slot + 1;
}

void collectBonus(GameGlobals& g, int slot) {
    playSound(g, kSoundBonus, 0.5);
    g.Score += kBonusPoints;
    g.BonusState(slot) = 0;
}

void moveBonuses(GameGlobals& g) {
    for (int i = 0; i < kBonusSlots; ++i) {
        if (g.BonusState(i) == 1) {
            g.BonusY(i) += g.BonusSpeed(i);
            if (g.BonusY(i) > kFallLimitY) g.BonusState(i) = kBonusFadeStart;
            // Only a settled ship collects: one gliding past an item does not.
            if (g.ShipSlide == 0 && g.PlayPhase == kPhasePlay &&
                boxesOverlap(g.ShipX, g.ShipY, kShipSize, kShipSize, g.BonusX(i), g.BonusY(i),
                             kBonusSize, kBonusSize)) {
                collectBonus(g, i);
            }
        }
        fade(g.BonusState(i));
    }
}

}  // namespace

// ---- The routines ---------------------------------------------------------------------------

void NewGameInit() {
    GameGlobals& g = G();
    g.Score = 0;
    g.GameState = kModePlaying;
    g.ShipX = kShipStartX;
    g.ShipY = kShipRestY;
    g.ShipSlide = 0;
    g.ShipLane = kShipStartLane;
    g.PlayPhase = kPhaseFlyIn;
    g.Level = 1;
    g.ShipColour = kWhite;
    g.LevelFrames = 0;
    g.CrateTimer = 0;
    g.CrateInterval = kFirstInterval;
    g.CrateNext = 0;
    g.BonusTimer = 0;
    g.BonusInterval = kFirstInterval;
    g.BonusNext = 0;
    for (int i = 0; i < kCrateSlots; ++i) g.CrateState(i) = 0;
    for (int i = 0; i < kBonusSlots; ++i) g.BonusState(i) = 0;
    g.StarTop = kStarStartTop;
    g.BeamEnd = kBeamStartEnd;
    for (int i = 0; i < kSparkCount; ++i) {
        g.SparkX(i) = Random(640);
        g.SparkY(i) = Random(720);
        g.SparkSpeed(i) = Random(8) + 8;
    }
    playSound(g, kSoundIntro, 1);
}

void MainGame() {
    while (G().GameState == kModePlaying) {
        PlayFrame();
        ShowScreen();
    }
}

void PlayFrame() {
    PlayKeys();
    PlayRules();
    DrawPlayField();
}

void PlayKeys() {
    GameGlobals& g = G();
    quitKey(g);
    pauseKey(g);
    soundKey(g);
}

void PlayRules() {
    GameGlobals& g = G();
    g.LeftKey = keyEdge(kKeyZ, g.LeftKey);
    g.RightKey = keyEdge(kKeyX, g.RightKey);
    if (g.PlayPhase == kPhaseFlyIn) flyIn(g);
    if (g.PlayPhase == kPhaseBeams) extendBeams(g);
    if (g.PlayPhase == kPhasePlay) play(g);
    if (g.PlayPhase >= kPhaseCaught && g.PlayPhase < kPhaseGameOver) destruction(g);
    if (g.PlayPhase >= kPhasePlay) {
        spawnCrates(g);
        moveCrates(g);
        spawnBonus(g);
        moveBonuses(g);
    }
}

}  // namespace qvt::game
