#include "audio/wav.h"

#include <cstring>

#include "core/bytes.h"

namespace qvt {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kRiffHeader = 12;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kFmtBytes = 16;
// An extensible fmt chunk: 16 plain bytes, extension size, valid bits, channel mask, then
// the sub-format GUID whose first two bytes are the real format tag.
constexpr std::size_t kExtensibleFmtBytes = 40;
constexpr std::size_t kSubFormatAt = 24;

struct Chunk {
    const std::uint8_t* id;
    std::size_t body;  // offset of the chunk's bytes
    std::size_t size;  // as the header says, already checked against the file
};

// The chunk at `at`, or false when its header or its body would reach past the end.
bool chunkAt(std::span<const std::uint8_t> file, std::size_t at, Chunk& chunk) {
    if (at > file.size() || file.size() - at < kChunkHeader) return false;
    const std::size_t size = loadLe32(file.data() + at + 4);
    const std::size_t body = at + kChunkHeader;
    if (size > file.size() - body) return false;
    chunk = {file.data() + at, body, size};
    return true;
}

// RIFF chunks are padded to an even length.
std::size_t nextChunk(const Chunk& chunk) { return chunk.body + chunk.size + (chunk.size & 1); }

bool readFormat(std::span<const std::uint8_t> file, const Chunk& fmt, WavInfo& out) {
    if (fmt.size < kFmtBytes) return false;
    const std::uint8_t* p = file.data() + fmt.body;
    std::uint16_t tag = loadLe16(p);
    if (tag == kFormatExtensible && fmt.size >= kExtensibleFmtBytes) tag = loadLe16(p + kSubFormatAt);
    out.channels = loadLe16(p + 2);
    out.rate = loadLe32(p + 4);
    out.bits = loadLe16(p + 14);
    const bool sizeKnown = out.bits == 8 || out.bits == 16 || out.bits == 24 || out.bits == 32;
    const bool rateKnown = out.rate >= kMinWavRate && out.rate <= kMaxWavRate;
    return tag == kFormatPcm && (out.channels == 1 || out.channels == 2) && rateKnown && sizeKnown;
}

}  // namespace

bool ParseWav(std::span<const std::uint8_t> file, WavInfo& result) {
    result = WavInfo{};
    if (file.size() < kRiffHeader || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    // The RIFF size is not trusted: writers get it wrong often, and the chunks are checked
    // against the real bytes anyway.
    WavInfo out;
    bool haveFormat = false;
    Chunk chunk{};
    for (std::size_t at = kRiffHeader; chunkAt(file, at, chunk); at = nextChunk(chunk)) {
        if (!haveFormat) {
            if (std::memcmp(chunk.id, "fmt ", 4) != 0) continue;
            if (!readFormat(file, chunk, out)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk.id, "data", 4) == 0) {
            const std::size_t frame = static_cast<std::size_t>(out.channels) * static_cast<std::size_t>(out.bits / 8);
            out.dataOffset = chunk.body;
            out.dataSize = chunk.size / frame * frame;
            if (out.dataSize == 0) return false;
            result = out;
            return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> WidenPcm24(std::span<const std::uint8_t> samples) {
    const std::size_t count = samples.size() / 3;
    std::vector<std::uint8_t> wide(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        wide[i * 4] = 0;
        std::memcpy(&wide[i * 4 + 1], &samples[i * 3], 3);
    }
    return wide;
}

}  // namespace qvt
