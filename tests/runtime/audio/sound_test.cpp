// Sound slots and voices on SDL's dummy audio driver (it takes samples in real time and
// discards them): loading, voice choice and stealing, stopping, ids and failures.
#include "audio/sound.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "audio_test_util.h"
#include "core/errors.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "files/resolver.h"
#include "runtime/files/files_test_util.h"

namespace qvt {
namespace {

using test::Bytes;
using test::rs;
using test::waitFor;

class SoundTest : public testing::Test {
protected:
    void SetUp() override {
        test::useAudioDriver("dummy");
        SetMediaPacks("", "");
        InitSound();
        ASSERT_TRUE(SoundDeviceOpen()) << "the dummy driver always opens";
    }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }

    // A WAV file in the scratch folder; its path.
    std::string writeWav(const std::string& name, const Bytes& bytes) {
        const std::string path = dir / name;
        test::writeBytes(path, bytes);
        return path;
    }

    test::ScratchFolder dir;
};

TEST_F(SoundTest, FourVoicesPlayedFiveTimesStealTheFirst) {
    LoadSound(rs(writeWav("long.wav", test::toneWav(2000))), 7, 4);
    ASSERT_EQ(LastErrorCode(), kErrSuccess);
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + v) << "play " << v + 1 << " takes the next idle voice";
    }
    test::sleepRealMs(200);  // let the voices get well into the sound
    ASSERT_GT(audio::VoicePosition(7 * 256 + 1), 2000u) << "the device consumes samples";
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + 0) << "the fifth play takes the first voice";
    // Read first, the restarted voice cannot gain on the second one; without the restart it
    // would be ahead of it, or at most one device buffer behind.
    const auto first = static_cast<long>(audio::VoicePosition(7 * 256 + 0));
    const auto second = static_cast<long>(audio::VoicePosition(7 * 256 + 1));
    EXPECT_GT(second - first, 1500) << "restarted from its start";
    for (int v = 0; v < 4; ++v) EXPECT_EQ(SoundPlaying(7 * 256 + v), 1) << "voice " << v;
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256 + 1) << "and the sixth the second";
}

TEST_F(SoundTest, OneVoicePlayedTwiceRefusesAndTheFirstCarriesOn) {
    LoadSound(rs(writeWav("short.wav", test::toneWav(250))), 3, 1);
    const std::int32_t first = PlaySound(3, 0, 1);
    ASSERT_EQ(first, 3 * 256);
    test::sleepRealMs(30);
    const std::size_t before = audio::VoicePosition(first);
    EXPECT_EQ(PlaySound(3, 0, 1), -1);
    EXPECT_EQ(SoundPlaying(first), 1) << "the running sound continues";
    EXPECT_GE(audio::VoicePosition(first), before) << "not restarted";
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(first) == 0; })) << "a voice stops by itself at its end";
    EXPECT_EQ(audio::VoicePosition(first), 0u) << "and stands at its start again";
    EXPECT_EQ(PlaySound(3, 0, 1), first) << "an idle single voice plays again";
}

TEST_F(SoundTest, VoiceCountIsClampedToOneToFour) {
    const std::string path = writeWav("tone.wav", test::toneWav(2000));
    LoadSound(rs(path), 1, 0);
    EXPECT_EQ(PlaySound(1, 0, 1), 256);
    EXPECT_EQ(PlaySound(1, 0, 1), -1) << "0 voices means 1";
    LoadSound(rs(path), 2, 9);
    for (int play = 0; play < 4; ++play) EXPECT_EQ(PlaySound(2, 0, 1), 512 + play);
    EXPECT_EQ(PlaySound(2, 0, 1), 512) << "9 voices means 4";
    EXPECT_EQ(SoundPlaying(512 + 4), 0) << "there is no fifth voice";
}

TEST_F(SoundTest, StoppingOneVoiceAllOfASlotOrEverything) {
    const std::string path = writeWav("tone.wav", test::toneWav(2000));
    LoadSound(rs(path), 10, 3);
    LoadSound(rs(path), 11, 1);
    const std::int32_t a = PlaySound(10, 0, 1), b = PlaySound(10, 0, 1), other = PlaySound(11, 0, 1);
    ASSERT_EQ(b, a + 1);
    test::sleepRealMs(50);

    StopSound(-1);
    StopSound(-256);
    EXPECT_EQ(SoundPlaying(a) + SoundPlaying(b) + SoundPlaying(other), 3) << "a negative channel does nothing";

    StopSound(a);
    EXPECT_EQ(SoundPlaying(a), 0);
    EXPECT_EQ(audio::VoicePosition(a), 0u) << "StopSound rewinds";
    EXPECT_EQ(SoundPlaying(b), 1);

    StopSound(10 * 256 + 200);  // a voice the slot lacks
    EXPECT_EQ(SoundPlaying(b), 0) << "stops all voices of slot 10";
    EXPECT_EQ(SoundPlaying(other), 1) << "and no other slot's";

    PlaySound(10, 0, 1);
    test::sleepRealMs(50);
    StopAllSounds();
    EXPECT_EQ(SoundPlaying(other), 0);
    EXPECT_EQ(SoundPlaying(a) + SoundPlaying(b), 0);
    StopSound(5000.0 * 256);  // beyond the slots: ignored
    EXPECT_EQ(SoundPlaying(-1), 0);
    EXPECT_EQ(SoundPlaying(1e12), 0);
}

TEST_F(SoundTest, IdsBeyondTheSlotsSetSevenAndChangeNothing) {
    const std::string path = writeWav("tone.wav", test::toneWav(100));
    LoadSound(rs(path), 4096, 1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    EXPECT_EQ(FreeSoundSlot(), 4095) << "no slot was taken";
    LoadSound(rs(path), -1, 1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);

    ClearLastError();
    EXPECT_EQ(PlaySound(4096, 0, 1), -1) << "not 0, which would be channel 0 of slot 0";
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    ClearLastError();
    EXPECT_EQ(PlaySound(-1, 0, 1), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    ClearLastError();
    EXPECT_EQ(PlaySound(std::numeric_limits<double>::quiet_NaN(), 0, 1), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);

    LoadSound(rs(path), 4095.9, 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "ids are truncated";
    EXPECT_EQ(PlaySound(4095, 0, 1), 4095 * 256);
    EXPECT_EQ(FreeSoundSlot(), 4094);
}

TEST_F(SoundTest, EmptySlotPlaysNothing) {
    SetLastError(kErrOutOfBounds);
    EXPECT_EQ(PlaySound(12, 0, 1), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfBounds) << "an empty slot is no error";
}

TEST_F(SoundTest, MissingFileLeavesTheSlotEmpty) {
    LoadSound(rs(writeWav("tone.wav", test::toneWav(100))), 5, 2);
    ASSERT_NE(PlaySound(5, 0, 1), -1);
    LoadSound(rs(dir / "missing.wav"), 5, 2);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(PlaySound(5, 0, 1), -1) << "the old sound was released";
    EXPECT_EQ(SoundPlaying(5 * 256), 0) << "and its voice stopped";
    EXPECT_EQ(FreeSoundSlot(), 4095);
    LoadSound(rs(dir.path().string()), 5, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a folder";
    LoadSound("", 5, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "no name";
}

TEST_F(SoundTest, BrokenFilesFailCleanly) {
    const Bytes good = test::toneWav(200);
    Bytes truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    Bytes notRiff = good;
    std::copy_n("RIFX", 4, notRiff.begin());
    const Bytes empty;
    const std::string text = "RIFF....WAVEfmt  this is not a sound";
    for (const auto& [name, bytes] : {std::pair{"truncated.wav", truncated}, std::pair{"rifx.wav", notRiff},
                                      std::pair{"empty.wav", empty}, std::pair{"text.wav", Bytes(text.begin(), text.end())}}) {
        LoadSound(rs(writeWav("good.wav", good)), 6, 1);
        ASSERT_EQ(LastErrorCode(), kErrSuccess);
        LoadSound(rs(writeWav(name, bytes)), 6, 1);
        EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << name;
        EXPECT_EQ(PlaySound(6, 0, 1), -1) << name << ": the slot stays empty";
    }
}

TEST_F(SoundTest, LoadingClearsAnOldErrorAndTakesTheCommonLayouts) {
    struct Case {
        int channels, rate, bits;
    };
    int slot = 20;
    for (Case c : {Case{1, 8000, 8}, Case{1, 22050, 16}, Case{2, 48000, 24}, Case{2, 11025, 32}}) {
        std::vector<std::int32_t> samples = test::sine(c.rate / 10, c.channels, c.bits == 8 ? 60 : 1000, 440, c.rate);
        if (c.bits == 8) {
            for (std::int32_t& s : samples) s += 128;
        }
        SetLastError(kErrOutOfBounds);
        LoadSound(rs(writeWav("f.wav", test::wavFile(c.channels, c.rate, c.bits, samples))), slot, 1);
        EXPECT_EQ(LastErrorCode(), kErrSuccess) << c.bits << " bits " << c.channels << " channels";
        EXPECT_EQ(PlaySound(slot, 0, 1), slot * 256) << c.bits << " bits";
        ++slot;
    }
}

TEST_F(SoundTest, MemoryFilesAndPackedSounds) {
    MemoryFile memory(test::toneWav(100));
    LoadSound(memory.name(), 30, 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    EXPECT_EQ(PlaySound(30, 0, 1), 30 * 256);
    LoadSound("mem://     40.    1000", 31, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "a memory file name nobody handed out";

    Bytes pack;
    std::string error;
    ASSERT_TRUE(BuildMediaPack({{"dune/boom.wav", test::toneWav(100)}}, PackFormat::Lzss, pack, error)) << error;
    const std::string packPath = dir / "media.pak";
    test::writeBytes(packPath, pack);
    SetMediaPacks(rs(packPath), "");
    LoadSound("dune/boom.wav", 32, 2);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "found in the media pack";
    EXPECT_EQ(PlaySound(32, 0, 1), 32 * 256);
}

TEST_F(SoundTest, FreeSlotCountsDownAndRunsOut) {
    SetLastError(kErrOutOfBounds);
    EXPECT_EQ(FreeSoundSlot(), 4095);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "cleared first";
    MemoryFile memory(test::toneWav(20));
    for (int slot = 4095; slot >= 0; --slot) LoadSound(memory.name(), slot, 1);
    EXPECT_EQ(FreeSoundSlot(), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    LoadSound(rs(dir / "none.wav"), 17, 1);
    EXPECT_EQ(FreeSoundSlot(), 17);
}

TEST_F(SoundTest, ShutdownReleasesEverythingAndInitStartsEmpty) {
    LoadSound(rs(writeWav("tone.wav", test::toneWav(1000))), 40, 4);
    PlaySound(40, 0, 1);
    ShutdownSound();
    EXPECT_FALSE(SoundDeviceOpen());
    EXPECT_EQ(PlaySound(40, 0, 1), -1);
    InitSound();
    ASSERT_TRUE(SoundDeviceOpen());
    EXPECT_EQ(PlaySound(40, 0, 1), -1) << "slots start empty";
    EXPECT_EQ(FreeSoundSlot(), 4095);
}

// ---- fidelity

// StopAllSounds leaves each voice where it stopped; only StopSound and stealing rewind.
TEST_F(SoundTest, StopAllSoundsDoesNotRewind) {
    LoadSound(rs(writeWav("tone.wav", test::toneWav(2000))), 3, 1);
    const std::int32_t channel = PlaySound(3, 0, 1);
    ASSERT_TRUE(waitFor([&] { return audio::VoicePosition(channel) > 2000; }));
    StopAllSounds();
    EXPECT_EQ(SoundPlaying(channel), 0);
    EXPECT_GT(audio::VoicePosition(channel), 2000u);
}


// Rates outside 1000..384000 Hz are refused like a buffer the device will not make, and so
// is a sound whose conversion to the device rate would pass the size cap of the packs: a
// 64 KB file at 50 Hz would have grown past a gigabyte.
TEST_F(SoundTest, RatesAndConvertedSizeAreBounded) {
    const std::vector<std::int32_t> samples(256, 128);
    for (const auto& [rate, loads] : {std::pair{50, false}, {999, false}, {1000, true},
                                      {384000, true}, {384001, false}}) {
        LoadSound(rs(writeWav("r.wav", test::wavFile(1, rate, 8, samples))), 4, 1);
        EXPECT_EQ(LastErrorCode(), loads ? kErrSuccess : kErrNoSuchFile) << rate << " Hz";
        EXPECT_EQ(PlaySound(4, 0, 1) >= 0, loads) << rate << " Hz";
        StopSound(4 * 256);
    }
    // A million 8-bit frames at 1000 Hz: converting them needs far more than 512 MiB.
    LoadSound(rs(writeWav("long.wav", test::wavFile(1, 1000, 8, std::vector<std::int32_t>(1000000, 128)))), 5, 1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(PlaySound(5, 0, 1), -1);
}

}  // namespace
}  // namespace qvt
