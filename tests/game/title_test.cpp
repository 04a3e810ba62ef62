// The title screen: [1] starts a game on a press, [S] toggles the sound once per press,
// [P] and [Q] do nothing, and every text stands in its place.
#include <string>

#include "game/globals.h"
#include "game/routines.h"
#include "game/screens.h"
#include "gfx/screen.h"
#include "support/pixels.h"
#include "game_harness.h"

namespace qvt::test {
namespace {

using game::G;

constexpr int kKey1 = 2, kKeyQ = 16, kKeyP = 25, kKeyS = 31;

class TitleTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        for (int i = 0; i < game::kHiscoreEntries; ++i) {
            G().LocalScore(i) = 1000.0 * (i + 1);
            G().LocalName(i) = "ORVELSOFT";
            G().LocalSent(i) = 1;
            G().GlobalScore(i) = 0;
            G().GlobalName(i) = "----------";
        }
        G().SoundOn = 1;
    }
};

// The routine's first ShowScreen is the one on entry; its loop draws from frame 2 on, and
// keys set in a frame's script are seen by the loop pass that draws the next frame.
TEST_F(TitleTest, PressOfOneStartsAGameAndWaitsForItsRelease) {
    int stateAtFour = -1;
    std::string titleAtFour;
    int frames = runRoutine(game::TitleScreen, 100, [&](int frame) {
        if (frame == 3) keys().press(kKey1);
        if (frame == 4) {
            stateAtFour = static_cast<int>(G().GameState);
            titleAtFour = readText(248, 0, 9);
        }
        EXPECT_EQ(G().GameState, frame < 4 ? 0 : 1) << "frame " << frame;
        if (frame == 10) keys().release(kKey1);
    });
    EXPECT_TRUE(returned()) << "the title must return once [1] is up";
    EXPECT_EQ(stateAtFour, 1);
    EXPECT_EQ(titleAtFour, "ORVELSOFT") << "the frame in which [1] acts is still drawn";
    EXPECT_EQ(frames, 10) << "frames 5 to 10 wait for the release of [1], no longer";
    EXPECT_EQ(G().StartKeyHeld, 1);
}

TEST_F(TitleTest, FirstVisitStartsAtOnceWithOneHeld) {
    keys().press(kKey1);
    int frames = runRoutine(game::TitleScreen, 100, [&](int frame) {
        if (frame == 2) {
            EXPECT_EQ(G().GameState, 1) << "the first pass starts the game";
        }
        if (frame == 5) keys().release(kKey1);
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 5);
}

TEST_F(TitleTest, OneStillHeldAfterAGameNeedsANewPress) {
    G().StartKeyHeld = 1;  // as every game leaves it
    keys().press(kKey1);
    int frames = runRoutine(game::TitleScreen, 100, [&](int frame) {
        if (frame <= 9) {
            EXPECT_EQ(G().GameState, 0) << "frame " << frame;
        }
        if (frame == 6) keys().release(kKey1);
        if (frame == 9) keys().press(kKey1);
        if (frame == 10) {
            EXPECT_EQ(G().GameState, 1);
            keys().release(kKey1);
        }
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 10);
}

TEST_F(TitleTest, SoundKeyTogglesOncePerPress) {
    runRoutine(game::TitleScreen, 30, [&](int frame) {
        if (frame == 2) keys().press(kKeyS);
        if (frame >= 3 && frame <= 12) {
            EXPECT_EQ(G().SoundOn, 0) << "held [S] toggles once; frame " << frame;
            EXPECT_EQ(G().SoundKeyHeld, 1);
        }
        if (frame == 12) keys().release(kKeyS);
        if (frame == 13) {
            EXPECT_EQ(G().SoundKeyHeld, 0);
        }
        if (frame == 15) keys().press(kKeyS);
        if (frame == 16) {
            EXPECT_EQ(G().SoundOn, 1) << "a new press switches it back on";
        }
        if (frame == 18) leave();
    });
    EXPECT_FALSE(returned());
    EXPECT_FALSE(timedOut());
}

TEST_F(TitleTest, PauseAndQuitKeysDoNothing) {
    runRoutine(game::TitleScreen, 30, [&](int frame) {
        if (frame == 2) keys().press(kKeyP);
        if (frame == 5) keys().press(kKeyQ);
        if (frame == 8) keys().releaseAll();
        EXPECT_EQ(G().GameState, 0) << "frame " << frame;
        EXPECT_EQ(G().SoundOn, 1) << "frame " << frame;
        if (frame == 12) leave();
    });
    EXPECT_FALSE(returned()) << "only [1] ends the title";
    EXPECT_FALSE(timedOut());
}

// ---- Pixels ---------------------------------------------------------------------------------

struct PlacedText {
    std::string text;
    int x, y;
};

// Reads the text's cells and, where they are on the screen, one blank cell on each side.
void expectTextAt(const PlacedText& t) {
    int n = static_cast<int>(t.text.size());
    bool left = t.x >= 16, right = t.x + 16 * n + 16 <= 640;
    std::string want = (left ? " " : "") + t.text + (right ? " " : "");
    std::string got = readText(left ? t.x - 16 : t.x, t.y, n + (left ? 1 : 0) + (right ? 1 : 0));
    EXPECT_EQ(got, want) << "\"" << t.text << "\" at (" << t.x << ", " << t.y << ")";
}

TEST_F(TitleTest, TextsStandInTheirPlaces) {
    G().LocalName(9) = "BEST";
    G().LocalScore(9) = 123456;
    G().LocalName(0) = "LOW";
    G().LocalScore(0) = 7;
    G().GlobalName(5) = "GLOBAL5";
    G().GlobalScore(5) = 4242;
    // Whatever the screen held must be painted over.
    SetClearColour(0x0000FF);
    runRoutine(game::TitleScreen, 10, [&](int frame) {
        if (frame != 2) return;
        const PlacedText texts[] = {
            {"ORVELSOFT", 248, 0},
            {"KQZ", 264, 16},
            {"#08", 328, 16},
            {"RAYVAULTER", 240, 48},
            {"GRAPHICS:", 152, 80},
            {"ORANDA", 392, 80},
            {"MUSIC:", 176, 96},
            {"KASTOR", 368, 96},
            {"HISCORE(LOCAL)", 16, 144},
            {"HISCORE(GLOBAL)", 336, 144},
            {"BEST", 16, 176},
            {"123456", 208, 176},
            {"----------", 336, 176},
            {"0", 608, 176},
            {"GLOBAL5", 336, 240},
            {"4242", 560, 240},
            {"ORVELSOFT", 16, 192},
            {"9000", 240, 192},
            {"LOW", 16, 320},
            {"7", 288, 320},
            {"TRAVERSE", 104, 368},
            {"LIGHT", 456, 368},
            {"AVOID", 48, 384},
            {"STAR", 528, 384},
            {"[Z]/[X]", 176, 416},
            {"LEFT/RIGHT", 304, 416},
            {"[1]", 248, 432},
            {"START", 312, 432},
            {"[S]", 496, 432},
            {"SOUND", 560, 432},
            {"[P]", 496, 448},
            {"PAUSE", 560, 448},
            {"[Q]", 496, 464},
        };
        for (const PlacedText& t : texts) expectTextAt(t);
        EXPECT_EQ(readText(560, 464, 5), "QUIT ") << "the legend's last line keeps its blank";
        EXPECT_EQ(readFramePixel(8, 470), (FramePixel{0, 0, 0})) << "the screen is painted black";
        EXPECT_EQ(readFramePixel(420, 140), (FramePixel{0, 0, 0}));
        leave();
    });
    EXPECT_FALSE(timedOut());
}

TEST_F(TitleTest, ScoresOfEveryLengthEndAtTheSameColumn) {
    runRoutine(game::TitleScreen, 10, [&](int frame) {
        if (frame != 2) return;
        // 10000 at index 9 (top row) and 1000 at index 0 (bottom row) both end at x 304.
        EXPECT_EQ(readText(208, 176, 6), " 10000");
        EXPECT_EQ(readText(224, 320, 5), " 1000");
        EXPECT_EQ(readText(304, 176, 1), " ") << "nothing after x 304";
        EXPECT_EQ(readText(304, 320, 1), " ");
        leave();
    });
}

}  // namespace
}  // namespace qvt::test
