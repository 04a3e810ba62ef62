// The main program: the start-up sequence and the state loop over GameState.
#include "quivent.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/online.h"
#include "game/routines.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

constexpr double kFrameRate = 30;
constexpr double kSplashSprite = 0;
constexpr double kSoundVoices = 4;

struct MediaFile {
    double slot;
    const char* file;
};

constexpr MediaFile kSprites[] = {
    {1, "pell/Spaceship.png"}, {2, "pell/Blocks.png"}, {3, "pell/Beam.png"},
    {4, "pell/Bonus.png"},     {5, "pell/explode.png"}, {10, "pell/Sun00.png"},
    {11, "pell/Sun01.png"},    {12, "pell/Sun02.png"},  {13, "pell/Sun03.png"},
    {14, "pell/Sun04.png"},    {15, "pell/Sun05.png"},  {16, "pell/Sun06.png"},
    {17, "pell/Sun07.png"},    {18, "pell/Sun08.png"},
};

constexpr MediaFile kSounds[] = {
    {1, "dune/intro.wav"}, {2, "dune/explode.wav"}, {3, "dune/bonus.wav"}, {4, "dune/levelup.wav"},
};

// The splash image over the whole screen, its texture mapped pixel for pixel.
void showSplash() {
    BeginPolygon(kSplashSprite, kPolygonFan);
    AddPolygonVertex(0, 0, 0, 0, kWhite);
    AddPolygonVertex(0, kScreenHeight, 0, kScreenHeight, kWhite);
    AddPolygonVertex(kScreenWidth, kScreenHeight, kScreenWidth, kScreenHeight, kWhite);
    AddPolygonVertex(kScreenWidth, 0, kScreenWidth, 0, kWhite);
    EndPolygon();
    ShowScreen();
}

void setLocalDefaults(GameGlobals& g) {
    for (int i = 0; i < kHiscoreEntries; ++i) {
        g.LocalScore(i) = 1000.0 * (i + 1);
        g.LocalName(i) = "ORVELSOFT";
        g.LocalSent(i) = 1;
    }
}

void loadMedia() {
    for (const MediaFile& m : kSprites) LoadSpriteFile(m.file, m.slot);
    for (const MediaFile& m : kSounds) LoadSound(m.file, m.slot, kSoundVoices);
}

void runStateLoop(GameGlobals& g) {
    while (g.QuitRequested == 0) {
        if (g.GameState == kModeTitle) {
            TitleScreen();
        } else if (g.GameState == kModeNewGame) {
            NewGameInit();
        } else if (g.GameState == kModePlaying) {
            MainGame();
        } else if (g.GameState == kModeGameOver) {
            GameOver();
        }
    }
}

}  // namespace

void GameSettings(ProjectSettings& s) {
    s.clientWidth = 640;
    s.clientHeight = 480;
    s.fullScreen = 0;
    s.exclusiveMouse = 0;
    s.debugMode = 0;
    s.multisample = 0;
    s.frameRate = 60;
    s.applicationName = RuntimeString("AKQZ08_Rayvaulter");
}

void MainProgram() {
    GameGlobals& g = G();
    ChangeDirectory("Media");
    SetFrameRate(kFrameRate);
    // Every screen paints all of its area itself.
    SetClearColour(-1);
    LoadFontFile("font16.png", 0);
    LoadSpriteFile("orvelsoft.png", kSplashSprite);
    showSplash();

    CreateHiscoreTables();
    g.HiscoreFileName = LocateHiscoreFile(kHiscoreFile);
    SelectFont(0);
    drawFixed("CONTACTING HISCORE SERVER", 120, 448);
    ShowScreen();
    CheckOnlineHiScore();
    setLocalDefaults(g);
    ReadHiscoreFile(g.HiscoreFileName);
    if (g.WebOk != 0) UploadPendingEntries(UploadForm::StartUp);
    ShowScreen();

    loadMedia();
    CreatePlayTables();
    g.SoundOn = 1;
    g.QuitRequested = 0;
    runStateLoop(g);
}

}  // namespace qvt::game
