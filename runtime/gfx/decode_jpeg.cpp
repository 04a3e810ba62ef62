// JPEG decoder over libjpeg (libjpeg-turbo's classic API), reading from memory.
//
// libjpeg's error_exit would end the process; ours longjmps back into the phase that
// called setjmp. As in the PNG decoder, those phase functions hold only plain locals and
// the C++ allocations happen between phases.
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include <csetjmp>

#include "core/log.h"
#include "gfx/image_decode.h"

namespace qvt {

namespace {

// Progressive files may carry any number of scans, each a pass over the whole picture;
// real encoders write about a dozen.
constexpr int kMaxScans = 500;
// libjpeg's working memory (whole-image coefficient buffers) per allowed output pixel.
constexpr std::size_t kWorkBytesPerPixel = 8;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}
// Warnings (a truncated stream, junk before a marker) are not worth the console.
void onMessage(j_common_ptr) {}

void limitScans(j_common_ptr info) {
    if (info->is_decompressor == 0) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        info->err->error_exit(info);
    }
}

struct JpegHeader {
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    int channels = 0;
};

// Phase 1: header and output size. False on any libjpeg error.
bool readHeader(jpeg_decompress_struct& info, JpegErrors& errors, JpegHeader& header) {
    if (setjmp(errors.jump)) return false;
    jpeg_read_header(&info, TRUE);
    jpeg_calc_output_dimensions(&info);
    header.width = info.output_width;
    header.height = info.output_height;
    header.channels = info.output_components;
    return true;
}

// Phase 2: every scanline, at RGBA spacing. False on any libjpeg error.
bool readRows(jpeg_decompress_struct& info, JpegErrors& errors, DecodedImage& out) {
    if (setjmp(errors.jump)) return false;
    jpeg_start_decompress(&info);
    if (info.output_width != static_cast<JDIMENSION>(out.width) ||
        info.output_height != static_cast<JDIMENSION>(out.height)) {
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(out.width) * 4;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.pixels.data() + stride * info.output_scanline;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
    }
    return true;
}

DecodeStatus decode(jpeg_decompress_struct& info, JpegErrors& errors, const DecodeOptions& options,
                    DecodedImage& out) {
    JpegHeader header;
    if (!readHeader(info, errors, header)) return failDecode(out);
    if (header.channels != 1 && header.channels != 3 && header.channels != 4) {
        WriteLogFormat("JPEG: Channels: %d not supported!\n", header.channels);
        return failDecode(out);
    }
    if (!prepareImage(out, header.width, header.height, options.maxPixels)) return failDecode(out);
    if (!readRows(info, errors, out)) return failDecode(out);
    expandToRgba(out, header.channels, false, 0);
    out.keyed = header.channels == 4 ? 1 : 0;
    return DecodeStatus::Decoded;
}

// Plain locals only: jpeg_create_decompress may already longjmp.
bool create(jpeg_decompress_struct& info, JpegErrors& errors, std::span<const std::uint8_t> file,
            const DecodeOptions& options, jpeg_progress_mgr& progress) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    info.mem->max_memory_to_use = static_cast<long>(options.maxPixels * kWorkBytesPerPixel);
    progress.progress_monitor = limitScans;
    info.progress = &progress;
    return true;
}

}  // namespace

DecodeStatus DecodeJpeg(std::span<const std::uint8_t> file, const DecodeOptions& options,
                        DecodedImage& out) {
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return DecodeStatus::NotRecognised;
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.output_message = onMessage;
    jpeg_progress_mgr progress{};
    DecodeStatus status = DecodeStatus::Failed;
    if (create(info, errors, file, options, progress)) {
        status = decode(info, errors, options, out);
    } else {
        failDecode(out);
    }
    jpeg_destroy_decompress(&info);
    return status;
}

}  // namespace qvt
