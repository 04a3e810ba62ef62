#include "core/random.h"

#include <array>

namespace qvt {

namespace {

constexpr int kWords = 256;
constexpr std::uint32_t kGoldenRatio = 0x9e3779b9;

struct IsaacState {
    std::array<std::uint32_t, kWords> results{};  // the latest batch
    std::array<std::uint32_t, kWords> memory{};
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    bool seeded = false;
};

IsaacState state;

using Mix = std::array<std::uint32_t, 8>;

void mix(Mix& m) {
    m[0] ^= m[1] << 11; m[3] += m[0]; m[1] += m[2];
    m[1] ^= m[2] >> 2;  m[4] += m[1]; m[2] += m[3];
    m[2] ^= m[3] << 8;  m[5] += m[2]; m[3] += m[4];
    m[3] ^= m[4] >> 16; m[6] += m[3]; m[4] += m[5];
    m[4] ^= m[5] << 10; m[7] += m[4]; m[5] += m[6];
    m[5] ^= m[6] >> 4;  m[0] += m[5]; m[6] += m[7];
    m[6] ^= m[7] << 8;  m[1] += m[6]; m[7] += m[0];
    m[7] ^= m[0] >> 9;  m[2] += m[7]; m[0] += m[1];
}

// One batch of 256 results.
void generateBatch(IsaacState& s) {
    s.c += 1;
    s.b += s.c;
    for (int i = 0; i < kWords; ++i) {
        const std::uint32_t x = s.memory[i];
        switch (i & 3) {
            case 0: s.a ^= s.a << 13; break;
            case 1: s.a ^= s.a >> 6; break;
            case 2: s.a ^= s.a << 2; break;
            case 3: s.a ^= s.a >> 16; break;
        }
        s.a += s.memory[(i + 128) & 255];
        const std::uint32_t y = s.memory[(x >> 2) & 255] + s.a + s.b;
        s.memory[i] = y;
        s.b = s.memory[(y >> 10) & 255] + x;
        s.results[i] = s.b;
    }
}

// One initialisation pass: the mixing words absorb source eight words at a time.
void absorb(Mix& m, const std::array<std::uint32_t, kWords>& source,
            std::array<std::uint32_t, kWords>& memory) {
    for (int i = 0; i < kWords; i += 8) {
        for (int k = 0; k < 8; ++k) m[k] += source[i + k];
        mix(m);
        for (int k = 0; k < 8; ++k) memory[i + k] = m[k];
    }
}

// The published initialisation with the seed as the first word of the seed block; the
// other 255 words are zero, so seed 0 gives the reference generator's own sequence.
void seedState(IsaacState& s, std::uint32_t seed) {
    s = IsaacState{};
    s.results[0] = seed;
    Mix m;
    m.fill(kGoldenRatio);
    for (int i = 0; i < 4; ++i) mix(m);
    absorb(m, s.results, s.memory);
    const auto firstPass = s.memory;
    absorb(m, firstPass, s.memory);
    generateBatch(s);
    s.seeded = true;
}

}  // namespace

void SeedRandom(std::int32_t seed) { seedState(state, static_cast<std::uint32_t>(seed)); }

std::int32_t Random(std::int32_t n) {
    if (n < 1) return 0;
    if (!state.seeded) seedState(state, 0);
    generateBatch(state);
    // n + 1 as unsigned: 2^31 at most, so n = INT32_MAX works.
    const std::uint32_t range = static_cast<std::uint32_t>(n) + 1u;
    return static_cast<std::int32_t>(state.results[0] % range);
}

}  // namespace qvt
