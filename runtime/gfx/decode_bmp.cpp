// BMP decoder: uncompressed Windows and OS/2 bitmaps of 1, 4, 8, 16, 24 and 32 bits.
#include <algorithm>
#include <array>

#include "core/bytes.h"
#include "gfx/image_decode.h"

namespace qvt {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;  // 16-bit sizes, palette of 3-byte entries
constexpr std::uint32_t kInfoHeaderBytes = 40;  // 32-bit sizes, palette of 4-byte entries
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitfields = 3;
constexpr std::size_t kMaxPaletteEntries = 256;

using Bytes = std::span<const std::uint8_t>;

std::uint32_t read16(Bytes b, std::size_t at) { return loadLe16(b.data() + at); }
std::uint32_t read32(Bytes b, std::size_t at) { return loadLe32(b.data() + at); }

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    std::uint32_t bits = 0;
    Bytes palette;             // raw entries (blue, green, red[, reserved])
    std::size_t paletteStride = 4;
    Bytes data;                // stride * height bytes of pixel rows
    std::size_t stride = 0;
};

// Bit fields a plain reader decodes correctly: the layouts of uncompressed data.
bool standardBitfields(Bytes block, std::uint32_t bits) {
    if (block.size() < kInfoHeaderBytes + 12) return false;
    const std::uint32_t r = read32(block, 40), g = read32(block, 44), b = read32(block, 48);
    if (bits == 16) return r == 0x7C00 && g == 0x03E0 && b == 0x001F;
    if (bits == 32) return r == 0xFF0000 && g == 0xFF00 && b == 0xFF;
    return false;
}

bool readCoreHeader(Bytes block, BmpLayout& l) {
    if (block.size() < kCoreHeaderBytes) return false;
    l.width = read16(block, 4);
    l.height = read16(block, 6);
    l.bits = read16(block, 10);
    // Whatever follows the header is the palette (also for 1-bit files, whose 6 palette
    // bytes keep the block under 40 bytes).
    l.palette = block.subspan(kCoreHeaderBytes);
    l.paletteStride = 3;
    return true;
}

bool readInfoHeader(Bytes block, BmpLayout& l) {
    if (block.size() < kInfoHeaderBytes) return false;
    l.width = static_cast<std::int32_t>(read32(block, 4));
    l.height = static_cast<std::int32_t>(read32(block, 8));
    l.bits = read16(block, 14);
    const std::uint32_t compression = read32(block, 16);
    if (compression == kCompressionBitfields) {
        if (!standardBitfields(block, l.bits)) return false;
    } else if (compression != kCompressionNone) {
        return false;  // run-length and embedded formats are not read
    }
    l.palette = block.subspan(kInfoHeaderBytes);
    l.paletteStride = 4;
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    return true;
}

bool readLayout(Bytes file, BmpLayout& l) {
    if (file.size() < kFileHeaderBytes + 4) return false;
    const std::uint64_t dataOffset = read32(file, 10);
    if (dataOffset < kFileHeaderBytes + 4 || dataOffset > file.size()) return false;
    const Bytes block = file.subspan(kFileHeaderBytes, dataOffset - kFileHeaderBytes);
    const std::uint32_t headerBytes = read32(block, 0);
    const bool read = headerBytes == kCoreHeaderBytes   ? readCoreHeader(block, l)
                      : headerBytes == kInfoHeaderBytes ? readInfoHeader(block, l)
                                                        : false;
    if (!read) return false;
    switch (l.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    if (l.width < 1 || l.height < 1 || l.width > kMaxImageSide || l.height > kMaxImageSide) {
        return false;
    }
    // Rows hold whole bytes and are padded to 4 bytes.
    const std::uint64_t rowBits = std::uint64_t{l.bits} * static_cast<std::uint64_t>(l.width);
    l.stride = static_cast<std::size_t>((rowBits + 31) / 32 * 4);
    const std::uint64_t needed = l.stride * static_cast<std::uint64_t>(l.height);
    if (needed > file.size() - dataOffset) return false;
    l.data = file.subspan(dataOffset, needed);
    return true;
}

// The palette as RGBA, keyed; false when an index needs more entries than there are.
struct Palette {
    std::array<std::array<std::uint8_t, 4>, kMaxPaletteEntries> colours{};
    std::size_t count = 0;
};

void setPixel(std::uint8_t* d, std::uint32_t r, std::uint32_t g, std::uint32_t b,
              std::uint32_t key) {
    if ((r | (g << 8) | (b << 16)) == key) {
        d[0] = d[1] = d[2] = d[3] = 0;
        return;
    }
    d[0] = static_cast<std::uint8_t>(r);
    d[1] = static_cast<std::uint8_t>(g);
    d[2] = static_cast<std::uint8_t>(b);
    d[3] = 255;
}

Palette makePalette(const BmpLayout& l, std::uint32_t key) {
    Palette p;
    if (l.bits > 8) return p;
    const std::size_t entries = std::size_t{1} << l.bits;
    p.count = std::min(entries, l.palette.size() / l.paletteStride);
    for (std::size_t i = 0; i < p.count; ++i) {
        const std::uint8_t* e = l.palette.data() + i * l.paletteStride;
        setPixel(p.colours[i].data(), e[2], e[1], e[0], key);
    }
    return p;
}

// One row of palette indices; false on an index beyond the palette.
bool convertIndexedRow(const std::uint8_t* src, std::uint8_t* dst, std::size_t width,
                       std::uint32_t bits, const Palette& palette) {
    const std::uint32_t perByte = 8 / bits;
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t shift = 8 - bits * (static_cast<std::uint32_t>(x % perByte) + 1);
        const std::size_t index = (src[x / perByte] >> shift) & mask;
        if (index >= palette.count) return false;
        const auto& c = palette.colours[index];
        std::copy(c.begin(), c.end(), dst + x * 4);
    }
    return true;
}

void convertDirectRow(const std::uint8_t* src, std::uint8_t* dst, std::size_t width,
                      std::uint32_t bits, std::uint32_t key) {
    const std::size_t step = bits / 8;
    for (std::size_t x = 0; x < width; ++x, src += step) {
        if (bits == 16) {
            const std::uint32_t v = src[0] | static_cast<std::uint32_t>(src[1]) << 8;
            setPixel(dst + x * 4, ((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31,
                     (v & 31) * 255 / 31, key);
        } else {
            setPixel(dst + x * 4, src[2], src[1], src[0], key);
        }
    }
}

}  // namespace

DecodeStatus DecodeBmp(std::span<const std::uint8_t> file, const DecodeOptions& options,
                       DecodedImage& out) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return DecodeStatus::NotRecognised;
    BmpLayout l;
    if (!readLayout(file, l)) return failDecode(out);
    if (!prepareImage(out, l.width, l.height, options.maxPixels)) return failDecode(out);
    const Palette palette = makePalette(l, options.key);
    const std::size_t width = static_cast<std::size_t>(l.width);
    for (std::int64_t fileRow = 0; fileRow < l.height; ++fileRow) {
        const std::int64_t row = l.topDown ? fileRow : l.height - 1 - fileRow;
        const std::uint8_t* src = l.data.data() + l.stride * static_cast<std::size_t>(fileRow);
        std::uint8_t* dst = out.pixels.data() + width * 4 * static_cast<std::size_t>(row);
        if (l.bits <= 8) {
            if (!convertIndexedRow(src, dst, width, l.bits, palette)) return failDecode(out);
        } else {
            convertDirectRow(src, dst, width, l.bits, options.key);
        }
    }
    out.keyed = 0;
    return DecodeStatus::Decoded;
}

}  // namespace qvt
