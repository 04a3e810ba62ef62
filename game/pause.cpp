// The pause screen, a loop inside one frame of the play field, and the game over.
#include "quivent.h"
#include "game/globals.h"
#include "game/routines.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

constexpr double kIntroSound = 1;
// Phase from which the play field's music runs (play and destruction).
constexpr double kPhasePlay = 3;

void handleQuitKey(GameGlobals& g) {
    if (KeyDown(kKeyQ) == 0) return;
    waitWhileDown(kKeyQ);
    g.GameState = kModeTitle;
    g.PauseOn = 0;
}

void handleResumeKey(GameGlobals& g) {
    if (KeyDown(kKeyP) == 0) {
        g.PauseKeyHeld = 0;
        return;
    }
    if (g.PauseKeyHeld == 0) {
        g.PauseOn = 0;
        waitWhileDown(kKeyP);
    }
    g.PauseKeyHeld = 1;
}

// Acts on release, unlike the [S] of the title and the play field.
void handleSoundKey(GameGlobals& g) {
    if (KeyDown(kKeyS) == 0) {
        g.SoundKeyHeld = 0;
        return;
    }
    waitWhileDown(kKeyS);
    if (g.SoundKeyHeld == 0) {
        if (g.SoundOn != 0) {
            g.SoundOn = 0;
            StopAllSounds();
            PlayMusic("null.mp3", 1);
            StopMusic();
        } else {
            g.SoundOn = 1;
        }
    }
    g.SoundKeyHeld = 1;
}

void drawPause(const GameGlobals& g) {
    paintBlack(1, 1, 7, 7);
    drawCentred("PAUSE", 208);
    drawCentred("SCORE", 240);
    drawCentred(NumberToString(g.Score), 256);
    drawRightAligned("[S] SOUND", 432);
    drawRightAligned("[P] PAUSE", 448);
    drawRightAligned("[Q] QUIT ", 464);
}

void resumeSound(const GameGlobals& g) {
    if (g.SoundOn != 1) return;
    if (g.PlayPhase >= kPhasePlay) {
        PlayMusic("dune/music.mp3", 1);
    } else {
        PlaySound(kIntroSound, 0, 1);
    }
}

}  // namespace

void PauseGame() {
    GameGlobals& g = G();
    ShowSystemPointer(1);
    if (g.PauseOn == 1) {
        do {
            handleQuitKey(g);
            handleResumeKey(g);
            handleSoundKey(g);
            drawPause(g);
            ShowScreen();
        } while (g.PauseOn == 1);
    }
    resumeSound(g);
    ShowSystemPointer(0);
}

void GameOver() {
    GameGlobals& g = G();
    if (g.GameState != kModeGameOver) return;
    PlayMusic("null.mp3", 0);
    StopMusic();
    StopAllSounds();
    // Equal to the lowest entry does not qualify: the older entry keeps its place.
    if (g.Score > g.LocalScore(0)) NewHiScore();
    g.GameState = kModeTitle;
}

}  // namespace qvt::game
