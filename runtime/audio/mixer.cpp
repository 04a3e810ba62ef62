#include "audio/mixer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qvt {

namespace {

// Frames summed per pass; the running sum lives on the audio thread's stack.
constexpr std::size_t kMixBlockFrames = 512;

double clampOrZero(double value, double low, double high) {
    if (std::isnan(value)) return 0.0;
    return std::clamp(value, low, high);
}

float gainOf(std::int32_t hundredths) {
    if (hundredths <= kSilentHundredths) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

}  // namespace

std::int32_t VolumeToHundredths(double volume) {
    const auto percent = static_cast<std::int32_t>(clampOrZero(volume, 0.0, 1.0) * 100.0);
    if (percent == 0) return kSilentHundredths;
    return static_cast<std::int32_t>(std::lround(2000.0 * std::log10(percent / 100.0)));
}

std::int32_t PanToDevice(double pan) {
    return static_cast<std::int32_t>(clampOrZero(pan, -1.0, 1.0) * kPanFullRight);
}

VoiceGains GainsFor(std::int32_t volumeHundredths, std::int32_t devicePan) {
    const std::int32_t pan = std::clamp(devicePan, -kPanFullRight, kPanFullRight);
    return {gainOf(volumeHundredths - std::max(pan, 0)), gainOf(volumeHundredths + std::min(pan, 0))};
}

VoiceMixer::VoiceMixer(std::size_t voices) : voices_(voices) {}

void VoiceMixer::halt(Voice& voice, bool rewind) {
    if (voice.playing) --active_;
    voice.playing = false;
    if (rewind) voice.frame = 0;
}

void VoiceMixer::setSamples(std::size_t voice, SampleBlock samples) {
    if (voice >= voices_.size()) return;
    std::unique_lock lock(mutex_);
    Voice& v = voices_[voice];
    halt(v, true);
    v.samples.swap(samples);
    lock.unlock();
    // The old block (now in samples) is freed here, outside the lock the audio thread waits on.
}

bool VoiceMixer::start(std::size_t voice, VoiceGains gains) {
    if (voice >= voices_.size()) return false;
    std::lock_guard lock(mutex_);
    Voice& v = voices_[voice];
    if (v.samples == nullptr || v.samples->size() < 2) return false;
    v.gains = gains;
    if (!v.playing) ++active_;
    v.playing = true;
    return true;
}

void VoiceMixer::stop(std::size_t voice, bool rewind) {
    if (voice >= voices_.size()) return;
    std::lock_guard lock(mutex_);
    halt(voices_[voice], rewind);
}

void VoiceMixer::stopAll() {
    std::lock_guard lock(mutex_);
    for (Voice& v : voices_) halt(v, false);
}

bool VoiceMixer::playing(std::size_t voice) const {
    if (voice >= voices_.size()) return false;
    std::lock_guard lock(mutex_);
    return voices_[voice].playing;
}

std::size_t VoiceMixer::position(std::size_t voice) const {
    if (voice >= voices_.size()) return 0;
    std::lock_guard lock(mutex_);
    return voices_[voice].frame;
}

void VoiceMixer::addVoice(Voice& voice, float* sum, std::size_t frames) {
    const std::vector<std::int16_t>& pcm = *voice.samples;
    const std::size_t total = pcm.size() / 2;
    const std::size_t n = std::min(frames, total - voice.frame);
    const std::int16_t* in = pcm.data() + voice.frame * 2;
    for (std::size_t i = 0; i < n; ++i) {
        sum[i * 2] += in[i * 2] * voice.gains.left;
        sum[i * 2 + 1] += in[i * 2 + 1] * voice.gains.right;
    }
    voice.frame += n;
    // A one-shot voice that ran out goes back to its start, so the next play is whole.
    if (voice.frame >= total) halt(voice, true);
}

void VoiceMixer::mix(std::int16_t* samples, int frames) {
    std::lock_guard lock(mutex_);
    if (active_ == 0 || frames <= 0) return;
    std::array<float, kMixBlockFrames * 2> sum;
    for (std::size_t done = 0; done < static_cast<std::size_t>(frames); done += kMixBlockFrames) {
        const std::size_t n = std::min(kMixBlockFrames, static_cast<std::size_t>(frames) - done);
        std::int16_t* out = samples + done * 2;
        std::copy(out, out + n * 2, sum.begin());
        for (Voice& v : voices_) {
            if (v.playing) addVoice(v, sum.data(), n);
        }
        for (std::size_t i = 0; i < n * 2; ++i) {
            out[i] = static_cast<std::int16_t>(std::lrint(std::clamp(sum[i], -32768.0f, 32767.0f)));
        }
        if (active_ == 0) break;
    }
}

}  // namespace qvt
