// The four effects, 22050 Hz mono 16-bit (the rate the game's sound device runs at):
// intro (the fly-in before play), explode (the ship bursting), bonus (an item collected)
// and levelup. The game plays bonus and levelup at half volume and the other two at full,
// so all four are normalised to the same peak.
#include <algorithm>
#include <cmath>
#include <vector>

#include "generators.h"
#include "noise.h"
#include "synth.h"

namespace qvt::media {

namespace {

constexpr int kRate = 22050;
constexpr float kPeak = 0.89f;  // -1 dBFS

std::vector<float> silence(double seconds) { return std::vector<float>(static_cast<std::size_t>(seconds * kRate), 0.f); }

// A plucked square-ish note added at `start` seconds.
void addBlip(std::vector<float>& out, double start, double note, double length, double duty, double level) {
    const double hz = midiHz(note), dt = hz / kRate;
    double phase = 0.0, smooth = 0.0;
    const double soften = 1.0 - std::exp(-kTwoPi * 5000.0 / kRate);  // takes the edge off the square
    const auto first = static_cast<std::size_t>(start * kRate);
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = static_cast<double>(i - first) / kRate;
        const double env = gateEnvelope(t, 0.003, length, 0.04) * (0.55 + 0.45 * decay(t, length * 0.6));
        if (t > length + 0.05) break;
        smooth += soften * (pulseWave(phase, dt, duty) - smooth);
        out[i] += static_cast<float>(level * env * smooth);
        phase = std::fmod(phase + dt, 1.0);
    }
}

// Feedback echo, for the sparkle at the end of the jingles.
void addEcho(std::vector<float>& out, double delaySeconds, double feedback) {
    const auto d = static_cast<std::size_t>(delaySeconds * kRate);
    for (std::size_t i = d; i < out.size(); ++i) out[i] += static_cast<float>(feedback * out[i - d]);
}

// ---- intro: a rising sweep into a bright arpeggio and a held A major chord ------------------

void introSweep(std::vector<float>& out) {
    Svf filter;
    double phase = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.95 * kRate); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 55.0 * std::pow(2.0, t / 0.95 * 3.0);
        phase = std::fmod(phase + hz / kRate, 1.0);
        const double cutoff = 200.0 + 5000.0 * std::pow(t / 0.95, 2.0);
        const double s = filter.process(sawWave(phase, hz / kRate), cutoff, 2.5, kRate).low;
        out[i] += static_cast<float>(0.35 * s * std::min(1.0, t / 0.5));
    }
}

void introChord(std::vector<float>& out, double start) {
    const double notes[] = {57.0, 64.0, 69.0, 73.0, 76.0};  // A3 E4 A4 C#5 E5
    Svf filter;
    std::vector<double> phases(10, 0.0);
    const auto first = static_cast<std::size_t>(start * kRate);
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = static_cast<double>(i - first) / kRate;
        const double vibrato = 0.12 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, t / 0.4);
        double s = 0.0;
        for (int v = 0; v < 10; ++v) {
            const double hz = midiHz(notes[v / 2] + vibrato + (v % 2 ? 0.08 : -0.08));
            phases[v] = std::fmod(phases[v] + hz / kRate, 1.0);
            s += sawWave(phases[v], hz / kRate);
        }
        const double cutoff = 900.0 + 4000.0 * decay(t, 0.5);
        const double env = std::min(1.0, t / 0.01) * decay(t, 0.7) * (t < 1.6 ? 1.0 : std::max(0.0, 1.0 - (t - 1.6) / 0.2));
        out[i] += static_cast<float>(0.09 * env * filter.process(s, cutoff, 0.9, kRate).low);
    }
}

void addThump(std::vector<float>& out, double start, double level) {
    const auto first = static_cast<std::size_t>(start * kRate);
    double phase = 0.0;
    for (std::size_t i = first; i < out.size() && i < first + static_cast<std::size_t>(0.5 * kRate); ++i) {
        const double t = static_cast<double>(i - first) / kRate;
        const double hz = 45.0 + 140.0 * decay(t, 0.04);
        phase = std::fmod(phase + hz / kRate, 1.0);
        out[i] += static_cast<float>(level * std::sin(kTwoPi * phase) * decay(t, 0.18));
    }
}

std::vector<float> intro() {
    std::vector<float> out = silence(2.7);
    introSweep(out);
    const double arpeggio[] = {57, 61, 64, 69, 73, 76, 81};  // A major, rising
    for (int i = 0; i < 7; ++i) addBlip(out, 0.1 + i * 0.11, arpeggio[i], 0.09, 0.25, 0.22);
    addEcho(out, 0.165, 0.3);
    addThump(out, 0.9, 0.45);
    introChord(out, 0.9);
    addBlip(out, 0.9, 81, 0.6, 0.5, 0.12);
    return out;
}

// ---- explode: a low boom, a collapsing roar of noise and flying debris ---------------------

std::vector<float> explode() {
    std::vector<float> out = silence(1.9);
    Rng rng(0xE4B1u);
    Svf roar, crack;
    double boomPhase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 30.0 + 90.0 * decay(t, 0.12);
        boomPhase = std::fmod(boomPhase + hz / kRate, 1.0);
        const double boom = std::sin(kTwoPi * boomPhase) * decay(t, 0.45);
        const double noise = rng.bipolar();
        const double cutoff = 150.0 + 7000.0 * decay(t, 0.22);
        const double body = roar.process(noise, cutoff, 0.8, kRate).low * (0.35 + 0.65 * decay(t, 0.08)) * decay(t, 0.55);
        const double snap = crack.process(noise, 3000.0, 0.7, kRate).high * decay(t, 0.015);
        const double mix = 0.9 * boom + 1.1 * body + 0.5 * snap;
        out[i] = static_cast<float>(std::tanh(1.6 * mix));
    }
    for (int i = 0; i < 40; ++i) {  // debris: sharp clicks thinning out
        const double at = 0.05 + std::pow(rng.uniform(), 1.8) * 1.2;
        const auto first = static_cast<std::size_t>(at * kRate);
        const double level = 0.35 * decay(at, 0.5);
        for (std::size_t j = 0; j < 180 && first + j < out.size(); ++j) {
            out[first + j] += static_cast<float>(level * rng.bipolar() * decay(j / double(kRate), 0.002));
        }
    }
    const std::size_t fade = static_cast<std::size_t>(0.2 * kRate);
    for (std::size_t i = out.size() - fade; i < out.size(); ++i) out[i] *= static_cast<float>(out.size() - i) / fade;
    return out;
}

// ---- bonus: the classic two-step chime, an octave of sparkle on top -----------------------

std::vector<float> bonus() {
    std::vector<float> out = silence(0.45);
    addBlip(out, 0.0, 83, 0.055, 0.5, 0.45);   // B5
    addBlip(out, 0.06, 88, 0.3, 0.5, 0.45);    // E6
    addBlip(out, 0.06, 100, 0.22, 0.25, 0.12); // E7
    return out;
}

// ---- levelup: a quick climb and a trill that rings out ------------------------------------

std::vector<float> levelUp() {
    std::vector<float> out = silence(1.2);
    const double climb[] = {69, 73, 76, 81, 85, 88};  // A major over two octaves
    for (int i = 0; i < 6; ++i) addBlip(out, i * 0.055, climb[i], 0.05, 0.25, 0.3);
    for (int i = 0; i < 8; ++i) addBlip(out, 0.33 + i * 0.05, i % 2 ? 88 : 93, 0.045, 0.5, 0.26 * (1.0 - i * 0.08));
    addEcho(out, 0.12, 0.35);
    return out;
}

bool save(std::vector<float> samples, const std::string& mediaDir, const char* name) {
    removeDc(samples, 1, kRate);
    normalisePeak(samples, kPeak);
    return writeWav(mediaDir + "/dune/" + name, samples, 1, kRate);
}

}  // namespace

bool makeSounds(const std::string& mediaDir) {
    bool ok = save(intro(), mediaDir, "intro.wav");
    ok = save(explode(), mediaDir, "explode.wav") && ok;
    ok = save(bonus(), mediaDir, "bonus.wav") && ok;
    ok = save(levelUp(), mediaDir, "levelup.wav") && ok;
    return ok;
}

}  // namespace qvt::media
