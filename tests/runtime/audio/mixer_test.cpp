// The device volume and pan scale, and the voice mixer on buffers of its own (no device):
// gains, saturation, the end of a voice.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qvt {
namespace {

SampleBlock block(std::size_t frames, std::int16_t left, std::int16_t right) {
    auto pcm = std::make_shared<std::vector<std::int16_t>>();
    for (std::size_t i = 0; i < frames; ++i) pcm->insert(pcm->end(), {left, right});
    return pcm;
}
// The first frame of frames frames mixed onto value.
std::pair<int, int> mixed(VoiceMixer& mixer, int frames, std::int16_t value = 0) {
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(frames), value);
    mixer.mix(out.data(), frames);
    return {out[0], out[1]};
}

TEST(DeviceScale, VolumePanAndTheGainsOfBothSides) {
    const std::pair<double, int> volumes[] = {
        {1.0, 0}, {0.5, -602}, {0.01, -4000}, {0.999, -9}, {2.0, 0}, {0.0, kSilentHundredths},
        {0.009, kSilentHundredths}, {std::nan(""), kSilentHundredths}};
    for (auto [v, h] : volumes) EXPECT_EQ(VolumeToHundredths(v), h) << "volume " << v;
    const std::pair<double, int> pans[] = {
        {-3.0, -kPanFullRight}, {3.0, kPanFullRight}, {-0.33339, -3333}, {std::nan(""), 0}};
    for (auto [p, d] : pans) EXPECT_EQ(PanToDevice(p), d) << "pan " << p;
    // Full pans at full volume come out in the sound test's recording.
    const std::tuple<int, int, float, float> cases[] = {
        {-602, 0, 0.5f, 0.5f}, {-2000, 2000, 0.01f, 0.1f}, {-9000, -2000, 3.1623e-5f, 0.0f}};
    for (auto [volume, pan, left, right] : cases) {
        const VoiceGains g = GainsFor(volume, pan);
        EXPECT_NEAR(g.left, left, left * 0.001f) << volume << " / " << pan;
        EXPECT_NEAR(g.right, right, right * 0.001f) << volume << " / " << pan;
    }
}

TEST(VoiceMixer, AddsVoicesWithTheirGainsSaturatingOnWhatIsThere) {
    VoiceMixer mixer(4);
    mixer.setSamples(0, block(100, 1000, -1000));
    mixer.setSamples(2, block(100, 300, 300));
    mixer.setSamples(3, block(100, 32000, -32000));
    ASSERT_TRUE(mixer.start(0, {0.5f, 1.0f}));
    ASSERT_TRUE(mixer.start(2, {1.0f, 0.0f}));
    EXPECT_EQ(mixed(mixer, 10, 7), std::pair(807, -993)) << "onto the music already in the stream";
    EXPECT_EQ(mixer.position(0), 10u);
    mixer.start(3, {});
    EXPECT_EQ(mixed(mixer, 1, 7), std::pair(32767, -32768));
}

// Stopping, and new samples stopping a voice, are checked through the sound calls.
TEST(VoiceMixer, AVoiceStopsAtItsEndRewound) {
    VoiceMixer mixer(2);
    mixer.setSamples(0, block(1000, 100, 100));
    mixer.start(0, {});
    for (int play = 0; play < 2; ++play) {
        std::vector<std::int16_t> out(2 * 1500, 0);  // past the end and more than one internal block
        mixer.mix(out.data(), 1500);
        EXPECT_EQ(out[2 * 999] * 1000 + out[2 * 1000] + out[2 * 1499 + 1], 100000) << "nothing after the last frame";
        EXPECT_FALSE(mixer.playing(0));
        EXPECT_EQ(mixer.position(0), 0u) << "ready to play whole again";
        EXPECT_TRUE(mixer.start(0, {}));
    }
    mixer.setSamples(1, block(1, 5, 5));
    EXPECT_TRUE(mixer.start(1, {})) << "a single frame plays";
    EXPECT_FALSE(mixer.start(5, {})) << "beyond the table";
    EXPECT_FALSE(mixer.playing(5) || mixer.position(5) != 0);
    mixer.stop(5, true);  // ignored
}

}  // namespace
}  // namespace qvt
