// Test images made by hand (BMP) or with libpng and libjpeg directly, and a scratch folder
// to write them into. The writers are independent of the runtime's own encoders, so a
// decoder is never tested only against the code that wrote its input.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <png.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace qvt::test {

using Bytes = std::vector<std::uint8_t>;

// A private folder removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvt-img-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Full path of name inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

    // Writes bytes to name (folders below must exist) and returns the full path.
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string full = file(name);
        std::ofstream out(full, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return full;
    }

private:
    std::string path_;
};

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// ---- BMP --------------------------------------------------------------------------------

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
};

// What makeBmp writes. pixel(x, y), y from the top, gives a palette index for 1, 4 and 8
// bits, else a packed colour (red + 256 green + 65536 blue).
struct BmpLayout {
    int width = 1;
    int height = 1;
    int bits = 24;
    bool topDown = false;     // negative height (info header only)
    bool coreHeader = false;  // 12-byte header with 3-byte palette entries
    std::vector<Rgb8> palette;
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};

inline std::size_t bmpStride(int bits, int width) {
    return (static_cast<std::size_t>(bits) * width + 31) / 32 * 4;
}

inline void writeBmpPixel(std::uint8_t* row, int x, int bits, std::uint32_t v) {
    if (bits < 8) {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (v << shift));
    } else if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(v);
    } else if (bits == 16) {
        const std::uint32_t r = (v & 0xFF) >> 3, g = ((v >> 8) & 0xFF) >> 3,
                            b = ((v >> 16) & 0xFF) >> 3;
        const std::uint32_t word = (r << 10) | (g << 5) | b;
        row[x * 2] = static_cast<std::uint8_t>(word);
        row[x * 2 + 1] = static_cast<std::uint8_t>(word >> 8);
    } else {
        std::uint8_t* p = row + x * (bits / 8);
        p[0] = static_cast<std::uint8_t>(v >> 16);  // blue, green, red
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v);
        if (bits == 32) p[3] = 0x5A;  // ignored by readers
    }
}

inline Bytes makeBmp(const BmpLayout& s) {
    const std::size_t headerBytes = s.coreHeader ? 12 : 40;
    const std::size_t entry = s.coreHeader ? 3 : 4;
    const std::size_t offset = 14 + headerBytes + s.palette.size() * entry;
    const std::size_t stride = bmpStride(s.bits, s.width);
    Bytes b(offset + stride * s.height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(b.size()));
    put32(b, 10, static_cast<std::uint32_t>(offset));
    put32(b, 14, static_cast<std::uint32_t>(headerBytes));
    if (s.coreHeader) {
        put16(b, 18, static_cast<std::uint32_t>(s.width));
        put16(b, 20, static_cast<std::uint32_t>(s.height));
        put16(b, 22, 1);
        put16(b, 24, static_cast<std::uint32_t>(s.bits));
    } else {
        put32(b, 18, static_cast<std::uint32_t>(s.width));
        put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
        put16(b, 26, 1);
        put16(b, 28, static_cast<std::uint32_t>(s.bits));
    }
    for (std::size_t i = 0; i < s.palette.size(); ++i) {
        std::uint8_t* e = b.data() + 14 + headerBytes + i * entry;
        e[0] = s.palette[i].b;
        e[1] = s.palette[i].g;
        e[2] = s.palette[i].r;
    }
    for (int fileRow = 0; fileRow < s.height; ++fileRow) {
        const int y = s.topDown ? fileRow : s.height - 1 - fileRow;
        std::uint8_t* row = b.data() + offset + stride * fileRow;
        for (int x = 0; x < s.width; ++x) writeBmpPixel(row, x, s.bits, s.pixel(x, y));
    }
    return b;
}

// ---- PNG --------------------------------------------------------------------------------

// What makePng writes: rows of raw samples exactly as PNG stores them (big-endian 16-bit
// samples, packed sub-byte pixels).
struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> transparency;  // tRNS alphas of palette entries
    std::function<Bytes(int y)> row;         // one row's samples
};

inline void appendToBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

inline Bytes makePng(const PngLayout& s) {
    // Everything with a destructor exists before setjmp, so a longjmp skips none.
    Bytes out;
    std::vector<Bytes> rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < s.height; ++y) rows.push_back(s.row(y));
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.clear();
        return out;
    }
    png_set_write_fn(png, &out, appendToBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) {
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    }
    if (!s.transparency.empty()) {
        png_set_tRNS(png, info, s.transparency.data(), static_cast<int>(s.transparency.size()),
                     nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGBA PNG from a pixel function giving 0xAABBGGRR.
inline Bytes makeRgbaPng(int width, int height, const std::function<std::uint32_t(int, int)>& fn) {
    PngLayout s;
    s.width = width;
    s.height = height;
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.row = [&](int y) {
        Bytes r;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = fn(x, y);
            for (int c = 0; c < 4; ++c) r.push_back(static_cast<std::uint8_t>(v >> (8 * c)));
        }
        return r;
    };
    return makePng(s);
}

// An 8-bit RGB PNG from a pixel function giving a packed colour.
inline Bytes makeRgbPng(int width, int height, const std::function<std::uint32_t(int, int)>& fn) {
    PngLayout s;
    s.width = width;
    s.height = height;
    s.row = [&](int y) {
        Bytes r;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = fn(x, y);
            for (int c = 0; c < 3; ++c) r.push_back(static_cast<std::uint8_t>(v >> (8 * c)));
        }
        return r;
    };
    return makePng(s);
}

// ---- JPEG -------------------------------------------------------------------------------

// A baseline JPEG of 1 (grey) or 3 (RGB) components from interleaved samples.
inline Bytes makeJpeg(int width, int height, int components, const Bytes& samples,
                      int quality = 95) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(samples.data()) +
                       static_cast<std::size_t>(info.next_scanline) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    free(buffer);
    return out;
}

}  // namespace qvt::test
