// What really comes out of the device: SDL's disk driver records the mixed stream (16-bit
// stereo at the device rate) to a file, which these tests read back and measure.
#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "audio_test_util.h"
#include "core/errors.h"
#include "files/resolver.h"
#include "runtime/files/files_test_util.h"

namespace qvt {
namespace {

using test::Bytes;
using test::rs;
using test::waitFor;

struct Recording {
    std::vector<std::int16_t> left, right;

    std::size_t frames() const { return left.size(); }
    // First and one past the last frame with any sound on either side (0, 0 for silence).
    std::pair<std::size_t, std::size_t> heard() const {
        std::size_t first = frames(), last = 0;
        for (std::size_t i = 0; i < frames(); ++i) {
            if (left[i] != 0 || right[i] != 0) {
                first = std::min(first, i);
                last = i + 1;
            }
        }
        return first < last ? std::pair{first, last} : std::pair<std::size_t, std::size_t>{0, 0};
    }
};

double rms(const std::vector<std::int16_t>& s, std::pair<std::size_t, std::size_t> span) {
    if (span.second <= span.first) return 0.0;
    double sum = 0.0;
    for (std::size_t i = span.first; i < span.second; ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(span.second - span.first));
}

int peak(const std::vector<std::int16_t>& s) {
    int p = 0;
    for (std::int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

// One second of a 440 Hz sine (amplitude 10000, mono, 44.1 kHz) as an mp3.
Bytes sineMp3() {
    const std::vector<std::int32_t> wave = test::sine(44100, 1, 10000.0, 440.0, 44100);
    std::vector<short> pcm(wave.begin(), wave.end());
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, 44100);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    Bytes mp3;
    if (lame_init_params(lame) == 0) {
        mp3.resize(pcm.size() * 5 / 4 + 7200 + 7200);  // lame's worst case, plus the flush
        const int n = lame_encode_buffer(lame, pcm.data(), nullptr, static_cast<int>(pcm.size()), mp3.data(),
                                         static_cast<int>(mp3.size()));
        const int tail = n >= 0 ? lame_encode_flush(lame, mp3.data() + n, static_cast<int>(mp3.size()) - n) : -1;
        mp3.resize(n >= 0 && tail >= 0 ? static_cast<std::size_t>(n + tail) : 0);
    }
    lame_close(lame);
    return mp3;
}

class OutputTest : public testing::Test {
protected:
    void SetUp() override { SetMediaPacks("", ""); }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }

    // Opens the device with its output going to a fresh file.
    void startRecording(const std::string& name) {
        recordPath = dir / name;
        test::useAudioDriver("disk", recordPath);
        InitSound();
        ASSERT_TRUE(SoundDeviceOpen()) << "SDL's disk driver";
    }

    // Lets the last buffer reach the file, closes the device and reads what was recorded.
    Recording stopRecording() {
        test::sleepRealMs(80);
        ShutdownSound();
        const Bytes raw = test::readBytes(recordPath);
        Recording r;
        for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
            r.left.push_back(static_cast<std::int16_t>(raw[i] | raw[i + 1] << 8));
            r.right.push_back(static_cast<std::int16_t>(raw[i + 2] | raw[i + 3] << 8));
        }
        return r;
    }

    // Records one play of the sound in wavPath and returns what came out.
    Recording recordSound(const std::string& wavPath, double pan, double volume, const std::string& name) {
        startRecording(name);
        LoadSound(rs(wavPath), 1, 1);
        EXPECT_EQ(LastErrorCode(), kErrSuccess);
        const std::int32_t channel = PlaySound(1, pan, volume);
        EXPECT_EQ(channel, 256);
        EXPECT_TRUE(waitFor([&] { return SoundPlaying(channel) == 0; }));
        return stopRecording();
    }

    test::ScratchFolder dir;
    std::string recordPath;
};

TEST_F(OutputTest, PanSilencesTheOtherSide) {
    // 0.3 s of a 440 Hz sine at 22050 Hz mono: converted to stereo at the device rate on load.
    const std::string wav = dir / "sine.wav";
    test::writeBytes(wav, test::wavFile(1, 22050, 16, test::sine(6615, 1, 12000.0, 440.0, 22050)));
    const double sineRms = 12000.0 / std::sqrt(2.0);

    struct Case {
        double pan;
        bool leftHeard, rightHeard;
    };
    for (Case c : {Case{-1.0, true, false}, Case{-3.0, true, false}, Case{1.0, false, true}, Case{0.0, true, true}}) {
        const Recording r = recordSound(wav, c.pan, 1.0, "pan.raw");
        const auto span = r.heard();
        const double left = rms(r.left, span), right = rms(r.right, span);
        std::printf("pan %+.0f: %zu frames heard, RMS left %.1f, right %.1f (sine RMS %.1f)\n", c.pan,
                    span.second - span.first, left, right, sineRms);
        ASSERT_GT(span.second, span.first) << "pan " << c.pan << ": nothing came out";
        EXPECT_NEAR(static_cast<double>(span.second - span.first), 0.3 * kSoundOutputRate, 0.01 * kSoundOutputRate)
            << "plays at the file's own rate: 0.3 s";
        if (c.leftHeard) {
            EXPECT_NEAR(left, sineRms, sineRms * 0.03) << "pan " << c.pan;
        } else {
            EXPECT_EQ(peak(r.left), 0) << "pan " << c.pan << ": the left side is silent";
        }
        if (c.rightHeard) {
            EXPECT_NEAR(right, sineRms, sineRms * 0.03) << "pan " << c.pan;
        } else {
            EXPECT_EQ(peak(r.right), 0) << "pan " << c.pan << ": the right side is silent";
        }
    }
}

TEST_F(OutputTest, VolumeScalesTheSamplesByItsDecibels) {
    // A constant level at the device's own layout, so nothing but the gain touches it.
    const std::string wav = dir / "level.wav";
    test::writeBytes(wav, test::wavFile(2, kSoundOutputRate, 16, std::vector<std::int32_t>(2 * 4410, 20000)));
    struct Case {
        double volume;
        int expected;  // 20000 x 10^(hundredths / 2000)
    };
    for (Case c : {Case{1.0, 20000}, Case{0.5, 10001}, Case{0.1, 2000}, Case{0.0, 0}, Case{2.0, 20000}}) {
        const Recording r = recordSound(wav, 0.0, c.volume, "level.raw");
        std::printf("volume %.1f: peak left %d, right %d\n", c.volume, peak(r.left), peak(r.right));
        EXPECT_NEAR(peak(r.left), c.expected, 1) << "volume " << c.volume;
        EXPECT_NEAR(peak(r.right), c.expected, 1) << "volume " << c.volume;
    }
}

TEST_F(OutputTest, OverlappingVoicesAddUp) {
    const std::string wav = dir / "level.wav";
    test::writeBytes(wav, test::wavFile(2, kSoundOutputRate, 16, std::vector<std::int32_t>(2 * 22050, 5000)));
    startRecording("overlap.raw");
    LoadSound(rs(wav), 2, 2);
    const std::int32_t a = PlaySound(2, 0, 1);
    const std::int32_t b = PlaySound(2, 0, 1);
    ASSERT_EQ(b, a + 1);
    ASSERT_TRUE(waitFor([&] { return SoundPlaying(a) + SoundPlaying(b) == 0; }));
    const Recording r = stopRecording();
    EXPECT_EQ(peak(r.left), 10000) << "two voices of the same sound at once";
}

TEST_F(OutputTest, Mp3MusicIsHeard) {
    const Bytes mp3 = sineMp3();
    ASSERT_GT(mp3.size(), 1000u) << "lame produced no mp3";
    const std::string path = dir / "tune.mp3";
    test::writeBytes(path, mp3);

    startRecording("music.raw");
    PlayMusic(rs(path), 0);
    EXPECT_EQ(LastErrorCode(), kErrSuccess);
    EXPECT_EQ(MusicPlaying(), 1);
    ASSERT_TRUE(waitFor([] { return MusicPlaying() == 0; }));
    const Recording r = stopRecording();
    const auto span = r.heard();
    const double left = rms(r.left, span), right = rms(r.right, span);
    std::printf("mp3: %zu frames heard, RMS left %.1f, right %.1f (sine RMS %.1f)\n", span.second - span.first, left,
                right, 10000.0 / std::sqrt(2.0));
    EXPECT_NEAR(static_cast<double>(span.second - span.first), kSoundOutputRate, 0.1 * kSoundOutputRate)
        << "one second of music";
    EXPECT_GT(left, 5000.0);
    EXPECT_GT(right, 5000.0) << "a mono tune comes out on both sides";
}

}  // namespace
}  // namespace qvt
