// The play field: NewGameInit and MainGame (declared in game/routines.h) and the pieces of
// one frame of MainGame, so a test or a bench can run a frame without the loop around it.
//
// A frame is: the keys [Q], [P], [S]; the rules (key edges, fly-in, beams, play, the
// destruction, crates and bonus items); the drawing with the heads-up texts; ShowScreen.
// PlayFrame does all of it but ShowScreen, which MainGame calls after it.
#pragma once

namespace qvt::game {

// ---- Play phases (GameGlobals::PlayPhase) ------------------------------------------------

inline constexpr double kPhaseFlyIn = 1;        // the star rises, the ship drifts left
inline constexpr double kPhaseBeams = 2;        // the beams extend, the ship drifts right
inline constexpr double kPhasePlay = 3;         // play
inline constexpr double kPhaseCaught = 100;     // the ship was pushed into the star
inline constexpr double kPhaseBurst = 108;      // the shrunk ship bursts into fragments
inline constexpr double kPhaseGameOver = 172;   // last frame of the destruction

// ---- Sound slots (loaded by the main program, voice count 4) -------------------------------

inline constexpr double kSoundIntro = 1;
inline constexpr double kSoundExplode = 2;
inline constexpr double kSoundBonus = 3;
inline constexpr double kSoundLevelUp = 4;

// ---- Sprite slots (loaded by the main program) ---------------------------------------------

inline constexpr double kSpriteShip = 1;       // two 64 x 64 frames: straight, banking
inline constexpr double kSpriteCrate = 2;      // 64 x 64
inline constexpr double kSpriteBeam = 3;       // 16 x 16, stretched along the beam
inline constexpr double kSpriteBonus = 4;      // 32 x 32
inline constexpr double kSpriteExplode = 5;    // 64 x 64
inline constexpr double kSpriteStarFirst = 10; // 10..18: the star's nine frames, 512 x 512

// ---- Play field geometry (pixels) -----------------------------------------------------------

inline constexpr double kLaneLeft = 192;      // left edge of lane 0
inline constexpr double kLaneWidth = 64;
inline constexpr double kLaneCount = 4;
inline constexpr double kShipSize = 64;
inline constexpr double kShipRestY = 288;     // the ship's top edge when nothing pushes it
inline constexpr double kCrateSize = 64;
inline constexpr double kBonusSize = 32;
inline constexpr double kFallLimitY = 384;    // crates and items below this have met the star

// One frame of MainGame without its ShowScreen: keys, rules, drawing. [Q] and [P] may
// show frames of their own while they wait for their key's release, and [P] runs the
// pause screen.
void PlayFrame();

// The keys [Q], [P] and [S] at the start of a frame.
void PlayKeys();
// The rules of a frame: key edges, fly-in, beams, play, destruction, crates, bonus items.
void PlayRules();
// Draws the play field and the heads-up texts; moves the sparks, advances the star's
// animation and counts the "LEVEL UP" cue down. Uses Random for the flicker.
void DrawPlayField();

}  // namespace qvt::game
