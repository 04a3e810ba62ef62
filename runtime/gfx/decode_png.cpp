// PNG decoder over libpng, reading from memory.
//
// libpng reports errors by longjmp. Every function that calls setjmp here holds only plain
// locals, and the frames between it and libpng's longjmp are C code and plain callbacks, so
// no destructor is ever skipped. The read runs in two such phases (header, then rows), with
// the C++ allocations between them.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "gfx/image_decode.h"

namespace qvt {

namespace {

// Bytes one ancillary chunk may allocate (text, profiles); more is dropped with a warning.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

struct PngSource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->at) png_error(png, "truncated");
    std::memcpy(out, src->data + src->at, n);
    src->at += n;
}

[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// The layout after the transforms.
struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int channels = 0;
};

void requestTransforms(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (bitDepth < 8) png_set_packing(png);
    png_set_interlace_handling(png);
}

// Phase 1: signature, header and transforms. False on any libpng error.
bool readHeader(png_structp png, png_infop info, PngHeader& header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    requestTransforms(png, info);
    png_read_update_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.bitDepth = png_get_bit_depth(png, info);
    header.colourType = png_get_color_type(png, info);
    header.channels = png_get_channels(png, info);
    return true;
}

// Phase 2: every row (all passes of an interlaced image). False on any libpng error.
bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

bool acceptedLayout(const PngHeader& h, const char* name) {
    if (h.bitDepth != 8) {
        std::printf("File %s has bit depth %d.\n", name, h.bitDepth);
        std::fputs("Only bit depth of 8 is supported.\n", stdout);
        return false;
    }
    const bool known = (h.colourType == PNG_COLOR_TYPE_GRAY && h.channels == 1) ||
                       (h.colourType == PNG_COLOR_TYPE_RGB && h.channels == 3) ||
                       (h.colourType == PNG_COLOR_TYPE_RGB_ALPHA && h.channels == 4);
    if (!known) {
        std::printf("File %s has unsupported color type.\n", name);
        std::fputs("Types GRAY, RGB and RGB_ALPHA are supported.\n", stdout);
        return false;
    }
    return true;
}

DecodeStatus decode(png_structp png, png_infop info, const DecodeOptions& options,
                    DecodedImage& out) {
    PngHeader header;
    if (!readHeader(png, info, header)) return failDecode(out);
    if (!acceptedLayout(header, options.name)) return failDecode(out);
    if (!prepareImage(out, header.width, header.height, options.maxPixels)) return failDecode(out);
    // Rows land at RGBA spacing and are widened in place afterwards.
    std::vector<png_bytep> rows;
    try {
        rows.resize(header.height);
    } catch (const std::bad_alloc&) {
        return failDecode(out);
    }
    const std::size_t stride = static_cast<std::size_t>(header.width) * 4;
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = out.pixels.data() + stride * y;
    if (!readRows(png, rows.data())) return failDecode(out);
    expandToRgba(out, header.channels, header.channels == 3, options.key);
    out.keyed = header.channels == 4 ? 1 : 0;
    return DecodeStatus::Decoded;
}

}  // namespace

DecodeStatus DecodePng(std::span<const std::uint8_t> file, const DecodeOptions& options,
                       DecodedImage& out) {
    if (file.size() < 4 || std::memcmp(file.data() + 1, "PNG", 3) != 0) {
        return DecodeStatus::NotRecognised;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png == nullptr) return failDecode(out);
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return failDecode(out);
    }
    PngSource source{file.data(), file.size(), 0};
    png_set_read_fn(png, &source, readFromMemory);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    const DecodeStatus status = decode(png, info, options, out);
    png_destroy_read_struct(&png, &info, nullptr);
    return status;
}

}  // namespace qvt
