// Sound slots and voices on SDL's dummy audio driver (it takes samples in real time and
// discards them), one recording of what really comes out through the disk driver, and a
// machine without a device.
#include "audio/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "audio/music.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/memfile.h"

namespace qvt {
namespace {

using test::Bytes;
using test::waitFor;
using Levels = std::vector<std::int32_t>;

using SoundTest = test::AudioTest;

TEST_F(SoundTest, PlaysTakeTheNextVoiceStealingTheOldest) {
    const RuntimeString tone = file("long.wav", test::toneWav(2000));
    LoadSound(tone, 7, 4);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + v) << "play " << v + 1;
    test::sleepRealMs(200);
    ASSERT_GT(audio::VoicePosition(7 * 256 + 1), 2000u) << "the device consumes samples";
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + 0) << "the fifth play takes the first voice";
    const auto first = static_cast<long>(audio::VoicePosition(7 * 256 + 0));  // read first
    EXPECT_GT(static_cast<long>(audio::VoicePosition(7 * 256 + 1)) - first, 1500) << "restarted";

    LoadSound(tone, 2, 9);
    for (int play = 0; play < 4; ++play) PlaySound(2, 0, 1);
    EXPECT_EQ(PlaySound(2, 0, 1), 512) << "9 voices means 4";

    LoadSound(file("short.wav", test::toneWav(250)), 3, 0);
    EXPECT_EQ(PlaySound(3, 0, 1), 3 * 256);
    EXPECT_EQ(PlaySound(3, 0, 1), -1) << "0 voices means 1, and a single busy voice refuses";
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(3 * 256) == 0; })) << "it stops at its end";
    EXPECT_EQ(PlaySound(3, 0, 1), 3 * 256);
}

TEST_F(SoundTest, StoppingOneVoiceAllOfASlotOrEverything) {
    const RuntimeString path = file("tone.wav", test::toneWav(2000));
    LoadSound(path, 10, 3);
    LoadSound(path, 11, 1);
    const std::int32_t a = PlaySound(10, 0, 1), b = PlaySound(10, 0, 1), other = PlaySound(11, 0, 1);
    ASSERT_TRUE(waitFor([&] { return audio::VoicePosition(b) > 2000; }));
    StopSound(-1);
    EXPECT_EQ(SoundPlaying(a) + SoundPlaying(b) + SoundPlaying(other), 3) << "negative: nothing";
    StopSound(a);
    EXPECT_EQ(SoundPlaying(a) * 10 + SoundPlaying(b), 1);
    EXPECT_EQ(audio::VoicePosition(a), 0u) << "StopSound rewinds";
    StopAllSounds();
    EXPECT_EQ(SoundPlaying(b) + SoundPlaying(other), 0);
    EXPECT_GT(audio::VoicePosition(b), 2000u) << "StopAllSounds does not rewind";
    PlaySound(10, 0, 1);
    PlaySound(11, 0, 1);
    StopSound(10 * 256 + 200);  // a voice the slot lacks
    EXPECT_EQ(SoundPlaying(b) * 10 + SoundPlaying(other), 1) << "all of slot 10 and no other";
    StopSound(5000.0 * 256);  // beyond the slots: ignored
    EXPECT_EQ(SoundPlaying(-1) + SoundPlaying(1e12), 0);
}

// Ids are truncated; bad ids are out of memory; a file that cannot be played empties the
// slot with no such file.
TEST_F(SoundTest, IdsLayoutsAndFailedLoads) {
    const RuntimeString path = file("tone.wav", test::toneWav(100));
    for (double bad : {4096.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        LoadSound(path, bad, 1);
        EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << bad;
        ClearLastError();
        EXPECT_EQ(PlaySound(bad, 0, 1), -1) << "not 0, which would be channel 0 of slot 0";
        EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << bad;
    }
    LoadSound(path, 4095.9, 1);
    EXPECT_EQ(PlaySound(4095, 0, 1), 4095 * 256) << "ids are truncated";
    SetLastError(kErrOutOfBounds);
    EXPECT_EQ(PlaySound(12, 0, 1), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfBounds) << "an empty slot is no error";

    const Bytes good = test::toneWav(200);
    MemoryFile memory(good);
    const std::pair<RuntimeString, bool> files[] = {
        {memory.name(), true},
        // Converting a million frames at 1000 Hz would pass the 512 MiB cap.
        {file("huge.wav", test::wavFile(1, 1000, 8, Levels(1000000, 128))), false},
        {file("cut.wav", Bytes(good.begin(), good.begin() + long(good.size() / 2))), false},
        {test::rs(dir / "missing.wav"), false},
        {"mem://     40.    1000", false},  // a memory file name nobody handed out
    };
    for (const auto& [name, loads] : files) {
        LoadSound(path, 5, 2);
        ASSERT_NE(PlaySound(5, 0, 1), -1);
        SetLastError(kErrOutOfBounds);
        LoadSound(name, 5, 2);
        EXPECT_EQ(LastErrorCode(), loads ? kErrSuccess : kErrNoSuchFile) << name.c_str();
        EXPECT_EQ(SoundPlaying(5 * 256), 0) << name.c_str() << ": the old voice stopped";
        EXPECT_EQ(PlaySound(5, 0, 1), loads ? 5 * 256 : -1) << name.c_str();
    }
}

class NoDriverSoundTest : public test::AudioTest {
protected:
    NoDriverSoundTest() { driver = nullptr; }
};

// SDL's disk driver writes the mixed stream (16-bit stereo at the device rate) to a file.
TEST_F(NoDriverSoundTest, Recorded24BitOutputHasPanAndVolumeWithVoicesAdded) {
    test::ScopedEnv output("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str());
    open("disk");
    ASSERT_TRUE(SoundDeviceOpen());
    // A level of -10000 in 24 bits, mono at 22050 Hz for 0.2 s: widened with its sign, and
    // converted to 16-bit stereo at the device rate.
    LoadSound(file("level.wav", test::wavFile(1, 22050, 24, Levels(4410, -10000 * 256))), 1, 3);
    const std::int32_t voices[] = {PlaySound(1, -1, 1), PlaySound(1, -3, 0.5), PlaySound(1, 1, 0.1)};
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(voices[0]) + SoundPlaying(voices[2]) == 0; }));
    test::sleepRealMs(80);  // the last buffer reaches the file
    ShutdownSound();
    const Bytes raw = test::readBytes(dir / "out.raw");
    std::vector<std::pair<int, int>> frames;
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
        frames.emplace_back(std::int16_t(raw[i] | raw[i + 1] << 8), std::int16_t(raw[i + 2] | raw[i + 3] << 8));
    }
    const auto sounding = [](const std::pair<int, int>& f) { return f != std::pair{0, 0}; };
    const auto first = std::find_if(frames.begin(), frames.end(), sounding);
    const auto last = std::find_if(frames.rbegin(), frames.rend(), sounding).base();
    ASSERT_LT(first, last) << "nothing came out";
    EXPECT_NEAR(double(last - first), 0.2 * kSoundOutputRate, 0.01 * kSoundOutputRate)
        << "at the file's own rate";
    const auto [left, right] = first[(last - first) / 2];
    EXPECT_NEAR(left, -15000, 150) << "full left at volume 1 plus full left (pan clamped) at 0.5";
    EXPECT_NEAR(right, -1000, 10) << "full right at volume 0.1 only";
}

TEST_F(NoDriverSoundTest, WithoutADeviceTheProgramRunsSilent) {
    open("qvt-no-such-driver");
    EXPECT_FALSE(SoundDeviceOpen());
    const RuntimeString path = file("tone.wav", test::toneWav(200));
    LoadSound(path, 1, 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a good file cannot be loaded without a device";
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
    EXPECT_EQ(FreeSoundSlot() * 10 + SoundPlaying(256), 40950);
    StopSound(256);
    StopAllSounds();
    PlayMusic(path, 1);
    EXPECT_EQ(LastErrorCode() * 10 + MusicPlaying(), 1) << "there, though nobody hears it";
    MusicVolume(0.5);
    PauseMusic(1);
    PauseMusic(0);
    MusicRepeatStep();
    PlayMusic(path, 0);
    EXPECT_EQ(MusicPlaying(), 0) << "a one-shot tune nobody hears has ended";
}

}  // namespace
}  // namespace qvt
