// Music on SDL's dummy audio driver with the runtime clock on virtual time: the repeat
// step, the 500 ms floor, pausing, missing and undecodable files, volume, packed tunes.
// Tunes are short WAV files (the decoder plays them like mp3 and knows their exact length);
// the tune itself plays in real time, so a test waits for its real end before it asks
// whether the repeat step started it again.
#include "audio/music.h"

#include <gtest/gtest.h>

#include <string>

#include "app/frame.h"
#include "audio/sound.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "files/resolver.h"
#include "platform/audio.h"
#include "runtime/files/files_test_util.h"
#include "support/headless.h"
#include "support/virtual_clock.h"

namespace qvt {
namespace {

using test::Bytes;
using test::rs;
using test::waitFor;

class MusicTest : public testing::Test {
protected:
    void SetUp() override {
        test::useAudioDriver("dummy");
        SetMediaPacks("", "");
        InitSound();
        ASSERT_TRUE(SoundDeviceOpen());
    }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }

    RuntimeString tune(int ms) {
        const std::string path = dir / ("tune" + std::to_string(ms) + ".wav");
        test::writeBytes(path, test::toneWav(ms, 44100));
        return rs(path);
    }

    // Waits (real time) for the tune to finish playing; the repeat step has not run.
    static bool tuneEnds() { return waitFor([] { return !platform::tuneActive(); }); }

    test::VirtualClock clock{0.0};
    test::ScratchFolder dir;
};

TEST_F(MusicTest, LoopedTuneRestartsAtTheFirstStepAfterItsLength) {
    PlayMusic(tune(700), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    EXPECT_TRUE(platform::tuneActive());
    ASSERT_TRUE(tuneEnds());
    EXPECT_EQ(MusicPlaying(), 1) << "a looping tune counts as playing between its end and its restart";
    clock.advance(699);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "not due yet";
    clock.advance(1);
    MusicRepeatStep();
    EXPECT_TRUE(platform::tuneActive()) << "restarted at 700 ms";
    MusicRepeatStep();
    clock.advance(699);
    ASSERT_TRUE(tuneEnds());
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "the next restart is 700 ms after the last one";
    clock.advance(1);
    MusicRepeatStep();
    EXPECT_TRUE(platform::tuneActive());
}

TEST_F(MusicTest, ShortLoopedTuneCountsAsHalfASecond) {
    PlayMusic(tune(150), 1);
    ASSERT_TRUE(tuneEnds());
    clock.advance(499);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "150 ms counts as 500";
    clock.advance(1);
    MusicRepeatStep();
    EXPECT_TRUE(platform::tuneActive());
}

TEST_F(MusicTest, OneShotTuneIsLeftAlone) {
    PlayMusic(tune(150), 0);
    EXPECT_EQ(MusicPlaying(), 1) << "before its end";
    ASSERT_TRUE(tuneEnds());
    EXPECT_EQ(MusicPlaying(), 0) << "after its end";
    for (int frame = 0; frame < 10; ++frame) {
        clock.advance(1000);
        MusicRepeatStep();
    }
    EXPECT_FALSE(platform::tuneActive());
    EXPECT_EQ(MusicPlaying(), 0);
}

TEST_F(MusicTest, PauseMovesTheRestartByThePausedTime) {
    PlayMusic(tune(150), 1);  // restart due at 500
    ASSERT_TRUE(tuneEnds());
    clock.advance(200);
    PauseMusic(1);
    PauseMusic(1);  // a second pause changes nothing
    clock.advance(10000);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "no restart while paused";
    EXPECT_EQ(MusicPlaying(), 1);
    PauseMusic(0);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "300 ms were left before the pause, and still are";
    clock.advance(299);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive());
    clock.advance(1);
    MusicRepeatStep();
    EXPECT_TRUE(platform::tuneActive());
}

TEST_F(MusicTest, PausingHoldsTheTuneWhereItIs) {
    PlayMusic(tune(300), 0);
    PauseMusic(1);
    test::sleepRealMs(500);
    EXPECT_TRUE(platform::tuneActive()) << "paused, not ended";
    EXPECT_EQ(MusicPlaying(), 1);
    PauseMusic(0);
    EXPECT_TRUE(tuneEnds());
    EXPECT_EQ(MusicPlaying(), 0);
}

TEST_F(MusicTest, MissingFileStopsTheRunningTuneAndSetsThree) {
    PlayMusic(tune(2000), 1);
    ASSERT_TRUE(platform::tuneActive());
    PlayMusic(rs(dir / "missing.mp3"), 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_FALSE(platform::tuneActive());
    EXPECT_EQ(MusicPlaying(), 0);
    clock.advance(5000);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive()) << "nothing left to repeat";
}

TEST_F(MusicTest, StopMusicWithAndWithoutATune) {
    StopMusic();
    StopMusic();
    EXPECT_EQ(MusicPlaying(), 0);
    PlayMusic(tune(2000), 1);
    StopMusic();
    EXPECT_FALSE(platform::tuneActive());
    EXPECT_EQ(MusicPlaying(), 0);
    clock.advance(5000);
    MusicRepeatStep();
    EXPECT_FALSE(platform::tuneActive());
    PauseMusic(1);  // no tune: nothing to pause
    PauseMusic(0);
}

TEST_F(MusicTest, PlayClearsTheLastErrorAndReplacesTheTune) {
    SetLastError(kErrOutOfBounds);
    PlayMusic(tune(2000), 0);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    PlayMusic(tune(150), 0);
    EXPECT_TRUE(tuneEnds()) << "the short tune replaced the long one";
}

TEST_F(MusicTest, VolumeGoesToTheDeviceOnChange) {
    PlayMusic(tune(2000), 1);
    EXPECT_EQ(platform::tuneDeviceVolume(), 128) << "every tune starts at full volume";
    MusicVolume(0.5);
    EXPECT_EQ(platform::tuneDeviceVolume(), 64);
    MusicVolume(2.0);
    EXPECT_EQ(platform::tuneDeviceVolume(), 128) << "clamped to 1";
    MusicVolume(-1.0);
    EXPECT_EQ(platform::tuneDeviceVolume(), 0);
    MusicVolume(0.25);
    PlayMusic(tune(2000), 1);
    EXPECT_EQ(platform::tuneDeviceVolume(), 128);
    MusicVolume(1.0);  // what PlayMusic remembered: nothing is sent
    platform::setTuneVolume(500);
    MusicVolume(1.0);
    EXPECT_EQ(platform::tuneDeviceVolume(), 64) << "an unchanged volume is not sent again";
}

TEST_F(MusicTest, UndecodableFilePlaysSilentlyWithoutError) {
    const std::string path = dir / "noise.mp3";
    test::writeBytes(path, std::string(3000, 'z'));
    PlayMusic(rs(path), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    EXPECT_FALSE(platform::tuneActive());
    EXPECT_EQ(MusicPlaying(), 1) << "a looping tune is set up, heard or not";
    clock.advance(500);
    MusicRepeatStep();  // retried every 500 ms; nothing to hear
    PlayMusic(rs(path), 0);
    EXPECT_EQ(MusicPlaying(), 0);
}

TEST_F(MusicTest, PackedTuneIsExtractedAndMemoryFilesPlay) {
    Bytes pack;
    std::string error;
    ASSERT_TRUE(BuildMediaPack({{"music/loop.wav", test::toneWav(300, 44100)}}, PackFormat::Lzo, pack, error)) << error;
    const std::string packPath = dir / "runtime.pak";
    test::writeBytes(packPath, pack);
    SetMediaPacks("", rs(packPath));
    PlayMusic("music/loop.wav", 0);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "found in the second resolver's pack";
    EXPECT_TRUE(platform::tuneActive());
    EXPECT_TRUE(tuneEnds());

    MemoryFile memory(test::toneWav(300, 44100));
    PlayMusic(memory.name(), 0);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    EXPECT_TRUE(platform::tuneActive());
}

TEST_F(MusicTest, ShutdownStepClosesTheTune) {
    PlayMusic(tune(2000), 1);
    ShutdownMusic();
    EXPECT_FALSE(platform::tuneActive());
    EXPECT_EQ(MusicPlaying(), 0);
}

// ---- fidelity

// A tune that starts ends a pause (and runs QVT_ON_RESUME): opening it may have taken the
// focus. A missing file starts nothing and leaves the pause alone.
TEST(MusicPauseTest, PlayMusicEndsAPause) {
    test::HeadlessRuntime runtime;
    ASSERT_TRUE(runtime.started());
    test::ScratchFolder dir;
    const std::string path = dir / "t.wav";
    test::writeBytes(path, test::toneWav(100, 44100));
    SetPause(1);
    PlayMusic(rs(dir / "missing.mp3"), 0);
    EXPECT_TRUE(PauseFlag());
    PlayMusic(rs(path), 0);
    EXPECT_FALSE(PauseFlag());
}

}  // namespace
}  // namespace qvt
