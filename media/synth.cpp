#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qvt::media {

namespace {

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

double sawWave(double phase, double dt) { return 2.0 * phase - 1.0 - polyBlep(phase, dt); }

double pulseWave(double phase, double dt, double duty) {
    const double shifted = std::fmod(phase + 1.0 - duty, 1.0);
    // Centred on zero whatever the duty, so narrow pulses carry no DC.
    return (phase < duty ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(shifted, dt) - (2.0 * duty - 1.0);
}

double triangleWave(double phase) { return 4.0 * std::fabs(phase - 0.5) - 1.0; }

Svf::Out Svf::process(double input, double cutoff, double q, double rate) {
    const double g = std::tan(kTwoPi * 0.5 * std::min(cutoff, rate * 0.45) / rate);
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = input - ic2_;
    const double v1 = a1 * ic1_ + a2 * v3;
    const double v2 = ic2_ + a2 * ic1_ + a3 * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, input - k * v1 - v2};
}

double decay(double t, double tau) { return t < 0.0 ? 0.0 : std::exp(-t / tau); }

double gateEnvelope(double t, double attack, double gate, double release) {
    if (t < 0.0) return 0.0;
    const double level = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
    if (t < gate) return level;
    const double held = attack > 0.0 ? std::min(1.0, gate / attack) : 1.0;
    return std::max(0.0, held * (1.0 - (t - gate) / release));
}

void removeDc(std::vector<float>& samples, int channels, double rate) {
    const double r = 1.0 - kTwoPi * 8.0 / rate;  // one pole at 8 Hz: below every note
    for (int c = 0; c < channels; ++c) {
        double lastIn = 0.0, lastOut = 0.0;
        for (std::size_t i = static_cast<std::size_t>(c); i < samples.size(); i += static_cast<std::size_t>(channels)) {
            const double out = samples[i] - lastIn + r * lastOut;
            lastIn = samples[i];
            lastOut = out;
            samples[i] = static_cast<float>(out);
        }
    }
}

void normalisePeak(std::vector<float>& samples, float peak) {
    float largest = 0.f;
    for (float s : samples) largest = std::max(largest, std::fabs(s));
    if (largest <= 0.f) return;
    const float k = peak / largest;
    for (float& s : samples) s *= k;
}

std::vector<std::int16_t> toPcm16(const std::vector<float>& samples) {
    std::vector<std::int16_t> pcm(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float v = std::clamp(samples[i], -1.f, 1.f) * 32767.f;
        pcm[i] = static_cast<std::int16_t>(std::lround(v));
    }
    return pcm;
}

bool writeWav(const std::string& path, const std::vector<float>& samples, int channels, int rate) {
    const std::vector<std::int16_t> pcm = toPcm16(samples);
    const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
    std::vector<std::uint8_t> file;
    putTag(file, "RIFF");
    put32(file, 36 + dataBytes);
    putTag(file, "WAVE");
    putTag(file, "fmt ");
    put32(file, 16);
    put16(file, 1);  // PCM
    put16(file, static_cast<std::uint32_t>(channels));
    put32(file, static_cast<std::uint32_t>(rate));
    put32(file, static_cast<std::uint32_t>(rate * channels * 2));
    put16(file, static_cast<std::uint32_t>(channels * 2));
    put16(file, 16);
    putTag(file, "data");
    put32(file, dataBytes);
    for (std::int16_t s : pcm) put16(file, static_cast<std::uint16_t>(s));
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr) ok = std::fclose(out) == 0 && ok;
    if (!ok) std::fprintf(stderr, "mediagen: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace qvt::media
