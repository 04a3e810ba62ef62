// What every fuzz target shares: the standard headers they use, the fuzzer's entry point
// (which hands each input to the target's fuzzOne) and the picture decoders' common checks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

// Checks the properties of one input; std::abort() when one does not hold.
void fuzzOne(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzOne(data, size);
    return 0;
}

// Keeps one picture under the fuzzer's memory limit; the decoders' own limit is far higher.
inline constexpr std::size_t kFuzzMaxPixels = std::size_t{1} << 22;

// A refused picture leaves no size behind; an accepted one fills its claimed size.
// True when it was accepted.
template <class Image>
bool acceptedWhole(bool decoded, const Image& image) {
    if (!decoded) {
        if (image.width != 0 || image.height != 0) std::abort();
        return false;
    }
    if (image.width < 1 || image.height < 1 || image.pixels.size() < image.byteCount()) std::abort();
    return true;
}
