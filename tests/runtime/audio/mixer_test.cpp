// The device volume and pan scale, and the voice mixer on buffers of its own (no device):
// gains, saturation, the end of a voice, stopping and rewinding.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qvt {
namespace {

SampleBlock block(std::size_t frames, std::int16_t left, std::int16_t right, bool ramp = false) {
    auto pcm = std::make_shared<std::vector<std::int16_t>>();
    for (std::size_t i = 0; i < frames; ++i) pcm->insert(pcm->end(), {std::int16_t(ramp ? i : left), std::int16_t(ramp ? i : right)});
    return pcm;
}
// The first frame of frames frames mixed onto value.
std::pair<int, int> mixed(VoiceMixer& mixer, int frames, std::int16_t value = 0) {
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(frames), value);
    mixer.mix(out.data(), frames);
    return {out[0], out[1]};
}

TEST(DeviceScale, VolumePanAndTheGainsOfBothSides) {
    const std::pair<double, int> volumes[] = {{1.0, 0}, {0.5, -602}, {0.01, -4000}, {0.0, kSilentHundredths},
                                              {0.009, kSilentHundredths}, {0.999, -9}, {2.0, 0},
                                              {-1.0, kSilentHundredths}, {std::nan(""), kSilentHundredths}};
    for (auto [v, h] : volumes) EXPECT_EQ(VolumeToHundredths(v), h) << "volume " << v;
    const std::pair<double, int> pans[] = {{-3.0, -kPanFullRight}, {3.0, kPanFullRight}, {0.25, 2500}, {-0.33339, -3333}, {std::nan(""), 0}};
    for (auto [p, d] : pans) EXPECT_EQ(PanToDevice(p), d) << "pan " << p;
    struct Case {
        int volume, pan;
        float left, right;
    };
    const Case cases[] = {{-602, 0, 0.5f, 0.5f}, {0, -kPanFullRight, 1.0f, 0.0f}, {0, kPanFullRight, 0.0f, 1.0f},
                          {-2000, 2000, 0.01f, 0.1f}, {-9000, -2000, 3.1623e-5f, 0.0f}, {kSilentHundredths, 0, 0.0f, 0.0f}};
    for (const Case& c : cases) {
        const VoiceGains g = GainsFor(c.volume, c.pan);
        EXPECT_NEAR(g.left, c.left, c.left * 0.001f) << c.volume << " / " << c.pan;
        EXPECT_NEAR(g.right, c.right, c.right * 0.001f) << c.volume << " / " << c.pan;
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
    EXPECT_EQ(mixer.position(1), 0u) << "voice 1 has nothing and never started";
    mixer.start(3, {});
    EXPECT_EQ(mixed(mixer, 1, 7), std::pair(32767, -32768));
}

TEST(VoiceMixer, AVoiceStopsAtItsEndRewoundAndStopKeepsOrRewinds) {
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
    mixer.setSamples(1, block(100, 0, 0, true));
    mixer.start(1, {});
    mixer.stop(0, true);
    mixed(mixer, 10);
    mixer.stop(1, false);
    EXPECT_FALSE(mixer.playing(1));
    EXPECT_EQ(mixer.position(1), 10u);
    mixer.start(1, {});
    EXPECT_EQ(mixed(mixer, 1).first, 10) << "a plain stop resumes where it was";
    mixer.stop(1, true);
    EXPECT_EQ(mixer.position(1), 0u);
    mixer.start(0, {});
    mixer.start(1, {});
    mixed(mixer, 5);
    mixer.stopAll();
    EXPECT_FALSE(mixer.playing(0) || mixer.playing(1));
    EXPECT_EQ(mixer.position(0) * 10 + mixer.position(1), 55u) << "stopping everything keeps the positions";
    EXPECT_EQ(mixed(mixer, 10).first, 0) << "nothing plays after stopAll";

    mixer.start(1, {});
    mixer.setSamples(1, block(50, 2, 2));
    EXPECT_EQ(mixer.playing(1) * 10 + mixer.position(1), 0u) << "new samples stop it at their start";
    mixer.setSamples(1, block(1, 5, 5));
    EXPECT_TRUE(mixer.start(1, {})) << "a single frame plays";
    mixer.setSamples(1, nullptr);
    EXPECT_FALSE(mixer.start(1, {}));
    EXPECT_FALSE(mixer.start(5, {})) << "beyond the table";
    EXPECT_FALSE(mixer.playing(5) || mixer.position(5) != 0);
    mixer.stop(5, true);  // ignored
}

}  // namespace
}  // namespace qvt
