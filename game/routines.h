// The game's routines: no arguments, no results; they talk only through GameGlobals.
// The state loop of MainProgram calls TitleScreen, NewGameInit, MainGame and GameOver;
// the others are called from inside those.
#pragma once

#include "quivent.h"

namespace qvt::game {

// Reads the server's hiscore list into the global table; sets WebOk.
void CheckOnlineHiScore();
// End of a game: silences it and hands a qualifying score to NewHiScore; GameState 0.
void GameOver();
// One game of play, frame by frame, while GameState is 2 (the play field's rules and
// drawing).
void MainGame();
// Sets up a new game; GameState 2.
void NewGameInit();
// Name entry for a score above the lowest local entry; inserts it and calls SaveHiScore.
void NewHiScore();
// The pause screen, called by MainGame with PauseOn 1; runs until [P] or [Q].
void PauseGame();
// Uploads pending entries (while the server is reachable) and writes the hiscore file.
void SaveHiScore();
// The title screen with both hiscore tables; runs until [1] starts a game.
void TitleScreen();

// The project settings: a 640 x 480 window, not full screen, 60 frames per second until
// the main program sets the game's own 30, caption "AKQZ08_Rayvaulter".
void GameSettings(ProjectSettings& settings);

// The main program: start-up sequence (splash, server contact, hiscore file, media), then
// the state loop, which never ends by itself.
void MainProgram();

// The call-by-name table: the eight routines above it, sorted by name, ended by a null
// entry. Static storage; install it with SetCallByNameTable.
const NamedRoutine* CallTable();

}  // namespace qvt::game
