// The pause screen: [P] resumes and [Q] quits to the title, each only once its key is up
// (waited out without frames, sampling the keyboard), and either brings back the intro
// sound or the music by the phase; [S] toggles on release; the score shows over black. And
// the game over, which silences the game and hands a score on.
#include <string>

#include "game/game_harness.h"

namespace qvt::test {
namespace {

const Probe kPauseOn = QVT_FIELD(PauseOn);
// The pause screen as drawn: "PAUSE" and the score over black.
const Probe kScreen{"pause screen", [] {
    return double(readCells(264, 208, 7) == " PAUSE " && readCells(264, 256, 7) == " 12345 " &&
                  readFramePixel(639, 479) == FramePixel{0, 0, 0});
}};

class PauseTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        useGameMedia();
        // As the play field calls it: in play, [P] already released, sound stopped.
        G().GameState = game::kModePlaying;
        G().PlayPhase = 3;
        G().SoundOn = 1;
        G().Score = 12345;
        G().PauseOn = 1;
    }
};

TEST_F(PauseTest, PAndQActOnceReleasedAndResumeTheIntroOrTheMusicByThePhase) {
    struct Case {
        double phase, soundOn;
        int key;
        double intro, music;
    } cases[] = {{1, 1, kKeyP, 1, 0}, {2, 1, kKeyQ, 1, 0}, {3, 1, kKeyP, 0, 1},
                 {3, 1, kKeyQ, 0, 1}, {2, 0, kKeyP, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", key " << c.key);
        G().PlayPhase = c.phase;
        G().SoundOn = c.soundOn;
        G().GameState = game::kModePlaying;
        G().PauseOn = 1;
        int samplesAtPress = 0;
        const int frames = runRoutine(game::PauseGame, 20, [&](int f) {
            if (f != 2) return;
            samplesAtPress = keys().samples();
            keys().holdForSamples(c.key, 40);
        });
        EXPECT_EQ(frames, 3) << "the frame in which the key acts is the last";
        EXPECT_EQ(G().PauseOn, 0);
        EXPECT_EQ(G().GameState, c.key == kKeyQ ? game::kModeTitle : game::kModePlaying);
        EXPECT_GE(keys().samples() - samplesAtPress, 41) << "waited for the release";
        EXPECT_EQ(voicesPlaying(game::kSoundIntro), c.intro);
        EXPECT_EQ(MusicPlaying(), c.music);
        StopAllSounds();
        StopMusic();
    }
}

// A [P] held from before needs a new press; [S] acts on its release, off stopping sounds and
// music, on leaving them to the resume.
TEST_F(PauseTest, PHeldFromBeforeNeedsANewPressAndSTogglesOnRelease) {
    SetClearColour(0x0000FF);
    G().PauseKeyHeld = 1;
    PlayMusic("dune/music.mp3", 1);
    PlaySound(game::kSoundIntro, 0, 1);
    const int P = kKeyP, S = kKeyS;
    const Probe pauseHeld = QVT_FIELD(PauseKeyHeld);
    runScript(game::PauseGame, {
        {1, {P}, {}, {{kPauseOn, 1}, {kMusic, 1}, {kIntro, 1}, {kScreen, 1}}},
        {2, {S}, {}, {{kSoundOn, 0}, {kSoundHeld, 1}, {kMusic, 0}, {kIntro, 0}}, 40},
        {3, {}, {}, {{kSoundHeld, 0}, {kPauseOn, 1}, {pauseHeld, 1}}},
        {4, {S}, {}, {{kSoundOn, 1}, {kSoundHeld, 1}, {kMusic, 0}}, 2},
        {5, {}, {P}, {{kSoundHeld, 0}, {kPauseOn, 1}, {pauseHeld, 0}}},
        {7, {P}, {}, {{kPauseOn, 0}}, 3},
    });
    EXPECT_TRUE(returned());
}

// The game over silences the game; only a score above the lowest entry goes in and is saved.
TEST_F(PauseTest, GameOverSilencesTheGameAndEntersOnlyAScoreAboveTheLowest) {
    const std::string file = runtime->tempDir() + "orvelsoft.ini";
    for (double score : {1000.0, 1001.0}) {
        SCOPED_TRACE(testing::Message() << "score " << score);
        fillLocalTable();
        G().HiscoreFileName = RuntimeString(file.c_str());
        G().Score = score;
        G().GameState = game::kModeGameOver;
        PlayMusic("dune/music.mp3", 1);
        PlaySound(game::kSoundExplode, 0, 1);
        const int frames = runRoutine(game::GameOver, 20, [&](int f) {
            if (f == 2) keys().type("\n");
        });
        const bool entered = score == 1001;
        EXPECT_EQ(frames, entered ? 2 : 0) << "the name entry shows frames";
        EXPECT_EQ(G().LocalScore(0), entered ? 1001 : 1000);
        EXPECT_EQ(std::filesystem::exists(file), entered) << "only a new entry is saved";
        EXPECT_EQ(G().GameState, game::kModeTitle);
        EXPECT_EQ(MusicPlaying() + voicesPlaying(game::kSoundExplode), 0);
    }
}

}  // namespace
}  // namespace qvt::test
