// The main program: the start-up sequence up to the title screen with the table from the
// hiscore file (or its defaults when the file is missing or short), and a whole round from
// the title through a game and the name entry back to the title.
#include <string>

#include "core/arrays.h"
#include "core/cipher.h"
#include "core/clock.h"
#include "game/game_harness.h"
#include "game/hiscore_file.h"

namespace qvt::test {
namespace {

namespace fs = std::filesystem;
using game::G;

// The splash image: halves told apart by red, rows by blue, so the image shows whether it
// is mapped pixel for pixel; green stays low so it never reads as a glyph.
FramePixel splash(int x, int y) { return {x < 320 ? 200 : 10, 40, y % 2 == 0 ? 10 : 150}; }
// Frames of the start-up: splash, "CONTACTING HISCORE SERVER", the one after the table
// was read; then the title's entry frame, and the first title frame.
constexpr int kSplashFrame = 1, kContactFrame = 2, kFirstTitleFrame = 5;

// The hiscore file's lines for entry i = name "F<i>", score `scoreStep` * (i + 1), sent 1.
void writeHiscores(const std::string& path, int lines, double scoreStep) {
    std::string file;
    for (int n = 0; n < lines; ++n) {
        const int i = n / 3;
        const RuntimeString text = n % 3 == 0   ? RuntimeString(("F" + std::to_string(i)).c_str())
                                   : n % 3 == 1 ? NumberToString(scoreStep * (i + 1))
                                                : RuntimeString("1");
        file = file + EncryptText(game::kHiscoreKey, text).c_str() + "\r\n";
    }
    writeBytes(path, file);
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
                 splash);
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
    std::vector<std::pair<int, int>> spots = {{100, 240}, {540, 101}, {0, 0}, {639, 0},
                                              {0, 479}, {639, 479}, {320, 1}};
    std::vector<FramePixel> seen;
    startUpToTitle([&](int frame) {
        if (frame == kSplashFrame) {
            for (auto [x, y] : spots) seen.push_back(readFramePixel(x, y));
        }
        if (frame == kContactFrame) contact = readCells(104, 448, 27);
        if (frame == kFirstTitleFrame) {
            topRow = readCells(16, 176, 18);
            bottomRow = readCells(16, 320, 18);
            globalRow = readCells(336, 176, 18);
        }
    });
    ASSERT_EQ(seen.size(), spots.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        const auto [x, y] = spots[i];
        EXPECT_TRUE(nearPixel(seen[i], splash(x, y))) << "(" << x << ", " << y << "): " << seen[i];
    }
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

// Entries the file does not reach keep the defaults the start-up sets first.
TEST_F(ProgramTest, MissingOrShortHiscoreFileLeavesTheDefaultsItDoesNotReach) {
    for (int lines : {0, 4}) {
        SCOPED_TRACE(testing::Message() << lines << " lines");
        fs::remove(hiscorePath());
        if (lines > 0) writeHiscores(hiscorePath(), lines, 500);
        game::ResetGlobals();
        startUpToTitle();
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(name(i), i < (lines + 2) / 3 ? "F" + std::to_string(i) : "ORVELSOFT") << i;
            EXPECT_EQ(G().LocalScore(i), i < (lines + 1) / 3 ? 500 : 1000.0 * (i + 1)) << i;
            EXPECT_EQ(G().LocalSent(i), 1) << i;
        }
    }
}

// A whole round: [1] on the title, a game played without a key until a crate pushes the
// ship into the star, the name entry, and back to the title (not to the start-up). It runs
// the rules, the drawing and the file paths, so it is one of the sanitizer runs ("San").
using SanProgramTest = ProgramTest;

TEST_F(SanProgramTest, RoundFromTitleThroughGameAndNameEntryBackToTitle) {
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
            readCells(144, 160, 22) == "ENTER YOUR NAME WINNER") {
            gameOverFrame = frame;
            keys().type("ACE\n");
            typed = true;
        }
        if (typed && state == game::kModeTitle && readCells(248, 0, 9) == "ORVELSOFT") {
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
    const std::string bytes = readText(hiscorePath());
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
        if (pressFrame > 0 && pauseFrame == 0 && readCells(280, 208, 5) == "PAUSE") {
            pauseFrame = frame;
            keys().holdForSamples(kKeyQ, 5);
        }
        if (readCells(144, 160, 22) == "ENTER YOUR NAME WINNER") sawEntry = true;
        if (pauseFrame > 0 && G().GameState == game::kModeTitle &&
            readCells(248, 0, 9) == "ORVELSOFT") {
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
    EXPECT_EQ(readText(hiscorePath()), bytes) << "the file is not written";
}

}  // namespace
}  // namespace qvt::test
