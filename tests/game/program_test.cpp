// The main program: the start-up sequence up to the title screen with the table from the
// hiscore file.
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
        writeBytes(media + "/" + game::kHiscoreFile, hiscoreLines(30, "F", 1, "1"));
        fs::current_path(media + "/..");
    }

};

TEST_F(ProgramTest, StartUpShowsTheSplashContactsTheServerAndShowsTheFilesTable) {
    std::string contact, topRow, globalRow;
    runRoutine(game::MainProgram, kFirstTitleFrame, [&](int frame) {
        if (frame == kSplashFrame) {
            for (auto [x, y] : {std::pair{319, 240}, {320, 101}}) {
                const FramePixel seen = readFramePixel(x, y);
                EXPECT_TRUE(nearPixel(seen, splash(x, y))) << x << ", " << y << ": " << seen;
            }
        }
        if (frame == kContactFrame) contact = readCells(104, 448, 27);
        if (frame < kFirstTitleFrame) return;
        topRow = readCells(16, 176, 18);
        globalRow = readCells(336, 176, 18);
        leave();
    });
    EXPECT_EQ(contact, " CONTACTING HISCORE SERVER ");
    EXPECT_EQ(topRow, "F9              10") << "the file's table, not the defaults";
    EXPECT_EQ(globalRow, "----------       0") << "an unreachable server's placeholders";
    EXPECT_NEAR(FrameInterval(), 1000.0 / 30.0, 1e-9) << "the game runs at 30 frames per second";
    EXPECT_EQ(std::string(G().HiscoreFileName.c_str()), game::kHiscoreFile)
        << "a writable media folder keeps the file";
}

}  // namespace
}  // namespace qvt::test
