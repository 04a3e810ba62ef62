// The WAV reader: RIFF/WAVE files with PCM samples, read from bytes already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qvt {

// Sample rates a sound may have (Hz). Converting a lower one to the device rate would grow
// it without bound (a 64 KB file at 50 Hz makes more than a gigabyte).
inline constexpr std::uint32_t kMinWavRate = 1000;
inline constexpr std::uint32_t kMaxWavRate = 384000;

// What a WAV file holds, as far as playing it goes.
struct WavInfo {
    int channels = 0;          // 1 or 2
    std::uint32_t rate = 0;    // frames per second, kMinWavRate..kMaxWavRate
    int bits = 0;              // 8 (unsigned), 16, 24 or 32 (signed little-endian)
    std::size_t dataOffset = 0;  // first sample byte within the file
    std::size_t dataSize = 0;    // whole frames only, above 0, all inside the file
};

// Reads the header: "RIFF" and "WAVE", then the chunks walked to a "fmt " chunk (its first
// 16 bytes) and after it a "data" chunk. False for anything else: no PCM, not 1 or 2
// channels, a rate outside kMinWavRate..kMaxWavRate, an unusual sample size, a chunk
// reaching beyond the bytes, no whole frame (result is then all zero).
bool ParseWav(std::span<const std::uint8_t> file, WavInfo& result);

// 24-bit samples as 32-bit ones (the low byte zero), for converters that lack 24 bits.
std::vector<std::uint8_t> WidenPcm24(std::span<const std::uint8_t> samples);

}  // namespace qvt
