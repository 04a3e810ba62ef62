// The main program: the start-up sequence up to the title screen with the table from the
// hiscore file (or its defaults when the file is missing or short), and a whole round from
// the title through a game and the name entry back to the title.
#include <filesystem>
#include <fstream>
#include <string>

#include "core/arrays.h"
#include "core/cipher.h"
#include "core/clock.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/routines.h"
#include "support/pixels.h"
#include "game_harness.h"

namespace qvt::test {
namespace {

namespace fs = std::filesystem;
using game::G;

constexpr int kKey1 = 2;
// The splash image's two halves; green stays low so no half reads as a glyph.
constexpr FramePixel kSplashLeft{200, 40, 10};
constexpr FramePixel kSplashRight{10, 60, 200};
// Frames of the start-up: splash, "CONTACTING HISCORE SERVER", the one after the table
// was read; then the title's entry frame, and the first title frame.
constexpr int kSplashFrame = 1, kContactFrame = 2, kFirstTitleFrame = 5;

// The hiscore file's lines for entry i = name "F<i>", score `scoreStep` * (i + 1), sent 1.
void writeHiscores(const std::string& path, int lines, double scoreStep) {
    std::ofstream out(path, std::ios::binary);
    for (int n = 0; n < lines; ++n) {
        int i = n / 3;
        RuntimeString text = n % 3 == 0   ? RuntimeString(("F" + std::to_string(i)).c_str())
                             : n % 3 == 1 ? NumberToString(scoreStep * (i + 1))
                                          : RuntimeString("1");
        out << EncryptText(game::kHiscoreKey, text).c_str() << "\r\n";
    }
}

class ProgramTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        game::ResetGlobals();  // the main program creates the tables itself
        folder = runtime->tempDir() + "game";
        media = folder + "/Media";
        fs::create_directories(media);
        writeCodeFont(media + "/font16.png");
        writeBmp(media + "/orvelsoft.png", 640, 480,
                 [](int x, int) { return x < 320 ? kSplashLeft : kSplashRight; });
        fs::current_path(folder);
    }

    std::string hiscorePath() const { return media + "/" + game::kHiscoreFile; }
    std::string name(int i) const { return std::string(G().LocalName(i).c_str()); }

    // Runs the main program until its first title frame; script sees the frames before.
    void startUpToTitle(const std::function<void(int)>& script = {}) {
        fs::current_path(folder);
        runRoutine(game::MainProgram, kFirstTitleFrame + 5, [&](int frame) {
            if (script) script(frame);
            if (frame == kFirstTitleFrame) leave();
        });
        EXPECT_FALSE(timedOut());
        EXPECT_FALSE(returned()) << "the state loop never ends by itself";
    }

    std::string folder, media;
};

TEST_F(ProgramTest, StartUpShowsSplashContactThenTheTitleWithTheFileTable) {
    writeHiscores(hiscorePath(), 30, 500);
    std::string contact, topRow, bottomRow, globalRow;
    FramePixel left, right;
    startUpToTitle([&](int frame) {
        if (frame == kSplashFrame) {
            left = readFramePixel(100, 240);
            right = readFramePixel(540, 100);
        }
        if (frame == kContactFrame) contact = readText(104, 448, 27);
        if (frame == kFirstTitleFrame) {
            topRow = readText(16, 176, 18);
            bottomRow = readText(16, 320, 18);
            globalRow = readText(336, 176, 18);
        }
    });
    EXPECT_TRUE(nearPixel(left, kSplashLeft)) << left;
    EXPECT_TRUE(nearPixel(right, kSplashRight)) << right;
    EXPECT_EQ(contact, " CONTACTING HISCORE SERVER ");
    EXPECT_EQ(topRow, "F9            5000") << "the best entry of the file, not a default";
    EXPECT_EQ(bottomRow, "F0             500");
    EXPECT_EQ(globalRow, "----------       0") << "an unreachable server's placeholders";

    EXPECT_NEAR(FrameInterval(), 1000.0 / 30.0, 1e-9) << "the game runs at 30 frames per second";
    EXPECT_EQ(G().WebOk, 0);
    EXPECT_EQ(G().SoundOn, 1);
    EXPECT_EQ(G().QuitRequested, 0);
    EXPECT_EQ(std::string(G().HiscoreFileName.c_str()), game::kHiscoreFile)
        << "a writable media folder keeps the file";
    EXPECT_EQ(ArrayBounds(G().ServerRecords, 0), 1);
    for (auto* t : {&G().CrateState, &G().CrateX, &G().CrateY, &G().CrateSpeed, &G().BonusState,
                    &G().BonusX, &G().BonusY, &G().BonusSpeed}) {
        EXPECT_EQ(ArrayBounds(*t, 0), 32);
    }
    for (auto* t : {&G().SparkX, &G().SparkY, &G().SparkSpeed}) EXPECT_EQ(ArrayBounds(*t, 0), 256);
}

TEST_F(ProgramTest, MissingHiscoreFileStartsWithTheDefaults) {
    startUpToTitle();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(name(i), "ORVELSOFT") << "index " << i;
        EXPECT_EQ(G().LocalScore(i), 1000.0 * (i + 1)) << "index " << i;
        EXPECT_EQ(G().LocalSent(i), 1) << "index " << i;
    }
}

TEST_F(ProgramTest, ShortHiscoreFileGivesTheLinesItHas) {
    writeHiscores(hiscorePath(), 4, 500);
    startUpToTitle();
    EXPECT_EQ(name(0), "F0");
    EXPECT_EQ(G().LocalScore(0), 500);
    EXPECT_EQ(name(1), "F1");
    EXPECT_EQ(G().LocalScore(1), 2000) << "not in the file: the default";
    for (int i = 2; i < 10; ++i) EXPECT_EQ(name(i), "ORVELSOFT") << "index " << i;
}

TEST_F(ProgramTest, TableSavedByTheGameIsReadByAFreshStartUp) {
    writeHiscores(hiscorePath(), 30, 500);
    startUpToTitle();
    G().Score = 4321;
    G().GameState = game::kModeGameOver;
    runRoutine(game::GameOver, 50, [&](int frame) {
        if (frame == 2) keys().type("SAVED\n");
    });
    ASSERT_TRUE(returned());
    ASSERT_EQ(name(7), "SAVED");

    game::ResetGlobals();
    std::string row;
    startUpToTitle([&](int frame) {
        if (frame == kFirstTitleFrame) row = readText(16, 208, 18);
    });
    EXPECT_EQ(name(7), "SAVED");
    EXPECT_EQ(G().LocalScore(7), 4321);
    EXPECT_EQ(G().LocalSent(7), 0) << "still to be sent to the server";
    EXPECT_EQ(name(0), "F1") << "the old lowest entry was pushed out";
    EXPECT_EQ(row, "SAVED         4321") << "index 7 is the third row";
}

// A whole round: [1] on the title, a game played without a key until a crate pushes the
// ship into the star, the name entry, and back to the title (not to the start-up).
TEST_F(ProgramTest, RoundFromTitleThroughGameAndNameEntryBackToTitle) {
    writeHiscores(hiscorePath(), 30, 1);  // every score above 1 qualifies
    bool sawPlay = false, typed = false, backOnTitle = false;
    int gameOverFrame = 0;
    fs::current_path(folder);
    runRoutine(game::MainProgram, 3000, [&](int frame) {
        double state = G().GameState;
        if (frame == kFirstTitleFrame) keys().press(kKey1);
        if (frame == kFirstTitleFrame + 2) keys().release(kKey1);
        if (state == game::kModePlaying) sawPlay = true;
        // The play field's last frame has the state 3 too; the name entry drops what was
        // typed before it, so wait for its own screen.
        if (state == game::kModeGameOver && !typed &&
            readText(144, 160, 22) == "ENTER YOUR NAME WINNER") {
            gameOverFrame = frame;
            keys().type("ACE\n");
            typed = true;
        }
        if (typed && state == game::kModeTitle && readText(248, 0, 9) == "ORVELSOFT") {
            backOnTitle = true;
            leave();
        }
    });
    EXPECT_FALSE(timedOut());
    EXPECT_TRUE(sawPlay);
    EXPECT_TRUE(typed) << "the game ended in the name entry";
    EXPECT_TRUE(backOnTitle);
    EXPECT_GT(gameOverFrame, 148 + 25 + 72) << "fly-in, beams and the destruction come first";
    EXPECT_GT(G().Score, 1);
    EXPECT_EQ(name(9), "ACE");
    EXPECT_EQ(G().LocalScore(9), G().Score);

    game::ResetGlobals();
    game::CreateHiscoreTables();
    EXPECT_EQ(game::ReadHiscoreFile(RuntimeString(hiscorePath().c_str())), game::kHiscoreLines);
    EXPECT_EQ(name(9), "ACE") << "the name entry saved the table";
}

// [Q] in the pause screen goes back to the title without the game over: the score is never
// entered, even one that would qualify, and the file is not written.
TEST_F(ProgramTest, QuitFromThePauseSkipsTheGameOver) {
    writeHiscores(hiscorePath(), 30, 1);
    std::ifstream before(hiscorePath(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(before)), {});
    constexpr int kKeyP = 25, kKeyQ = 16;
    sampled();  // the pause screen waits for [Q]'s release without frames
    int pressFrame = 0, pauseFrame = 0;
    bool sawEntry = false, backOnTitle = false;
    fs::current_path(folder);
    runRoutine(game::MainProgram, 1000, [&](int frame) {
        if (frame == kFirstTitleFrame) keys().press(kKey1);
        if (frame == kFirstTitleFrame + 2) keys().release(kKey1);
        if (G().PlayPhase == 3 && G().Score >= 30 && pressFrame == 0) {
            keys().press(kKeyP);
            pressFrame = frame;
        }
        // The play field waits for [P]'s release before it pauses.
        if (pressFrame > 0 && frame == pressFrame + 2) keys().release(kKeyP);
        if (pressFrame > 0 && pauseFrame == 0 && readText(280, 208, 5) == "PAUSE") {
            pauseFrame = frame;
            sampled().holdForSamples(kKeyQ, 5);
        }
        if (readText(144, 160, 22) == "ENTER YOUR NAME WINNER") sawEntry = true;
        if (pauseFrame > 0 && G().GameState == game::kModeTitle &&
            readText(248, 0, 9) == "ORVELSOFT") {
            backOnTitle = true;
            leave();
        }
    });
    EXPECT_FALSE(timedOut());
    EXPECT_GT(pauseFrame, 0) << "[P] showed the pause screen";
    EXPECT_TRUE(backOnTitle);
    EXPECT_FALSE(sawEntry) << "no name entry after [Q] in the pause";
    EXPECT_GE(G().Score, 30);
    EXPECT_EQ(name(9), "F9");
    std::ifstream after(hiscorePath(), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), bytes);
}

}  // namespace
}  // namespace qvt::test
