// Small synthesiser kit for the effects and the tune: band-limited oscillators, a state-
// variable filter, envelopes and 16-bit WAV output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvt::media {

inline constexpr double kTwoPi = 6.283185307179586;

// Frequency of a MIDI note number (69 = A4 = 440 Hz); fractions bend the pitch.
double midiHz(double note);

// Naive waveforms corrected by polyBLEP at their steps, so high notes do not alias.
// phase in 0..1, dt = frequency / rate.
double sawWave(double phase, double dt);
double pulseWave(double phase, double dt, double duty);
double triangleWave(double phase);

// Zero-delay-feedback state-variable filter; stays stable while its cutoff moves.
class Svf {
public:
    struct Out {
        double low, band, high;
    };
    // One sample through the filter; cutoff in Hz, resonance q from 0.5 (soft) upwards.
    Out process(double input, double cutoff, double q, double rate);

private:
    double ic1_ = 0.0, ic2_ = 0.0;
};

// Exponential decay from 1 with time constant tau (seconds).
double decay(double t, double tau);
// Linear attack over `attack` seconds, then hold; releases linearly over `release` seconds
// after `gate` seconds.
double gateEnvelope(double t, double attack, double gate, double release);

// High-pass far below the audible range: takes any offset off (interleaved channels).
void removeDc(std::vector<float>& samples, int channels, double rate);
// Scales the samples so that the largest magnitude becomes peak.
void normalisePeak(std::vector<float>& samples, float peak);
// Rounds to 16 bits, clipping at full scale.
std::vector<std::int16_t> toPcm16(const std::vector<float>& samples);
// RIFF/WAVE PCM, 16 bits; samples interleaved when channels is 2.
bool writeWav(const std::string& path, const std::vector<float>& samples, int channels, int rate);

}  // namespace qvt::media
