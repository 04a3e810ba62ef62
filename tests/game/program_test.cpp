// The main program: the start-up sequence up to the title screen with the table from the
// hiscore file.
#include <string>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

// The splash image: halves told apart by red, rows by blue, so the image shows whether it
// is mapped pixel for pixel; green stays low so it never reads as a glyph.
FramePixel splash(int x, int y) { return {x < 320 ? 200 : 10, 40, y % 2 == 0 ? 10 : 150}; }

// In a media folder of its own: splash, font and a hiscore file whose entry i is "F<i>",
// i + 1. Frames: 1 the splash, 2 "CONTACTING HISCORE SERVER", 5 the first title frame.
TEST_F(GameTest, StartUpShowsTheSplashContactsTheServerAndShowsTheFilesTable) {
    game::ResetGlobals();  // the main program creates the tables itself
    const std::string media = runtime->tempDir() + "game/Media";
    std::filesystem::create_directories(media);
    writeCodeFont(media + "/font16.png");
    writeImage(media + "/orvelsoft.png", 640, 480, splash);
    writeBytes(media + "/" + game::kHiscoreFile, hiscoreLines(30, "F", 1, "1"));
    std::filesystem::current_path(media + "/..");
    std::string contact, topRow;
    runRoutine(game::MainProgram, 5, [&](int frame) {
        for (auto [x, y] : {std::pair{319, 240}, {320, 101}}) {
            EXPECT_TRUE(frame != 1 || nearPixel(readFramePixel(x, y), splash(x, y))) << x;
        }
        if (frame == 2) contact = readCells(104, 448, 27);
        if (frame == 5) topRow = readCells(16, 176, 38);
        if (frame == 5) leave();
    });
    EXPECT_EQ(contact, " CONTACTING HISCORE SERVER ");
    EXPECT_EQ(topRow, "F9              10  ----------       0")
        << "the file's table, not the defaults; an unreachable server's placeholders";
    EXPECT_NEAR(FrameInterval(), 1000.0 / 30.0, 1e-9) << "the game runs at 30 frames per second";
}

}  // namespace
}  // namespace qvt::test
