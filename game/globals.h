// GameGlobals: the game's one record of shared variables. Every game routine reads and
// writes it through G(); nothing else carries state between the routines.
//
// Every number is a double, counters, flags and states included, because the routines
// compare and count in doubles (the play field's intervals are fractional, 51.2 and the
// like). Texts are RuntimeString, tables RuntimeArray: an index outside a table ends the
// program with the runtime's bounds report.
#pragma once

#include <cstdint>

#include "quivent.h"

namespace qvt::game {

// A record of the server's hiscore list: ServerScore is the record's key (the sort field),
// ServerName its text and LeadNumber its value. Use the accessors below, not the raw fields.
using ServerRecord = RuntimeRecord;
inline double& ServerScore(ServerRecord& r) { return r.key; }
inline RuntimeString& ServerName(ServerRecord& r) { return r.text; }
inline double& LeadNumber(ServerRecord& r) { return r.value; }

// GameState values: which routine the state loop runs next.
inline constexpr double kModeTitle = 0;
inline constexpr double kModeNewGame = 1;
inline constexpr double kModePlaying = 2;
inline constexpr double kModeGameOver = 3;

// Entries of the local and the global hiscore tables.
inline constexpr std::int32_t kHiscoreEntries = 10;
// Slots of the crate and the bonus tables, and number of background sparks.
inline constexpr std::int32_t kCrateSlots = 32;
inline constexpr std::int32_t kBonusSlots = 32;
inline constexpr std::int32_t kSparkCount = 256;

struct GameGlobals {
    // ---- Program flow, title, pause, game over -------------------------------------------
    double GameState = 0;      // kModeTitle .. kModeGameOver
    double QuitRequested = 0;  // the state loop ends when not 0; nothing sets it
    double SoundOn = 0;        // 1 sound and music play, 0 silent; 1 from start-up on
    double SoundKeyHeld = 0;   // 1 while [S] is held (title, pause and play share it)
    double StartKeyHeld = 0;   // 1 while [1] is held on the title; 1 after every start
    double PauseKeyHeld = 0;   // 1 while [P] is held inside the pause screen
    double PauseOn = 0;        // the pause screen runs while it is 1
    double Score = 0;          // running score; kept after a game for the game over

    // ---- Hiscores -------------------------------------------------------------------------
    double WebOk = 0;        // 1 when the latest request to the hiscore server completed
    double GlobalStale = 0;  // 1 once an upload was tried: fetch the global list again
    // Path of the local hiscore file: relative to the media folder, or an absolute path in
    // the user's data folder when the media folder cannot be written.
    RuntimeString HiscoreFileName;
    RuntimeArray<double> LocalScore;          // 10, ascending: index 0 lowest, 9 best
    RuntimeArray<RuntimeString> LocalName;    // 10, parallel to LocalScore
    RuntimeArray<double> LocalSent;           // 10; 1 nothing to upload, 0 still to send
    RuntimeArray<double> GlobalScore;         // 10, ascending like LocalScore
    RuntimeArray<RuntimeString> GlobalName;   // 10, parallel to GlobalScore
    RuntimeArray<ServerRecord> ServerRecords; // created with 1 blank entry; grows per record
    RuntimeString WorkLine;  // scratch: the line just read, the query of an upload
    RuntimeString EntryName; // the name being typed in the name entry
    RuntimeString EntryKey;  // the last typed character of the name entry

    // ---- Play field: phase, level, intro ----------------------------------------------------
    double PlayPhase = 0;    // 1 fly-in, 2 beams, 3 play, 100..172 destruction
    double Level = 0;        // from 1
    double LevelFrames = 0;  // frames played in the level, 0..900
    double LevelUpShow = 0;  // frames left to show "LEVEL UP"; carries over between games
    double StarTop = 0;      // y of the star picture's top edge: 480 down to 184
    double BeamEnd = 0;      // y where the beams end: -16 up to 384
    double StarFrame = 0;    // star animation frame 0..8; never reset

    // ---- Play field: ship ---------------------------------------------------------------------
    double ShipLane = 0;    // 0..3
    double ShipSlide = 0;   // glide offset in 16-pixel steps; > 0 gliding left, < 0 right
    double ShipX = 0;       // left edge as drawn, pixels
    double ShipY = 0;       // top edge, pixels; 288 at rest
    double ShipColour = 0;  // packed RGB vertex colour
    double LeftKey = 0;     // [Z]: 0 up, 1 pressed this frame, 2 held
    double RightKey = 0;    // [X]: the same

    // ---- Play field: crates (32 slots of 64 x 64) ---------------------------------------------
    RuntimeArray<double> CrateState;  // 0 free, 1 falling, > 1 fading (64 down by 8)
    RuntimeArray<double> CrateX;      // left edge: a lane's left edge
    RuntimeArray<double> CrateY;      // top edge
    RuntimeArray<double> CrateSpeed;  // pixels per frame
    double CrateNext = 0;             // slot the next segment takes, 0..31
    double CrateTimer = 0;            // frames to the next pair of columns
    double CrateInterval = 0;         // what CrateTimer restarts from: 256 / (Level + 4)

    // ---- Play field: bonus items (32 slots of 32 x 32) ----------------------------------------
    RuntimeArray<double> BonusState;  // 0 free, 1 falling, > 1 fading (32 down by 8)
    RuntimeArray<double> BonusX;      // left edge: a lane's left edge + 16
    RuntimeArray<double> BonusY;      // top edge
    RuntimeArray<double> BonusSpeed;  // pixels per frame
    double BonusNext = 0;
    double BonusTimer = 0;
    double BonusInterval = 0;

    // ---- Play field: background sparks (256) ------------------------------------------------
    RuntimeArray<double> SparkX;
    RuntimeArray<double> SparkY;
    RuntimeArray<double> SparkSpeed;  // pixels per frame
};

// The one instance; it lives for the whole process and is never freed.
GameGlobals& G();

// Puts every field back to its zero state (zero, empty texts, tables without storage), as
// at process start. For tests that run the game's routines more than once in a process.
void ResetGlobals();

// Creates the hiscore tables: LocalScore, LocalName, LocalSent, GlobalScore and
// GlobalName with 10 entries each, ServerRecords with 1 blank entry. Done once at start-up,
// before the hiscore file is read and the server is asked.
void CreateHiscoreTables();

// Creates the play field's tables, all zero: the eight crate and bonus tables of 32
// entries, then the three spark tables of 256. Done once at start-up, after the media are
// loaded and before the first game.
void CreatePlayTables();

}  // namespace qvt::game
