// The runtime's one random source: ISAAC (32-bit words, 256-word state).
//
// All of the game's randomness goes through Random, so a seeded run repeats frame for frame.
// A generator that was never seeded behaves as if seeded with 0.
#pragma once

#include <cstdint>

namespace qvt {

// Clears the generator and derives its whole state from seed, then generates one batch.
void SeedRandom(std::int32_t seed);
// A whole number 0..n (0 when n < 1). Every call advances the generator by a full batch
// of 256 words and uses the batch's first word.
std::int32_t Random(std::int32_t n);

}  // namespace qvt
