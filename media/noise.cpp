#include "noise.h"

#include <cmath>

namespace qvt::media {

namespace {

std::uint32_t hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13 | h >> 19) * 5u + 0xE6546B64u;
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 13 | h >> 19) * 5u + 0xE6546B64u;
    h ^= static_cast<std::uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

float lattice(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    return static_cast<float>(hash(x, y, z, seed) >> 8) / 16777216.f;
}

float fade(float t) { return t * t * t * (t * (t * 6.f - 15.f) + 10.f); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::uniform() { return static_cast<float>(next() >> 40) / 16777216.f; }

float valueNoise2(float x, float y, std::uint32_t seed) { return valueNoise3(x, y, 0.f, seed); }

float valueNoise3(float x, float y, float z, std::uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy),
               iz = static_cast<std::int32_t>(fz);
    const float tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    float plane[2];
    for (int dz = 0; dz < 2; ++dz) {
        const float a = lerp(lattice(ix, iy, iz + dz, seed), lattice(ix + 1, iy, iz + dz, seed), tx);
        const float b = lerp(lattice(ix, iy + 1, iz + dz, seed), lattice(ix + 1, iy + 1, iz + dz, seed), tx);
        plane[dz] = lerp(a, b, ty);
    }
    return lerp(plane[0], plane[1], tz);
}

float fbm2(float x, float y, int octaves, std::uint32_t seed) { return fbm3(x, y, 0.f, octaves, seed); }

float fbm3(float x, float y, float z, int octaves, std::uint32_t seed) {
    float sum = 0.f, weight = 1.f, total = 0.f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * valueNoise3(x, y, z, seed + static_cast<std::uint32_t>(i) * 101u);
        total += weight;
        weight *= 0.5f;
        x *= 2.f, y *= 2.f, z *= 2.f;
    }
    return sum / total;
}

}  // namespace qvt::media
