// The device volume and pan scale, and the voice mixer on buffers of its own (no device):
// gains, saturation, the end of a voice, stopping and rewinding.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace qvt {
namespace {

SampleBlock constantBlock(std::size_t frames, std::int16_t left, std::int16_t right) {
    auto pcm = std::make_shared<std::vector<std::int16_t>>();
    for (std::size_t i = 0; i < frames; ++i) {
        pcm->push_back(left);
        pcm->push_back(right);
    }
    return pcm;
}

TEST(DeviceScale, VolumeInHundredthsOfADecibel) {
    EXPECT_EQ(VolumeToHundredths(1.0), 0);
    EXPECT_EQ(VolumeToHundredths(0.5), -602);
    EXPECT_EQ(VolumeToHundredths(0.1), -2000);
    EXPECT_EQ(VolumeToHundredths(0.01), -4000);
    EXPECT_EQ(VolumeToHundredths(0.0), kSilentHundredths) << "0 is silence, not log(0)";
    EXPECT_EQ(VolumeToHundredths(0.009), kSilentHundredths) << "under one percent truncates to 0";
    EXPECT_EQ(VolumeToHundredths(0.999), -9) << "99 %: 2000 log10(0.99) = -8.7";
    EXPECT_EQ(VolumeToHundredths(2.0), 0) << "clamped to 1";
    EXPECT_EQ(VolumeToHundredths(-1.0), kSilentHundredths);
    EXPECT_EQ(VolumeToHundredths(std::numeric_limits<double>::quiet_NaN()), kSilentHundredths);
}

TEST(DeviceScale, PanClampedAndTruncated) {
    EXPECT_EQ(PanToDevice(-3.0), -kPanFullRight);
    EXPECT_EQ(PanToDevice(3.0), kPanFullRight);
    EXPECT_EQ(PanToDevice(0.25), 2500);
    EXPECT_EQ(PanToDevice(-0.33339), -3333);
    EXPECT_EQ(PanToDevice(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(DeviceScale, PanAttenuatesTheOtherSideOnTopOfTheVolume) {
    VoiceGains g = GainsFor(0, 0);
    EXPECT_FLOAT_EQ(g.left, 1.0f);
    EXPECT_FLOAT_EQ(g.right, 1.0f);
    g = GainsFor(-602, 0);
    EXPECT_NEAR(g.left, 0.5f, 0.0005f);
    EXPECT_NEAR(g.right, 0.5f, 0.0005f);
    g = GainsFor(0, -kPanFullRight);
    EXPECT_FLOAT_EQ(g.left, 1.0f);
    EXPECT_EQ(g.right, 0.0f) << "full left silences the right side";
    g = GainsFor(0, kPanFullRight);
    EXPECT_EQ(g.left, 0.0f);
    EXPECT_FLOAT_EQ(g.right, 1.0f);
    g = GainsFor(0, -2000);  // 20 dB off the right
    EXPECT_FLOAT_EQ(g.left, 1.0f);
    EXPECT_NEAR(g.right, 0.1f, 1e-6f);
    g = GainsFor(-2000, 2000);
    EXPECT_NEAR(g.left, 0.01f, 1e-7f);
    EXPECT_NEAR(g.right, 0.1f, 1e-6f);
    g = GainsFor(-9000, -2000);
    EXPECT_EQ(g.right, 0.0f) << "beyond -100 dB in sum is silence";
    g = GainsFor(kSilentHundredths, 0);
    EXPECT_EQ(g.left, 0.0f);
    EXPECT_EQ(g.right, 0.0f);
}

TEST(VoiceMixer, AddsVoicesWithTheirGainsToWhatIsThere) {
    VoiceMixer mixer(3);
    mixer.setSamples(0, constantBlock(100, 1000, -1000));
    mixer.setSamples(2, constantBlock(100, 300, 300));
    ASSERT_TRUE(mixer.start(0, {0.5f, 1.0f}));
    ASSERT_TRUE(mixer.start(2, {1.0f, 0.0f}));
    std::vector<std::int16_t> out(2 * 10, 7);  // music already in the stream
    mixer.mix(out.data(), 10);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out[i * 2], 7 + 500 + 300) << "left, frame " << i;
        EXPECT_EQ(out[i * 2 + 1], 7 - 1000 + 0) << "right, frame " << i;
    }
    EXPECT_EQ(mixer.position(0), 10u);
    EXPECT_EQ(mixer.position(1), 0u) << "voice 1 has nothing and never started";
}

TEST(VoiceMixer, Saturates) {
    VoiceMixer mixer(2);
    mixer.setSamples(0, constantBlock(4, 30000, -30000));
    mixer.setSamples(1, constantBlock(4, 30000, -30000));
    mixer.start(0, {});
    mixer.start(1, {});
    std::vector<std::int16_t> out(8, 0);
    mixer.mix(out.data(), 4);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
}

TEST(VoiceMixer, AVoiceStopsAtItsEndRewoundAndLeavesTheRestAlone) {
    VoiceMixer mixer(1);
    mixer.setSamples(0, constantBlock(1000, 100, 100));
    mixer.start(0, {});
    // 1500 frames: more than one internal block, and past the voice's end.
    std::vector<std::int16_t> out(2 * 1500, 0);
    mixer.mix(out.data(), 1500);
    EXPECT_EQ(out[2 * 999], 100);
    EXPECT_EQ(out[2 * 1000], 0) << "nothing after the last frame";
    EXPECT_EQ(out[2 * 1499 + 1], 0);
    EXPECT_FALSE(mixer.playing(0));
    EXPECT_EQ(mixer.position(0), 0u) << "ready to play whole again";
    EXPECT_TRUE(mixer.start(0, {}));
    std::fill(out.begin(), out.end(), 0);
    mixer.mix(out.data(), 1500);
    EXPECT_EQ(out[2 * 999], 100) << "the second play is whole";
}

TEST(VoiceMixer, StopKeepsOrRewindsThePosition) {
    VoiceMixer mixer(2);
    auto block = std::make_shared<std::vector<std::int16_t>>();
    for (std::int16_t i = 0; i < 100; ++i) block->insert(block->end(), {i, i});
    mixer.setSamples(0, block);
    mixer.setSamples(1, block);
    mixer.start(0, {});
    std::vector<std::int16_t> out(2 * 10, 0);
    mixer.mix(out.data(), 10);
    mixer.stop(0, false);
    EXPECT_FALSE(mixer.playing(0));
    EXPECT_EQ(mixer.position(0), 10u);
    mixer.start(0, {});
    std::fill(out.begin(), out.end(), 0);
    mixer.mix(out.data(), 1);
    EXPECT_EQ(out[0], 10) << "a plain stop resumes where it was";
    mixer.stop(0, true);
    EXPECT_EQ(mixer.position(0), 0u);

    mixer.start(0, {});
    mixer.start(1, {});
    mixer.mix(out.data(), 5);
    mixer.stopAll();
    EXPECT_FALSE(mixer.playing(0));
    EXPECT_FALSE(mixer.playing(1));
    EXPECT_EQ(mixer.position(0), 5u) << "stopping everything keeps the positions";
    EXPECT_EQ(mixer.position(1), 5u);
    std::fill(out.begin(), out.end(), 0);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[2 * 9], 0) << "nothing plays after stopAll";
}

TEST(VoiceMixer, NewSamplesStopTheVoiceAndEmptyOnesCannotStart) {
    VoiceMixer mixer(2);
    EXPECT_FALSE(mixer.start(0, {})) << "no samples";
    mixer.setSamples(0, std::make_shared<std::vector<std::int16_t>>());
    EXPECT_FALSE(mixer.start(0, {})) << "no frame";
    mixer.setSamples(0, constantBlock(50, 1, 1));
    mixer.start(0, {});
    std::vector<std::int16_t> out(2 * 10, 0);
    mixer.mix(out.data(), 10);
    mixer.setSamples(0, constantBlock(50, 2, 2));
    EXPECT_FALSE(mixer.playing(0));
    EXPECT_EQ(mixer.position(0), 0u);
    mixer.setSamples(0, nullptr);
    EXPECT_FALSE(mixer.start(0, {}));
    EXPECT_FALSE(mixer.start(5, {})) << "beyond the table";
    EXPECT_FALSE(mixer.playing(5));
    mixer.stop(5, true);  // ignored
}

}  // namespace
}  // namespace qvt
