// Image writers for saved sprites and screens.
#include "gfx/image_encode.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

namespace qvt {

namespace {

constexpr std::uint32_t kBmpHeaderBytes = 54;  // file header 14 + info header 40
constexpr std::uint32_t kBmpPixelsPerMetre = 10000;

bool usable(const DecodedImage& image) {
    return image.width > 0 && image.height > 0 && image.pixels.size() >= image.byteCount();
}

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// ---- JPEG ------------------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// Plain locals only (libjpeg longjmps into here). The output buffer comes from malloc.
bool compressJpeg(jpeg_compress_struct& info, JpegErrors& errors, const DecodedImage& image,
                  int quality, unsigned char** buffer, unsigned long* size) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_RGBA;  // the fourth byte is skipped
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(image.pixels.data()) + stride * info.next_scanline;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

bool endsWithLetters(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const DecodedImage& image) {
    std::vector<std::uint8_t> out;
    if (!usable(image)) return out;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    // The first call only measures.
    if (png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return out;
    }
    try {
        out.resize(size);
    } catch (const std::bad_alloc&) {
        png_image_free(&png);
        return out;
    }
    const int written =
        png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr);
    if (written == 0) {
        out.clear();
    } else {
        out.resize(size);
    }
    png_image_free(&png);
    return out;
}

std::vector<std::uint8_t> EncodeJpeg(const DecodedImage& image, int quality) {
    std::vector<std::uint8_t> out;
    if (!usable(image)) return out;
    jpeg_compress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = compressJpeg(info, errors, image, quality, &buffer, &size);
    jpeg_destroy_compress(&info);
    if (ok && buffer != nullptr) {
        try {
            out.assign(buffer, buffer + size);
        } catch (const std::bad_alloc&) {
            out.clear();
        }
    }
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> EncodeBmp(const DecodedImage& image) {
    std::vector<std::uint8_t> out;
    if (!usable(image)) return out;
    const std::size_t width = static_cast<std::size_t>(image.width);
    const std::size_t height = static_cast<std::size_t>(image.height);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    try {
        out.assign(kBmpHeaderBytes + stride * height, 0);
    } catch (const std::bad_alloc&) {
        return out;
    }
    std::uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<std::uint32_t>(out.size()));
    put32(h + 10, kBmpHeaderBytes);
    put32(h + 14, 40);
    put32(h + 18, static_cast<std::uint32_t>(width));
    put32(h + 22, static_cast<std::uint32_t>(height));
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 34, static_cast<std::uint32_t>(stride * height));
    put32(h + 38, kBmpPixelsPerMetre);
    put32(h + 42, kBmpPixelsPerMetre);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* src = image.pixels.data() + width * 4 * (height - 1 - y);
        std::uint8_t* dst = h + kBmpHeaderBytes + stride * y;
        for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

ImageFormat FormatForPath(const char* path) {
    const std::string_view p = path != nullptr ? std::string_view(path) : std::string_view();
    if (endsWithLetters(p, ".png")) return ImageFormat::Png;
    // Any "jpg" ending counts, as it always has; ".jpeg" is a JPEG too.
    if (endsWithLetters(p, "jpg") || endsWithLetters(p, ".jpeg")) return ImageFormat::Jpeg;
    return ImageFormat::Bmp;
}

}  // namespace qvt
