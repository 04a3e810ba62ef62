// The main program: the start-up sequence up to the title screen with the table from the
// hiscore file, and a whole round from the title through a game and the name entry back to
// the title.
#include <string>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

namespace fs = std::filesystem;

// The splash image: halves told apart by red, rows by blue, so the image shows whether it
// is mapped pixel for pixel; green stays low so it never reads as a glyph.
FramePixel splash(int x, int y) { return {x < 320 ? 200 : 10, 40, y % 2 == 0 ? 10 : 150}; }
// Frames of the start-up: splash, "CONTACTING HISCORE SERVER", the one after the table
// was read; then the title's entry frame, and the first title frame.
constexpr int kSplashFrame = 1, kContactFrame = 2, kFirstTitleFrame = 5;

// The main program in a media folder of its own: splash, font and a hiscore file whose entry
// i is "F<i>", i + 1, sent (every score above 1 qualifies).
class ProgramTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        game::ResetGlobals();  // the main program creates the tables itself
        const std::string media = runtime->tempDir() + "game/Media";
        fs::create_directories(media);
        writeCodeFont(media + "/font16.png");
        writeImage(media + "/orvelsoft.png", 640, 480, splash);
        hiscorePath = media + "/" + game::kHiscoreFile;
        writeBytes(hiscorePath, hiscoreLines(30, "F", 1, "1"));
        fs::current_path(media + "/..");
    }

    std::string hiscorePath;
};

// A whole round: the start-up, [1] on the title, a game played without a key until a crate
// pushes the ship into the star, the name entry, and back to the title (not to the
// start-up). It runs the rules, the drawing and the file paths, so it is one of the
// sanitizer runs ("San").
using SanProgramTest = ProgramTest;

TEST_F(SanProgramTest, StartUpThenARoundFromTitleThroughGameAndNameEntryBackToTitle) {
    std::string contact, topRow, globalRow;
    int gameOverFrame = 0;
    runRoutine(game::MainProgram, 3000, [&](int frame) {
        const double state = G().GameState;
        if (frame == kSplashFrame) {
            for (auto [x, y] : {std::pair{100, 240}, {540, 101}, {639, 479}, {320, 1}}) {
                const FramePixel seen = readFramePixel(x, y);
                EXPECT_TRUE(nearPixel(seen, splash(x, y))) << x << ", " << y << ": " << seen;
            }
        }
        if (frame == kContactFrame) contact = readCells(104, 448, 27);
        if (frame == kFirstTitleFrame) {
            topRow = readCells(16, 176, 18);
            globalRow = readCells(336, 176, 18);
            keys().press(kKey1);
        }
        if (frame == kFirstTitleFrame + 2) keys().release(kKey1);
        // The play field's last frame has the state 3 too; the name entry drops what was
        // typed before it, so wait for its own screen.
        if (state == game::kModeGameOver && gameOverFrame == 0 &&
            readCells(144, 160, 22) == "ENTER YOUR NAME WINNER") {
            gameOverFrame = frame;
            keys().type("ACE\n");
        }
        if (gameOverFrame > 0 && state == game::kModeTitle &&
            readCells(248, 0, 9) == "ORVELSOFT") {
            leave();
        }
    });
    EXPECT_EQ(contact, " CONTACTING HISCORE SERVER ");
    EXPECT_EQ(topRow, "F9              10") << "the file's table, not the defaults";
    EXPECT_EQ(globalRow, "----------       0") << "an unreachable server's placeholders";
    EXPECT_NEAR(FrameInterval(), 1000.0 / 30.0, 1e-9) << "the game runs at 30 frames per second";
    EXPECT_EQ(std::string(G().HiscoreFileName.c_str()), game::kHiscoreFile)
        << "a writable media folder keeps the file";
    EXPECT_GT(gameOverFrame, 148 + 25 + 72) << "fly-in, beams and the destruction come first";
    EXPECT_GT(G().Score, 1);
    EXPECT_EQ(localName(9), "ACE");
    EXPECT_EQ(G().LocalScore(9), G().Score);
    game::ResetGlobals();
    game::CreateHiscoreTables();
    EXPECT_EQ(game::ReadHiscoreFile(RuntimeString(hiscorePath.c_str())), game::kHiscoreLines);
    EXPECT_EQ(localName(9), "ACE") << "the name entry saved the table";
}

}  // namespace
}  // namespace qvt::test
