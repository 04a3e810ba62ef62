// The title screen: entering it silences the game, [1] starts a game on a press, [S]
// toggles the sound once per press, [P] and [Q] do nothing, and every text stands in its
// place.
#include <string>
#include <tuple>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

// The routine's first ShowScreen is the one on entry; its loop draws from frame 2 on. After
// a game [1] is still held (StartKeyHeld 1): only a new press starts the next one.
TEST_F(GameTest, EntrySilencesSTogglesOncePerPressAndOnlyANewPressOfOneStarts) {
    useGameMedia();
    G().SoundOn = 1;
    PlayMusic("dune/music.mp3", 1);
    PlaySound(game::kSoundIntro, 0, 1);
    G().StartKeyHeld = 1;
    keys().press(kKey1);
    const int S = kKeyS, P = kKeyP, Q = kKeyQ, K1 = kKey1;
    const Probe startHeld = QVT_FIELD(StartKeyHeld);
    runScript(game::TitleScreen, {
        {2, {}, {}, {{kMusic, 0}, {kIntro, 0}, {kState, 0}, {startHeld, 1}}},
        {3, {S}, {K1}, {{kSoundOn, 0}, {kSoundHeld, 1}, {startHeld, 0}}},
        {12, {}, {S}, {{kSoundOn, 0}, {kSoundHeld, 0}}},
        {15, {S, P, Q}, {}, {{kSoundOn, 1}, {kMusic, 0}, {kIntro, 0}, {kState, 0}}},
        {22, {}, {S, P, Q}, {{kSoundOn, 1}, {kState, 0}}},
        {23, {K1}, {}, {{kState, 1}, {startHeld, 1}}},
    });
}

TEST_F(GameTest, TextsStandInTheirPlaces) {
    fillLocalTable();
    for (int i = 0; i < game::kHiscoreEntries; ++i) G().GlobalName(i) = "----------";
    G().LocalName(9) = "BEST";
    G().LocalScore(9) = 123456;
    G().LocalName(0) = "LOW";
    G().LocalScore(0) = 7;
    G().GlobalName(5) = "GLOBAL5";
    G().GlobalScore(5) = 4242;
    SetClearColour(0x0000FF);  // whatever the screen held must be painted over
    runRoutine(game::TitleScreen, 2, [&](int f) {
        if (f != 2) return;
        // Table rows of the best, the sixth and the lowest entry, local then global; the
        // last line keeps its blank.
        const std::tuple<int, int, int, const char*> texts[] = {
            {232, 0, 11, " ORVELSOFT "}, {312, 16, 5, " #08 "}, {224, 48, 12, " RAYVAULTER "},
            {352, 96, 8, " KASTOR "}, {0, 144, 16, " HISCORE(LOCAL) "},
            {0, 176, 40, " BEST        123456  ----------       0 "},
            {0, 240, 40, " ORVELSOFT     6000  GLOBAL5       4242 "},
            {0, 320, 40, " LOW              7  ----------       0 "},
            {88, 368, 10, " TRAVERSE "}, {160, 416, 9, " [Z]/[X] "}, {296, 432, 7, " START "},
            {544, 448, 6, " PAUSE"}, {560, 464, 5, "QUIT "}};
        for (const auto& [x, y, n, text] : texts) EXPECT_EQ(readCells(x, y, n), text) << y;
        EXPECT_EQ(readFramePixel(8, 470), (FramePixel{0, 0, 0})) << "the screen is painted black";
        leave();
    });
}

}  // namespace
}  // namespace qvt::test
