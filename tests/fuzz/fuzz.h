// What every fuzz target shares: the standard headers they use and the fuzzer's entry
// point, which hands each input to the target's fuzzOne.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Checks the properties of one input; std::abort() when one does not hold.
void fuzzOne(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzOne(data, size);
    return 0;
}

// Keeps one picture under the fuzzer's memory limit; the decoders' own limit is far higher.
inline constexpr std::size_t kFuzzMaxPixels = std::size_t{1} << 22;
