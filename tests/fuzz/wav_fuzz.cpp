// The WAV reader on arbitrary bytes: whatever it accepts must lie inside the input and
// describe whole frames of a layout the loader can convert.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "audio/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    qvt::WavInfo info;
    if (!qvt::ParseWav(file, info)) {
        if (info.dataSize != 0 || info.channels != 0) std::abort();
        return 0;
    }
    const std::size_t frame = static_cast<std::size_t>(info.channels) * static_cast<std::size_t>(info.bits / 8);
    if (info.channels < 1 || info.channels > 2 || info.rate == 0) std::abort();
    if (frame == 0 || info.dataSize == 0 || info.dataSize % frame != 0) std::abort();
    if (info.dataOffset > size || info.dataSize > size - info.dataOffset) std::abort();
    // Touch every byte the reader vouched for, so the sanitizer sees a bad span.
    std::uint32_t sum = 0;
    for (std::uint8_t b : file.subspan(info.dataOffset, info.dataSize)) sum += b;
    if (info.bits == 24) {
        const auto wide = qvt::WidenPcm24(file.subspan(info.dataOffset, info.dataSize));
        if (wide.size() != info.dataSize / 3 * 4) std::abort();
    }
    return static_cast<int>(sum & 0);
}
