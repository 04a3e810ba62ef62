// A machine without an audio device (here: a driver SDL does not have): the program runs
// silent, loads fail with 3, plays return -1, music is set up but not heard.
#include <gtest/gtest.h>

#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/resolver.h"
#include "runtime/files/files_test_util.h"
#include "support/virtual_clock.h"

namespace qvt {
namespace {

using test::rs;

class NoDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        test::useAudioDriver("qvt-no-such-driver");
        SetMediaPacks("", "");
        InitSound();
        test::writeBytes(wav, test::toneWav(200));
    }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }

    test::ScratchFolder dir;
    std::string wav = dir / "tone.wav";
};

TEST_F(NoDeviceTest, SoundsFailAsTheyWould) {
    EXPECT_FALSE(SoundDeviceOpen());
    LoadSound(rs(wav), 1, 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a good file cannot be loaded without a device";
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
    LoadSound(rs(wav), 4096, 4);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "the id is checked first";
    EXPECT_EQ(FreeSoundSlot(), 4095);
    EXPECT_EQ(SoundPlaying(256), 0);
    StopSound(256);
    StopAllSounds();
}

TEST_F(NoDeviceTest, MusicIsSetUpButSilent) {
    test::VirtualClock clock(0.0);
    PlayMusic(rs(wav), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "the file is there; it just cannot be heard";
    EXPECT_EQ(MusicPlaying(), 1);
    clock.advance(500);
    MusicRepeatStep();
    MusicVolume(0.5);
    PauseMusic(1);
    PauseMusic(0);
    PlayMusic(rs(wav), 0);
    EXPECT_EQ(MusicPlaying(), 0) << "a one-shot tune nobody hears has ended";
    PlayMusic(rs(dir / "missing.mp3"), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    StopMusic();
}

}  // namespace
}  // namespace qvt
