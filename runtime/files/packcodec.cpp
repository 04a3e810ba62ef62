// The two codecs of pack entries: LZO1X through liblzo2, and our own LZSS.
//
// LZSS stream layout (after the 4-byte stored header, which gives the unpacked size):
//
//   flag byte, then one item per flag bit, lowest bit first:
//     bit = 1   literal: one byte, copied to the output
//     bit = 0   back-reference: two bytes b0 b1, v = b0 | b1 << 8
//                 distance = (v & 0x07FF) + 1          1..2048 bytes back in the output
//                 length   = ((v >> 11) & 0x0F) + 3    3..18 bytes
//                 bit 15 is reserved and must be 0
//               The copy runs byte by byte, so a distance shorter than the length repeats
//               the bytes it has just made (runs).
//   then the next flag byte, and so on.
//
//   The window is the last 2048 bytes of output; a reference reaching before the first byte
//   is corrupt (the ring starts empty, not pre-filled). The stream ends when the output
//   holds the unpacked size: an item that would go past it, input left over after it, or
//   a set bit among the unused bits of the last flag byte is corrupt.
#include <lzo/lzo1x.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "core/bytes.h"
#include "files/pack.h"

namespace qvt {

namespace {

constexpr std::uint32_t kFormatBit = 0x80000000u;
constexpr std::size_t kLzssWindow = 2048;
constexpr std::size_t kLzssMinMatch = 3;
constexpr std::size_t kLzssMaxMatch = 18;
// One flag byte and eight references (17 bytes) make at most 8 * 18 = 144 bytes.
constexpr std::uint64_t kLzssMaxRatio = 9;
// An LZO1X match grows by 255 bytes per extra input byte; literals cost their own size.
constexpr std::uint64_t kLzoMaxRatio = 256;
constexpr std::uint64_t kLzoSlack = 4096;


void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool lzoReady() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = lzo_init() == LZO_E_OK; });
    return ok;
}

bool lzoDecompress(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (!lzoReady()) return false;
    std::uint8_t spare = 0;  // liblzo wants a buffer even for an empty result
    lzo_uint made = out.size();
    const int rc = lzo1x_decompress_safe(in.data(), in.size(), out.empty() ? &spare : out.data(),
                                         &made, nullptr);
    return rc == LZO_E_OK && made == out.size();
}

std::vector<std::uint8_t> lzoCompress(std::span<const std::uint8_t> data) {
    if (!lzoReady()) return {};
    std::vector<std::uint8_t> out(data.size() + data.size() / 16 + 64 + 3);
    std::vector<std::uint8_t> work(LZO1X_999_MEM_COMPRESS);
    lzo_uint made = out.size();
    static const std::uint8_t kNothing = 0;
    const int rc = lzo1x_999_compress(data.empty() ? &kNothing : data.data(), data.size(),
                                      out.data(), &made, work.data());
    if (rc != LZO_E_OK) return {};
    out.resize(made);
    return out;
}

// ---- LZSS encoder: greedy longest match over hash chains ----------------------------------

constexpr std::size_t kHashBits = 12;
constexpr int kChainDepth = 48;

std::size_t hash3(const std::uint8_t* p) {
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) << 16 |
                            static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

class LzssMatcher {
public:
    explicit LzssMatcher(std::span<const std::uint8_t> data) : data_(data) {
        head_.fill(-1);
        prev_.fill(-1);
    }

    void insert(std::size_t pos) {
        if (pos + kLzssMinMatch > data_.size()) return;
        const std::size_t h = hash3(&data_[pos]);
        prev_[pos % kLzssWindow] = head_[h];
        head_[h] = static_cast<std::int64_t>(pos);
    }

    // Longest match for pos (length 0 when under the minimum); distance in *distance.
    std::size_t longest(std::size_t pos, std::size_t* distance) const {
        if (pos + kLzssMinMatch > data_.size()) return 0;
        const std::size_t limit = std::min(kLzssMaxMatch, data_.size() - pos);
        std::size_t best = 0;
        std::int64_t cand = head_[hash3(&data_[pos])];
        for (int depth = 0; cand >= 0 && depth < kChainDepth; ++depth) {
            const std::size_t c = static_cast<std::size_t>(cand);
            if (pos - c > kLzssWindow) break;
            std::size_t n = 0;
            while (n < limit && data_[c + n] == data_[pos + n]) ++n;
            if (n > best) {
                best = n;
                *distance = pos - c;
                if (n == limit) break;
            }
            const std::int64_t next = prev_[c % kLzssWindow];
            if (next >= cand) break;  // the slot was reused by a newer position
            cand = next;
        }
        return best >= kLzssMinMatch ? best : 0;
    }

private:
    std::span<const std::uint8_t> data_;
    std::array<std::int64_t, std::size_t{1} << kHashBits> head_{};
    std::array<std::int64_t, kLzssWindow> prev_{};
};

}  // namespace

std::vector<std::uint8_t> LzssCompress(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + data.size() / 8 + 1);
    LzssMatcher matcher(data);
    std::size_t flagAt = 0;
    int bit = 8;
    std::size_t pos = 0;
    while (pos < data.size()) {
        if (bit == 8) {
            flagAt = out.size();
            out.push_back(0);
            bit = 0;
        }
        std::size_t distance = 0;
        const std::size_t length = matcher.longest(pos, &distance);
        if (length == 0) {
            out[flagAt] |= static_cast<std::uint8_t>(1u << bit);
            out.push_back(data[pos]);
            matcher.insert(pos++);
        } else {
            const std::uint32_t v = static_cast<std::uint32_t>(distance - 1) |
                                    static_cast<std::uint32_t>(length - kLzssMinMatch) << 11;
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
            for (std::size_t i = 0; i < length; ++i) matcher.insert(pos++);
        }
        ++bit;
    }
    return out;
}

bool LzssDecompress(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    std::size_t ip = 0, op = 0;
    unsigned flags = 0;
    int bitsLeft = 0;
    while (op < out.size()) {
        if (bitsLeft == 0) {
            if (ip >= in.size()) return false;
            flags = in[ip++];
            bitsLeft = 8;
        }
        const bool literal = (flags & 1u) != 0;
        flags >>= 1;
        --bitsLeft;
        if (literal) {
            if (ip >= in.size()) return false;
            out[op++] = in[ip++];
            continue;
        }
        if (in.size() - ip < 2) return false;
        const unsigned v = in[ip] | static_cast<unsigned>(in[ip + 1]) << 8;
        ip += 2;
        const std::size_t distance = (v & 0x7FFu) + 1;
        const std::size_t length = ((v >> 11) & 0xFu) + kLzssMinMatch;
        if ((v & 0x8000u) != 0 || distance > op || length > out.size() - op) return false;
        for (std::size_t i = 0; i < length; ++i, ++op) out[op] = out[op - distance];
    }
    return ip == in.size() && flags == 0;
}

bool ReadStoredHeader(std::span<const std::uint8_t> stored, StoredHeader& header) {
    if (stored.size() < kStoredHeaderSize) return false;
    const std::uint32_t word = loadLe32(stored.data());
    header.format = (word & kFormatBit) != 0 ? PackFormat::Lzss : PackFormat::Lzo;
    header.unpacked = word & ~kFormatBit;
    const std::uint64_t stream = stored.size() - kStoredHeaderSize;
    const std::uint64_t most = header.format == PackFormat::Lzss
                                   ? stream * kLzssMaxRatio
                                   : stream * kLzoMaxRatio + kLzoSlack;
    return header.unpacked <= kPackMaxEntryBytes && header.unpacked <= most;
}

bool DecodeStoredEntry(std::span<const std::uint8_t> stored, std::vector<std::uint8_t>& out) {
    out.clear();
    StoredHeader header;
    if (!ReadStoredHeader(stored, header)) return false;
    out.resize(header.unpacked);
    const auto stream = stored.subspan(kStoredHeaderSize);
    const bool ok = header.format == PackFormat::Lzss ? LzssDecompress(stream, out)
                                                       : lzoDecompress(stream, out);
    if (!ok) out.clear();
    return ok;
}

std::vector<std::uint8_t> EncodeStoredEntry(std::span<const std::uint8_t> data, PackFormat format) {
    if (data.size() > kPackMaxEntryBytes) return {};
    std::vector<std::uint8_t> stream = format == PackFormat::Lzss ? LzssCompress(data) : lzoCompress(data);
    if (format == PackFormat::Lzo && stream.empty()) return {};
    std::vector<std::uint8_t> out;
    out.reserve(kStoredHeaderSize + stream.size());
    const std::uint32_t flag = format == PackFormat::Lzss ? kFormatBit : 0;
    appendLe32(out, static_cast<std::uint32_t>(data.size()) | flag);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

}  // namespace qvt
