// Seeded random numbers and smooth noise; every picture and sound comes out the same on
// every run because nothing here reads the clock.
#pragma once

#include <cstdint>

namespace qvt::media {

// splitmix64: tiny, fast, and good enough for stars and drum hiss.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in [0, 1).
    float uniform();
    // Uniform in [lo, hi).
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // Uniform in [-1, 1).
    float bipolar() { return range(-1.f, 1.f); }

private:
    std::uint64_t state_;
};

// Value noise on the integer lattice, smoothly interpolated; result in 0..1.
float valueNoise2(float x, float y, std::uint32_t seed);
float valueNoise3(float x, float y, float z, std::uint32_t seed);
// Sums of octaves (each half the size and half the weight), normalised to 0..1.
float fbm2(float x, float y, int octaves, std::uint32_t seed);
float fbm3(float x, float y, float z, int octaves, std::uint32_t seed);

}  // namespace qvt::media
