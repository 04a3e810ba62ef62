// Music on SDL's dummy audio driver with the runtime clock on virtual time: the repeat
// step, the 500 ms floor, pausing, missing and undecodable files, volume, memory files.
// Tunes are short WAV files whose length the decoder knows exactly; a tune plays in real
// time, so a test waits for its real end before it asks whether the repeat step restarted it.
#include "audio/music.h"

#include <gtest/gtest.h>

#include "app/frame.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/memfile.h"
#include "platform/audio.h"
#include "support/headless.h"
#include "support/virtual_clock.h"

namespace qvt {
namespace {


class MusicTest : public test::AudioTest {
protected:
    RuntimeString tune(int ms) { return file("tune" + std::to_string(ms) + ".wav", test::toneWav(ms, 44100)); }
    // Waits (real time) for the tune to finish playing; the repeat step has not run.
    static bool tuneEnds() { return test::waitFor([] { return !platform::tuneActive(); }); }
    // Moves the clock by ms, runs the repeat step and tells whether the tune plays.
    bool stepAfter(double ms) {
        clock.advance(ms);
        MusicRepeatStep();
        return platform::tuneActive();
    }
    test::VirtualClock clock{0.0};
};

TEST_F(MusicTest, LoopedTuneRestartsAfterItsLengthButNotBefore500MsAndOneShotsEnd) {
    SetLastError(kErrOutOfBounds);
    PlayMusic(tune(700), 1);
    EXPECT_EQ(LastErrorCode() * 10 + platform::tuneActive(), 1);
    ASSERT_TRUE(tuneEnds());
    EXPECT_EQ(MusicPlaying(), 1) << "a looping tune counts as playing between its end and its restart";
    EXPECT_FALSE(stepAfter(699)) << "not due yet";
    EXPECT_TRUE(stepAfter(1)) << "restarted at 700 ms";

    PlayMusic(tune(150), 1);
    ASSERT_TRUE(tuneEnds()) << "the short tune replaced the long one";
    EXPECT_FALSE(stepAfter(499)) << "150 ms counts as 500";
    EXPECT_TRUE(stepAfter(1));

    PlayMusic(tune(150), 0);
    EXPECT_EQ(MusicPlaying(), 1) << "a one-shot before its end";
    ASSERT_TRUE(tuneEnds());
    EXPECT_FALSE(stepAfter(1000));
    EXPECT_EQ(MusicPlaying(), 0) << "after its end";
}

TEST_F(MusicTest, PauseHoldsTheTune) {
    PlayMusic(tune(150), 0);
    PauseMusic(1);
    test::sleepRealMs(300);
    EXPECT_EQ(platform::tuneActive() * 10 + MusicPlaying(), 11) << "paused, not ended";
    PauseMusic(0);
    EXPECT_TRUE(tuneEnds());
}

TEST_F(MusicTest, MissingUndecodableVolumeMemoryFilesAndShutdown) {
    PlayMusic(tune(2000), 1);
    PlayMusic(test::rs(dir / "missing.mp3"), 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(MusicPlaying() + platform::tuneActive(), 0) << "the running tune stopped";
    EXPECT_FALSE(stepAfter(5000)) << "nothing left to repeat";
    const RuntimeString noise = file("noise.mp3", test::Bytes(3000, 'z'));
    PlayMusic(noise, 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "undecodable plays silently";
    EXPECT_EQ(MusicPlaying(), 1) << "a looping tune is set up, heard or not";

    std::vector<int> levels;
    PlayMusic(tune(2000), 1);
    for (double volume : {0.5, 2.0, -1.0, 0.25}) {
        levels.push_back(platform::tuneDeviceVolume());
        MusicVolume(volume);
    }
    PlayMusic(tune(2000), 1);
    levels.push_back(platform::tuneDeviceVolume());
    EXPECT_EQ(levels, (std::vector{128, 64, 128, 0, 128})) << "full at every start; 0.5; clamped";
    MemoryFile memory(test::toneWav(100, 44100));
    PlayMusic(memory.name(), 0);
    EXPECT_EQ(LastErrorCode() * 10 + platform::tuneActive(), 1) << "a memory file";
    ShutdownMusic();
    EXPECT_EQ(MusicPlaying() + platform::tuneActive(), 0) << "the shutdown step closes the tune";
}

// A tune that starts ends a pause: opening it may have taken the focus. A missing file
// starts nothing and leaves the pause alone.
TEST(MusicPauseTest, PlayMusicEndsAPause) {
    test::HeadlessRuntime runtime;
    ASSERT_TRUE(runtime.started());
    test::ScratchFolder dir;
    test::writeBytes(dir / "t.wav", test::toneWav(100, 44100));
    SetPause(1);
    PlayMusic(test::rs(dir / "missing.mp3"), 0);
    EXPECT_TRUE(PauseFlag());
    PlayMusic(test::rs(dir / "t.wav"), 0);
    EXPECT_FALSE(PauseFlag());
}

}  // namespace
}  // namespace qvt
