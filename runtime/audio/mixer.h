// The voice mixer: sound effects added into the device's stream, and the device's volume
// and pan scale (hundredths of a decibel) they are played with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qvt {

// Hundredths of a decibel at or below which a side is silent.
inline constexpr std::int32_t kSilentHundredths = -10000;
// Device pan: -10000 silences the right side, 10000 the left one.
inline constexpr std::int32_t kPanFullRight = 10000;

// Volume 0..1 (clamped; NaN reads as 0) in hundredths of a decibel: whole percent steps,
// -10000 for 0 %, else 2000 * log10(percent / 100) rounded (50 % -> -602).
std::int32_t VolumeToHundredths(double volume);
// Pan -1..1 (clamped; NaN reads as 0) on the device scale -10000..10000, truncated.
std::int32_t PanToDevice(double pan);

// Linear factors for the two output sides.
struct VoiceGains {
    float left = 1.0f;
    float right = 1.0f;
};

// The factors for a device volume and pan: the side away from the pan is attenuated by
// |pan| hundredths of a decibel on top of the volume; -10000 or below is silence.
VoiceGains GainsFor(std::int32_t volumeHundredths, std::int32_t devicePan);

// Samples of one sound in the device layout: interleaved stereo 16-bit frames, shared by
// all the voices that play it.
using SampleBlock = std::shared_ptr<const std::vector<std::int16_t>>;

// A fixed set of voices mixed into the device's stream. Every member is safe to call from
// the main thread while the audio thread runs mix().
class VoiceMixer {
public:
    // voices voices, each without samples and stopped.
    explicit VoiceMixer(std::size_t voices);
    VoiceMixer(const VoiceMixer&) = delete;
    VoiceMixer& operator=(const VoiceMixer&) = delete;

    // Number of voices (fixed).
    std::size_t size() const { return voices_.size(); }

    // Gives the voice its samples (null: none), stopped at their start.
    void setSamples(std::size_t voice, SampleBlock samples);
    // Starts the voice from where it stands, once; false when it has no samples.
    bool start(std::size_t voice, VoiceGains gains);
    // Stops the voice; rewind puts it back at its start.
    void stop(std::size_t voice, bool rewind);
    // Stops every voice where it stands (no rewind).
    void stopAll();
    // True while the voice plays; it stops by itself (rewound) at the end of its samples.
    bool playing(std::size_t voice) const;
    // Frames the voice has played since its start.
    std::size_t position(std::size_t voice) const;

    // Adds every playing voice into frames stereo frames, saturating (audio thread).
    void mix(std::int16_t* samples, int frames);

private:
    struct Voice {
        SampleBlock samples;
        std::size_t frame = 0;
        VoiceGains gains;
        bool playing = false;
    };

    void addVoice(Voice& voice, float* sum, std::size_t frames);
    void halt(Voice& voice, bool rewind);

    mutable std::mutex mutex_;
    std::vector<Voice> voices_;
    std::size_t active_ = 0;
};

}  // namespace qvt
