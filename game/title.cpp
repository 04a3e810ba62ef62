// The title screen: credits, the local and the global hiscore tables side by side, the
// key legend; [S] toggles the sound, [1] starts a game.
#include "quivent.h"
#include "game/globals.h"
#include "game/routines.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

// Top row of the tables (the best entry, index 9); one row per 16 pixels below it.
constexpr double kTableTop = 176;
constexpr double kLocalNameX = 16;
constexpr double kLocalScoreEnd = 304;
constexpr double kGlobalNameX = 336;
constexpr double kGlobalScoreEnd = 624;

void silence() {
    StopAllSounds();
    StopMusic();
}

// A press starts a game; a key still held from before (after a game) must be let go first.
void handleStartKey(GameGlobals& g) {
    if (KeyDown(kKey1) != 0) {
        if (g.StartKeyHeld == 0) g.GameState = kModeNewGame;
        g.StartKeyHeld = 1;
    } else {
        g.StartKeyHeld = 0;
    }
}

void handleSoundKey(GameGlobals& g) {
    if (KeyDown(kKeyS) == 0) {
        g.SoundKeyHeld = 0;
        return;
    }
    if (g.SoundKeyHeld == 0) {
        if (g.SoundOn != 0) {
            g.SoundOn = 0;
            silence();
        } else {
            // The title stays silent; the sound comes back with the next game.
            g.SoundOn = 1;
        }
    }
    g.SoundKeyHeld = 1;
}

void drawScoreEndingAt(double score, double rightEdge, double y) {
    RuntimeString text = NumberToString(score);
    drawFixed(text, rightEdge - kCellWidth * text.length(), y);
}

void drawTables(GameGlobals& g) {
    for (int i = 0; i < kHiscoreEntries; ++i) {
        double y = (kHiscoreEntries - 1 - i) * kCellWidth + kTableTop;
        drawFixed(g.LocalName(i), kLocalNameX, y);
        drawScoreEndingAt(g.LocalScore(i), kLocalScoreEnd, y);
        drawFixed(g.GlobalName(i), kGlobalNameX, y);
        drawScoreEndingAt(g.GlobalScore(i), kGlobalScoreEnd, y);
    }
}

void drawTitle(GameGlobals& g) {
    paintBlack(1, 1, 1, 1);
    drawCentred("ORVELSOFT", 0);
    drawCentred("KQZ #08", 16);
    drawProportionalCentred("RAYVAULTER", 48);
    drawCentred("GRAPHICS: PELL ORANDA", 80);
    drawCentred("MUSIC: DUNE KASTOR", 96);
    drawFixed("HISCORE(LOCAL)", kLocalNameX, 144);
    drawFixed("HISCORE(GLOBAL)", kGlobalNameX, 144);
    drawTables(g);
    drawCentred("TRAVERSE THE BEAMS OF LIGHT", 368);
    drawCentred("AVOID CRATES PUSHING YOU INTO STAR", 384);
    drawCentred("[Z]/[X] LEFT/RIGHT", 416);
    drawCentred("[1] START", 432);
    drawRightAligned("[S] SOUND", 432);
    drawRightAligned("[P] PAUSE", 448);
    drawRightAligned("[Q] QUIT ", 464);
}

}  // namespace

void TitleScreen() {
    GameGlobals& g = G();
    ShowSystemPointer(1);
    PlayMusic("null.mp3", 0);
    ShowScreen();
    silence();
    while (g.GameState == kModeTitle) {
        handleStartKey(g);
        handleSoundKey(g);
        drawTitle(g);
        ShowScreen();
    }
    // The press that started the game must not reach the play field.
    showFramesWhileDown(kKey1);
    ShowSystemPointer(0);
}

}  // namespace qvt::game
