// The pause screen: [P] resumes and [Q] quits to the title, each only once its key is up
// (waited out without frames, sampling the keyboard); [S] toggles on release; the screen
// shows the score and the legend over black.
#include <algorithm>
#include <string>

#include "game/globals.h"
#include "game/routines.h"
#include "gfx/screen.h"
#include "support/pixels.h"
#include "game_harness.h"

namespace qvt::test {
namespace {

using game::G;

constexpr int kKeyQ = 16, kKeyP = 25, kKeyS = 31;
constexpr int kHoldSamples = 40;

class PauseTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        // As the play field calls it: in play, [P] already released.
        G().GameState = game::kModePlaying;
        G().PlayPhase = 3;
        G().SoundOn = 1;
        G().Score = 12345;
        G().PauseOn = 1;
        sampled();  // the pause screen waits for releases without frames
    }

    // Sleeps the wait asked for while the key was held.
    long waitSleeps() const {
        const auto& s = runtime->clock()->sleeps();
        return std::count(s.begin(), s.end(), 5);
    }
};

TEST_F(PauseTest, PauseKeyResumesOnlyOnceReleasedWithoutShowingFrames) {
    int samplesAtPress = 0;
    int frames = runRoutine(game::PauseGame, 50, [&](int frame) {
        if (frame <= 3) {
            EXPECT_EQ(G().PauseOn, 1) << "frame " << frame;
        }
        if (frame == 3) {
            samplesAtPress = sampled().samples();
            sampled().holdForSamples(kKeyP, kHoldSamples);
        }
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 4) << "the frame in which [P] acts is the last one shown";
    EXPECT_GE(sampled().samples() - samplesAtPress, kHoldSamples + 1)
        << "the routine must sample the keyboard until [P] is up";
    EXPECT_GE(waitSleeps(), kHoldSamples - 2) << "the wait sleeps between samples";
    EXPECT_EQ(G().PauseOn, 0);
    EXPECT_EQ(G().PauseKeyHeld, 1);
    EXPECT_EQ(G().GameState, game::kModePlaying) << "play resumes";
}

TEST_F(PauseTest, PauseKeyHeldFromBeforeNeedsANewPress) {
    G().PauseKeyHeld = 1;
    keys().press(kKeyP);
    int frames = runRoutine(game::PauseGame, 50, [&](int frame) {
        if (frame <= 6) {
            EXPECT_EQ(G().PauseOn, 1) << "frame " << frame;
        }
        if (frame == 4) keys().release(kKeyP);
        if (frame == 5) {
            EXPECT_EQ(G().PauseKeyHeld, 0);
        }
        if (frame == 6) sampled().holdForSamples(kKeyP, 3);
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 7);
}

TEST_F(PauseTest, QuitKeyGoesToTheTitleOnceReleased) {
    int samplesAtPress = 0;
    int frames = runRoutine(game::PauseGame, 50, [&](int frame) {
        if (frame == 2) {
            samplesAtPress = sampled().samples();
            sampled().holdForSamples(kKeyQ, kHoldSamples);
        }
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 3);
    EXPECT_GE(sampled().samples() - samplesAtPress, kHoldSamples + 1);
    EXPECT_EQ(G().GameState, game::kModeTitle);
    EXPECT_EQ(G().PauseOn, 0);
    EXPECT_EQ(G().Score, 12345) << "quitting from the pause does not touch the score";
}

TEST_F(PauseTest, SoundKeyTogglesOncePerPressOnRelease) {
    int samplesAtPress = 0;
    runRoutine(game::PauseGame, 50, [&](int frame) {
        if (frame == 2) {
            samplesAtPress = sampled().samples();
            sampled().holdForSamples(kKeyS, kHoldSamples);
        }
        if (frame == 3) {
            EXPECT_GE(sampled().samples() - samplesAtPress, kHoldSamples + 1)
                << "[S] acts once it is up";
            EXPECT_EQ(G().SoundOn, 0);
            EXPECT_EQ(G().SoundKeyHeld, 1);
        }
        if (frame == 4) {
            EXPECT_EQ(G().SoundKeyHeld, 0);
            sampled().holdForSamples(kKeyS, 2);
        }
        if (frame == 5) {
            EXPECT_EQ(G().SoundOn, 1);
        }
        if (frame == 6) leave();
        EXPECT_EQ(G().PauseOn, 1) << "[S] does not end the pause";
    });
    EXPECT_FALSE(returned());
    EXPECT_FALSE(timedOut());
}

TEST_F(PauseTest, NotPausedReturnsAtOnce) {
    G().PauseOn = 0;
    int frames = runRoutine(game::PauseGame, 5);
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 0);
}

TEST_F(PauseTest, ShowsScoreAndLegendOverBlack) {
    SetClearColour(0x0000FF);
    runRoutine(game::PauseGame, 10, [&](int frame) {
        if (frame != 1) return;
        EXPECT_EQ(readText(264, 208, 7), " PAUSE ");
        EXPECT_EQ(readText(264, 240, 7), " SCORE ");
        EXPECT_EQ(readText(264, 256, 7), " 12345 ");
        EXPECT_EQ(readText(480, 432, 10), " [S] SOUND");
        EXPECT_EQ(readText(480, 448, 10), " [P] PAUSE");
        EXPECT_EQ(readText(480, 464, 10), " [Q] QUIT ");
        EXPECT_EQ(readText(0, 300, 40), std::string(40, ' ')) << "nothing else is drawn";
        EXPECT_EQ(readFramePixel(100, 100), (FramePixel{0, 0, 0}));
        EXPECT_EQ(readFramePixel(639, 479), (FramePixel{0, 0, 0}));
        leave();
    });
    EXPECT_FALSE(timedOut());
}

// ---- Game over ----------------------------------------------------------------------------

class GameOverTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        for (int i = 0; i < game::kHiscoreEntries; ++i) {
            G().LocalScore(i) = 1000.0 * (i + 1);
            G().LocalName(i) = "ORVELSOFT";
            G().LocalSent(i) = 1;
        }
        hiscorePath = runtime->tempDir() + "orvelsoft.ini";
        G().HiscoreFileName = RuntimeString(hiscorePath.c_str());
        G().GameState = game::kModeGameOver;
    }
    std::string hiscorePath;
};

TEST_F(GameOverTest, DoesNothingOutsideTheGameOverState) {
    G().GameState = game::kModePlaying;
    G().Score = 50000;
    int frames = runRoutine(game::GameOver, 5);
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(G().GameState, game::kModePlaying);
    EXPECT_EQ(G().LocalScore(9), 10000);
}

TEST_F(GameOverTest, ScoreEqualToTheLowestEntryDoesNotQualify) {
    G().Score = 1000;
    int frames = runRoutine(game::GameOver, 5);
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 0) << "no name entry";
    EXPECT_EQ(G().GameState, game::kModeTitle);
    EXPECT_EQ(G().LocalScore(0), 1000);
    EXPECT_FALSE(std::filesystem::exists(hiscorePath)) << "nothing to save";
}

TEST_F(GameOverTest, OnePointMoreGoesToTheNameEntry) {
    G().Score = 1001;
    int frames = runRoutine(game::GameOver, 20, [&](int frame) {
        if (frame == 2) keys().type("\n");
    });
    EXPECT_TRUE(returned());
    EXPECT_EQ(frames, 2) << "the name entry showed its frames";
    EXPECT_EQ(G().GameState, game::kModeTitle);
    EXPECT_EQ(G().LocalScore(0), 1001);
    EXPECT_EQ(G().LocalSent(0), 0);
    EXPECT_TRUE(std::filesystem::exists(hiscorePath)) << "the new table is saved";
}

}  // namespace
}  // namespace qvt::test
