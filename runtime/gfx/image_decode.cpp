// Reading image files and choosing the decoder; the helpers every decoder shares.
#include "gfx/image_decode.h"

#include <new>
#include <string>

#include "files/filesystem.h"
#include "platform/fs.h"

namespace qvt {

namespace {

bool readDiskFile(const RuntimeString& name, std::vector<std::uint8_t>& bytes) {
    const std::string path = osPath(name);
    const int fd = platform::openFile(path.c_str(), platform::FileAccess::Read);
    if (fd < 0) return false;
    const platform::FileInfo info = platform::statFile(fd);
    bool ok = info.kind == platform::PathKind::File && info.size <= kMaxImageFileBytes;
    if (ok) {
        try {
            bytes.resize(static_cast<std::size_t>(info.size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (ok) {
        // A file that shrank meanwhile is read as far as it goes.
        const std::int64_t got = platform::readFile(fd, bytes.data(), bytes.size());
        ok = got >= 0;
        if (ok) bytes.resize(static_cast<std::size_t>(got));
    }
    platform::closeFile(fd);
    return ok;
}

DecodeStatus decodeWith(int which, std::span<const std::uint8_t> bytes,
                        const DecodeOptions& options, DecodedImage& out) {
    switch (which) {
    case 0: return DecodeBmp(bytes, options, out);
    case 1: return DecodePng(bytes, options, out);
    default: return DecodeJpeg(bytes, options, out);
    }
}

// One transparent pixel: the mean colour of its opaque neighbours off the image border.
void fillOne(DecodedImage& image, std::int32_t x, std::int32_t y) {
    const std::int32_t w = image.width;
    const std::int32_t h = image.height;
    int sum[3] = {0, 0, 0};
    int count = 0;
    for (std::int32_t ny = y - 1; ny <= y + 1; ++ny) {
        for (std::int32_t nx = x - 1; nx <= x + 1; ++nx) {
            if (nx == x && ny == y) continue;
            if (nx < 1 || nx > w - 2 || ny < 1 || ny > h - 2) continue;
            const std::uint8_t* n = &image.pixels[(static_cast<std::size_t>(ny) * w + nx) * 4];
            if (n[3] == 0) continue;
            for (int c = 0; c < 3; ++c) sum[c] += n[c];
            ++count;
        }
    }
    std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * w + x) * 4];
    for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(count > 0 ? sum[c] / count : 0);
}

}  // namespace

bool ReadImageFile(const RuntimeString& name, ImageFileBytes& out) {
    out = ImageFileBytes{};
    if (name.empty()) return false;
    if (IsMemoryFileName(name.view())) {
        out.memory = FindMemoryFile(name.view());
        if (out.memory == nullptr) return false;
        out.bytes = std::span<const std::uint8_t>(*out.memory);
        return true;
    }
    if (!readDiskFile(name, out.owned)) return false;
    out.bytes = std::span<const std::uint8_t>(out.owned);
    return true;
}

bool DecodeImageFile(const RuntimeString& name, DecoderSet set, std::uint32_t key,
                     DecodedImage& out) {
    ImageFileBytes file;
    if (!ReadImageFile(name, file)) return false;
    DecodeOptions options;
    options.key = key;
    options.name = name.c_str();
    const int decoders = set == DecoderSet::Sprite ? 3 : 2;
    for (int which = 0; which < decoders; ++which) {
        if (decodeWith(which, file.bytes, options, out) == DecodeStatus::Decoded) return true;
    }
    return false;
}

void FillEdgeColours(DecodedImage& image) {
    if (image.pixels.size() < image.byteCount()) return;
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            if (image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3] == 0) {
                fillOne(image, x, y);
            }
        }
    }
}

bool prepareImage(DecodedImage& out, std::int64_t width, std::int64_t height,
                  std::size_t maxPixels) {
    out.width = 0;
    out.height = 0;
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) return false;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > maxPixels) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(width * height) * 4;
    try {
        out.pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.width = static_cast<std::int32_t>(width);
    out.height = static_cast<std::int32_t>(height);
    return true;
}

DecodeStatus failDecode(DecodedImage& out) {
    out.width = 0;
    out.height = 0;
    out.keyed = 0;
    return DecodeStatus::Failed;
}

void expandToRgba(DecodedImage& image, int channels, bool keyRgb, std::uint32_t key) {
    if (channels == 4) return;
    const std::size_t width = static_cast<std::size_t>(image.width);
    // A key with bits above the 24 colour bits (-1: "no key") matches no pixel.
    keyRgb = keyRgb && key <= 0xFFFFFFu;
    const std::uint8_t kr = key & 0xFF, kg = (key >> 8) & 0xFF, kb = (key >> 16) & 0xFF;
    for (std::int32_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.pixels.data() + width * 4 * static_cast<std::size_t>(y);
        // Back to front: every pixel is written at or after the bytes it is read from.
        for (std::size_t x = width; x-- > 0;) {
            const std::uint8_t* s = row + x * static_cast<std::size_t>(channels);
            std::uint8_t r = s[0], g = s[0], b = s[0];
            if (channels == 3) {
                g = s[1];
                b = s[2];
            }
            std::uint8_t* d = row + x * 4;
            if (keyRgb && r == kr && g == kg && b == kb) {
                d[0] = d[1] = d[2] = d[3] = 0;
            } else {
                d[0] = r;
                d[1] = g;
                d[2] = b;
                d[3] = 255;
            }
        }
    }
}

}  // namespace qvt
