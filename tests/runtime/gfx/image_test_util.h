// Test images made by hand (BMP) or with libpng and libjpeg directly, so a decoder is never
// tested only against the code that wrote its input.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <png.h>

#include <functional>

#include "files/resolver.h"
#include "support/files.h"
#include "support/gl_fixture.h"

namespace qvt::test {

// What makeBmp writes. pixel(x, y), y from the top, gives a palette index for 1, 4 and 8
// bits, else a packed colour (red + 256 green + 65536 blue).
struct BmpLayout {
    BmpLayout(int w = 1, int h = 1, int b = 24, bool down = false, bool core = false)
        : width(w), height(h), bits(b), topDown(down), coreHeader(core) {}
    int width, height, bits;
    bool topDown;     // negative height (info header only)
    bool coreHeader;  // 12-byte header with 3-byte palette entries
    std::vector<std::uint32_t> palette;  // packed colours
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};

inline Bytes makeBmp(const BmpLayout& s) {
    const std::size_t header = s.coreHeader ? 12 : 40, entry = s.coreHeader ? 3 : 4;
    const std::size_t offset = 14 + header + s.palette.size() * entry;
    const std::size_t stride = (static_cast<std::size_t>(s.bits) * s.width + 31) / 32 * 4;
    Bytes b(offset + stride * s.height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(b.size()));
    put32(b, 10, static_cast<std::uint32_t>(offset));
    put32(b, 14, static_cast<std::uint32_t>(header));
    if (s.coreHeader) {
        put16(b, 18, s.width);
        put16(b, 20, s.height);
        put16(b, 22, 1);
        put16(b, 24, s.bits);
    } else {
        put32(b, 18, s.width);
        put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
        put16(b, 26, 1);
        put16(b, 28, s.bits);
    }
    for (std::size_t i = 0; i < s.palette.size() * 3; ++i) {
        b[14 + header + i / 3 * entry + i % 3] = static_cast<std::uint8_t>(s.palette[i / 3] >> (16 - 8 * (i % 3)));
    }
    for (int fileRow = 0; fileRow < s.height; ++fileRow) {
        std::uint8_t* row = b.data() + offset + stride * fileRow;
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = s.pixel(x, s.topDown ? fileRow : s.height - 1 - fileRow);
            if (s.bits <= 8) {
                row[x * s.bits / 8] |= static_cast<std::uint8_t>(v << (8 - s.bits - x * s.bits % 8));
            } else if (s.bits == 16) {  // 5-5-5, red high
                put16(b, row - b.data() + x * 2, ((v & 0xFF) >> 3) << 10 | ((v >> 11) & 31) << 5 | ((v >> 19) & 31));
            } else {  // blue, green, red, for 32 bits an unused fourth byte
                for (int c = 0; c < 3; ++c) row[x * (s.bits / 8) + c] = static_cast<std::uint8_t>(v >> (16 - 8 * c));
            }
        }
    }
    return b;
}

// What makePng writes: rows of raw samples exactly as PNG stores them.
struct PngLayout {
    int width = 1, height = 1, colourType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> transparency;  // tRNS alphas of palette entries
    std::function<Bytes(int y)> row;
};

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
        return {};
    }
    png_set_write_fn(png, &out, [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<Bytes*>(png_get_io_ptr(p))->insert(static_cast<Bytes*>(png_get_io_ptr(p))->end(), data, data + n);
    }, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (!s.transparency.empty()) {
        png_set_tRNS(png, info, s.transparency.data(), static_cast<int>(s.transparency.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGB (alpha false) or RGBA PNG from a pixel function giving 0xAABBGGRR.
inline Bytes makePng(int width, int height, const std::function<std::uint32_t(int, int)>& fn, bool alpha = false,
                     bool interlaced = false) {
    const int channels = alpha ? 4 : 3;
    return makePng({width, height, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, interlaced, {}, {}, [&](int y) {
                        Bytes r;
                        for (int i = 0; i < width * channels; ++i) r.push_back(fn(i / channels, y) >> (8 * (i % channels)));
                        return r;
                    }});
}

// A baseline JPEG of one colour: 1 (grey), 2 (unknown space) or 3 (RGB) samples per pixel.
inline Bytes makeJpeg(int width, int height, const Bytes& pixel) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = static_cast<int>(pixel.size());
    info.in_color_space = pixel.size() == 1 ? JCS_GRAYSCALE : pixel.size() == 3 ? JCS_RGB : JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    Bytes row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    for (JSAMPROW r = row.data(); info.next_scanline < info.image_height;) jpeg_write_scanlines(&info, &r, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// A drawing test that loads image files from a scratch folder; the media resolvers keep
// what they found, so they are released after each test.
class ImageFileTest : public GlTest {
protected:
    void TearDown() override {
        ReleaseMediaResolvers();
        GlTest::TearDown();
    }
    RuntimeString write(const std::string& name, const Bytes& bytes) {
        writeBytes(dir / name, bytes);
        return RuntimeString(std::string_view(dir / name));
    }
    ScratchFolder dir;
};

}  // namespace qvt::test
