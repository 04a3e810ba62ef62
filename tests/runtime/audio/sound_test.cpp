// Sound slots and voices on SDL's dummy audio driver (it takes samples in real time and
// discards them), one recording of what really comes out through the disk driver, and a
// machine without a device.
#include "audio/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "audio/music.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/memfile.h"
#include "files/resolver.h"

namespace qvt {
namespace {

using test::Bytes;
using test::rs;
using test::waitFor;

class SoundTest : public testing::Test {
protected:
    void SetUp() override { SetMediaPacks("", ""); }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }
    void open(const char* driver) {
        test::ScopedEnv env("SDL_AUDIODRIVER", driver);
        InitSound();
    }
    std::string wav(const std::string& name, const Bytes& bytes) {
        test::writeBytes(dir / name, bytes);
        return dir / name;
    }
    test::ScratchFolder dir;
};

class DummySoundTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        open("dummy");
        ASSERT_TRUE(SoundDeviceOpen()) << "the dummy driver always opens";
    }
};

TEST_F(DummySoundTest, PlaysTakeTheNextVoiceStealingTheOldest) {
    const std::string tone = wav("long.wav", test::toneWav(2000));
    LoadSound(rs(tone), 7, 4);
    ASSERT_EQ(LastErrorCode(), kErrSuccess);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + v) << "play " << v + 1;
    test::sleepRealMs(200);  // let the voices get well into the sound
    ASSERT_GT(audio::VoicePosition(7 * 256 + 1), 2000u) << "the device consumes samples";
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + 0) << "the fifth play takes the first voice";
    // Read first, the restarted voice cannot gain on the second one.
    const auto first = static_cast<long>(audio::VoicePosition(7 * 256 + 0));
    EXPECT_GT(static_cast<long>(audio::VoicePosition(7 * 256 + 1)) - first, 1500) << "restarted from its start";
    for (int v = 0; v < 4; ++v) EXPECT_EQ(SoundPlaying(7 * 256 + v), 1) << "voice " << v;
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + 1) << "and the sixth the second";

    LoadSound(rs(tone), 1, 0);
    EXPECT_EQ(PlaySound(1, 0, 1), 256);
    EXPECT_EQ(PlaySound(1, 0, 1), -1) << "0 voices means 1, and a single busy voice refuses";
    LoadSound(rs(tone), 2, 9);
    for (int play = 0; play < 4; ++play) EXPECT_EQ(PlaySound(2, 0, 1), 512 + play);
    EXPECT_EQ(PlaySound(2, 0, 1), 512) << "9 voices means 4";
    EXPECT_EQ(SoundPlaying(512 + 4), 0) << "there is no fifth voice";

    LoadSound(rs(wav("short.wav", test::toneWav(250))), 3, 1);
    const std::int32_t single = PlaySound(3, 0, 1);
    test::sleepRealMs(30);
    const std::size_t before = audio::VoicePosition(single);
    EXPECT_EQ(PlaySound(3, 0, 1), -1);
    EXPECT_GE(audio::VoicePosition(single), before) << "the running sound carries on";
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(single) == 0; })) << "a voice stops by itself at its end";
    EXPECT_EQ(audio::VoicePosition(single), 0u) << "and stands at its start again";
    EXPECT_EQ(PlaySound(3, 0, 1), single);
}

TEST_F(DummySoundTest, StoppingOneVoiceAllOfASlotOrEverything) {
    const std::string path = wav("tone.wav", test::toneWav(2000));
    LoadSound(rs(path), 10, 3);
    LoadSound(rs(path), 11, 1);
    const std::int32_t a = PlaySound(10, 0, 1), b = PlaySound(10, 0, 1), other = PlaySound(11, 0, 1);
    test::sleepRealMs(50);
    StopSound(-1);
    StopSound(-256);
    EXPECT_EQ(SoundPlaying(a) + SoundPlaying(b) + SoundPlaying(other), 3) << "a negative channel does nothing";
    StopSound(a);
    EXPECT_EQ(SoundPlaying(a) * 10 + SoundPlaying(b), 1);
    EXPECT_EQ(audio::VoicePosition(a), 0u) << "StopSound rewinds";
    StopSound(10 * 256 + 200);  // a voice the slot lacks
    EXPECT_EQ(SoundPlaying(b) * 10 + SoundPlaying(other), 1) << "stops all voices of slot 10 and no other";
    StopAllSounds();
    EXPECT_EQ(SoundPlaying(other), 0);
    EXPECT_EQ(SoundPlaying(a) + SoundPlaying(b), 0);
    StopSound(5000.0 * 256);  // beyond the slots: ignored
    EXPECT_EQ(SoundPlaying(-1) + SoundPlaying(1e12), 0);
}

TEST_F(DummySoundTest, IdsAndFailedLoads) {
    const std::string path = wav("tone.wav", test::toneWav(100));
    for (double bad : {4096.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        LoadSound(rs(path), bad, 1);
        EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << bad;
        ClearLastError();
        EXPECT_EQ(PlaySound(bad, 0, 1), -1) << "not 0, which would be channel 0 of slot 0";
        EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << bad;
    }
    EXPECT_EQ(FreeSoundSlot(), 4095) << "no slot was taken";
    LoadSound(rs(path), 4095.9, 1);
    EXPECT_EQ(PlaySound(4095, 0, 1), 4095 * 256) << "ids are truncated";
    SetLastError(kErrOutOfBounds);
    EXPECT_EQ(PlaySound(12, 0, 1), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfBounds) << "an empty slot is no error";
    const Bytes good = test::toneWav(200);
    Bytes notRiff = good;
    std::copy_n("RIFX", 4, notRiff.begin());
    for (const std::string& name : {wav("cut.wav", Bytes(good.begin(), good.begin() + long(good.size() / 2))),
                                    wav("rifx.wav", notRiff), wav("empty.wav", {}), dir / "missing.wav", dir.path().string(), std::string()}) {
        LoadSound(rs(path), 5, 2);
        ASSERT_NE(PlaySound(5, 0, 1), -1);
        LoadSound(rs(name), 5, 2);
        EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << name;
        EXPECT_EQ(PlaySound(5, 0, 1) + SoundPlaying(5 * 256), -1) << name << ": the old sound released, its voice stopped";
    }
}

TEST_F(DummySoundTest, LoadsCommonLayoutsAndMemoryFilesAndCountsFreeSlots) {
    int slot = 20;
    for (auto [channels, rate, bits] : {std::tuple{1, 8000, 8}, {1, 22050, 16}, {2, 48000, 24}, {2, 11025, 32}}) {
        std::vector<std::int32_t> samples = test::sine(rate / 10, channels, bits == 8 ? 60 : 1000, 440, rate);
        if (bits == 8) {
            for (std::int32_t& s : samples) s += 128;
        }
        SetLastError(kErrOutOfBounds);
        LoadSound(rs(wav("f.wav", test::wavFile(channels, rate, bits, samples))), slot, 1);
        EXPECT_EQ(LastErrorCode(), kErrSuccess) << bits << " bits " << channels << " channels, cleared first";
        EXPECT_EQ(PlaySound(slot, 0, 1), slot * 256) << bits << " bits";
        ++slot;
    }
    MemoryFile memory(test::toneWav(20));
    LoadSound(memory.name(), 30, 1);
    EXPECT_EQ(PlaySound(30, 0, 1), 30 * 256);
    LoadSound("mem://     40.    1000", 31, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a memory file name nobody handed out";

    SetLastError(kErrOutOfBounds);
    EXPECT_EQ(FreeSoundSlot(), 4095);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "cleared first";
    for (int s = 4095; s >= 0; --s) LoadSound(memory.name(), s, 1);
    EXPECT_EQ(FreeSoundSlot(), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    LoadSound(rs(dir / "none.wav"), 17, 1);
    EXPECT_EQ(FreeSoundSlot(), 17);
    ShutdownSound();
    EXPECT_FALSE(SoundDeviceOpen());
    EXPECT_EQ(PlaySound(30, 0, 1), -1);
    open("dummy");
    ASSERT_TRUE(SoundDeviceOpen());
    EXPECT_EQ(PlaySound(30, 0, 1), -1) << "slots start empty";
}

// SDL's disk driver writes the mixed stream (16-bit stereo at the device rate) to a file.
TEST_F(SoundTest, RecordedOutputHasPanVolumeAndVoicesAddedAndTheMusic) {
    test::ScopedEnv file("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str());
    open("disk");
    ASSERT_TRUE(SoundDeviceOpen());
    // A level of 10000, mono at 22050 Hz for 0.2 s: converted to stereo at the device rate.
    LoadSound(rs(wav("level.wav", test::wavFile(1, 22050, 16, std::vector<std::int32_t>(4410, 10000)))), 1, 3);
    const std::int32_t voices[] = {PlaySound(1, -1, 1), PlaySound(1, -3, 0.5), PlaySound(1, 1, 0.1)};
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(voices[0]) + SoundPlaying(voices[1]) + SoundPlaying(voices[2]) == 0; }));
    PlayMusic(rs(wav("tune.wav", test::wavFile(2, 44100, 16, std::vector<std::int32_t>(2 * 8820, 3000)))), 0);
    ASSERT_TRUE(waitFor([] { return MusicPlaying() == 0; }));
    test::sleepRealMs(80);  // the last buffer reaches the file
    ShutdownSound();
    const Bytes raw = test::readBytes(dir / "out.raw");
    std::vector<std::pair<int, int>> frames;
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
        frames.emplace_back(std::int16_t(raw[i] | raw[i + 1] << 8), std::int16_t(raw[i + 2] | raw[i + 3] << 8));
    }
    const auto heard = [&](std::size_t from) {  // first and one past the last sounding frame
        std::size_t first = frames.size(), last = from;
        for (std::size_t i = from; i < frames.size() && (first == frames.size() || frames[i] != std::pair{0, 0}); ++i) {
            if (frames[i] != std::pair{0, 0}) first = std::min(first, i), last = i + 1;
        }
        return std::pair{first, last};
    };
    const auto [start, end] = heard(0);
    ASSERT_LT(start, end) << "nothing came out";
    EXPECT_NEAR(double(end - start), 0.2 * kSoundOutputRate, 0.01 * kSoundOutputRate) << "at the file's own rate";
    const auto [left, right] = frames[(start + end) / 2];
    EXPECT_NEAR(left, 15000, 150) << "full left at volume 1 plus full left (pan clamped) at 0.5";
    EXPECT_NEAR(right, 1000, 10) << "full right at volume 0.1 only";
    const auto [tuneStart, tuneEnd] = heard(end);
    ASSERT_LT(tuneStart, tuneEnd) << "the music came out after the sounds";
    EXPECT_NEAR(double(tuneEnd - tuneStart), 0.2 * kSoundOutputRate, 0.02 * kSoundOutputRate);
    EXPECT_NEAR(frames[(tuneStart + tuneEnd) / 2].first, 3000, 2);
    EXPECT_NEAR(frames[(tuneStart + tuneEnd) / 2].second, 3000, 2);
}

TEST_F(SoundTest, WithoutADeviceTheProgramRunsSilent) {
    open("qvt-no-such-driver");
    EXPECT_FALSE(SoundDeviceOpen());
    const std::string path = wav("tone.wav", test::toneWav(200));
    LoadSound(rs(path), 1, 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a good file cannot be loaded without a device";
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
    LoadSound(rs(path), 4096, 4);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "the id is checked first";
    EXPECT_EQ(FreeSoundSlot(), 4095);
    EXPECT_EQ(SoundPlaying(256), 0);
    StopSound(256);
    StopAllSounds();
    PlayMusic(rs(path), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "the tune is there; it just cannot be heard";
    EXPECT_EQ(MusicPlaying(), 1);
    MusicVolume(0.5);
    PauseMusic(1);
    PauseMusic(0);
    MusicRepeatStep();
    PlayMusic(rs(path), 0);
    EXPECT_EQ(MusicPlaying(), 0) << "a one-shot tune nobody hears has ended";
}

// StopAllSounds leaves each voice where it stopped; only StopSound and stealing rewind.
TEST_F(DummySoundTest, StopAllSoundsDoesNotRewind) {
    LoadSound(rs(wav("tone.wav", test::toneWav(2000))), 3, 1);
    const std::int32_t channel = PlaySound(3, 0, 1);
    ASSERT_TRUE(waitFor([&] { return audio::VoicePosition(channel) > 2000; }));
    StopAllSounds();
    EXPECT_EQ(SoundPlaying(channel), 0);
    EXPECT_GT(audio::VoicePosition(channel), 2000u);
}

// Rates outside 1000..384000 Hz are refused like a buffer the device will not make, and so
// is a sound whose conversion to the device rate would pass the size cap of the packs: a
// 64 KB file at 50 Hz would have grown past a gigabyte.
TEST_F(DummySoundTest, RatesAndConvertedSizeAreBounded) {
    const std::vector<std::int32_t> samples(256, 128);
    for (const auto& [rate, loads] : {std::pair{50, false}, {999, false}, {1000, true},
                                      {384000, true}, {384001, false}}) {
        LoadSound(rs(wav("r.wav", test::wavFile(1, rate, 8, samples))), 4, 1);
        EXPECT_EQ(LastErrorCode(), loads ? kErrSuccess : kErrNoSuchFile) << rate << " Hz";
        EXPECT_EQ(PlaySound(4, 0, 1) >= 0, loads) << rate << " Hz";
        StopSound(4 * 256);
    }
    // A million 8-bit frames at 1000 Hz: converting them needs far more than 512 MiB.
    LoadSound(rs(wav("long.wav", test::wavFile(1, 1000, 8, std::vector<std::int32_t>(1000000, 128)))), 5, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(PlaySound(5, 0, 1), -1);
}

}  // namespace
}  // namespace qvt
