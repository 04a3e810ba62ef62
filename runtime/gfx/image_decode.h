// Image decoders: BMP, PNG and JPEG files turned into RGBA pixels (DecodedImage).
//
// The decoders are functions from bytes to pixels, so they run without a GL context. None
// of them trusts the file: every size, offset and count is checked against the bytes really
// there, and a malformed file fails without reading or writing outside its buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/strings.h"
#include "files/memfile.h"
#include "gfx/image.h"

namespace qvt {

// Largest picture a decoder makes, in pixels (256 MiB of RGBA); bigger ones are refused.
inline constexpr std::size_t kMaxImagePixels = std::size_t{1} << 26;
// Largest side in pixels (the sprite record keeps sizes in 16 bits).
inline constexpr std::int32_t kMaxImageSide = 32767;
// Image files above this many bytes are not read.
inline constexpr std::int64_t kMaxImageFileBytes = std::int64_t{1} << 30;

// How a decode runs.
struct DecodeOptions {
    std::uint32_t key = 0;                  // packed RGB colour key (BMP and RGB PNG pixels)
    const char* name = "";                  // the file's name, for the decoders' messages
    std::size_t maxPixels = kMaxImagePixels;  // refuse larger pictures (fuzzers lower it)
};

// What a decoder made of the bytes.
enum class DecodeStatus {
    Decoded,        // out holds the picture
    NotRecognised,  // not this decoder's signature; nothing printed
    Failed,         // its signature, but unusable; out's size is 0
};

// BMP, 1/4/8/16/24/32 bits, uncompressed, bottom-up or top-down; key pixels become
// (0, 0, 0, 0). keyed = 0.
DecodeStatus DecodeBmp(std::span<const std::uint8_t> file, const DecodeOptions& options,
                       DecodedImage& out);
// PNG through libpng: grey and RGB opaque (RGB keyed), RGBA kept exactly (keyed = 1);
// grey+alpha refused with a message on standard output.
DecodeStatus DecodePng(std::span<const std::uint8_t> file, const DecodeOptions& options,
                       DecodedImage& out);
// JPEG through libjpeg: 1, 3 or 4 channels, never keyed; another count is written to the
// log. keyed = 1 only for four channels.
DecodeStatus DecodeJpeg(std::span<const std::uint8_t> file, const DecodeOptions& options,
                        DecodedImage& out);

// The bytes of a disk file or a live memory file ("mem://" name).
struct ImageFileBytes {
    MemoryBytes memory;               // the memory file's bytes, held while in use
    std::vector<std::uint8_t> owned;  // a disk file's bytes
    std::span<const std::uint8_t> bytes;
};
// Reads name (a "\\" is read as "/"); false when it names no readable file.
bool ReadImageFile(const RuntimeString& name, ImageFileBytes& out);

// Which decoders a loader tries, in order.
enum class DecoderSet { Sprite, Font };  // BMP, PNG, JPEG / BMP, PNG

// Reads the resolved name and tries the set's decoders in order; false when none accepts it.
bool DecodeImageFile(const RuntimeString& name, DecoderSet set, std::uint32_t key,
                     DecodedImage& out);

// Gives every transparent pixel the mean colour of its opaque neighbours that lie off the
// image border (0 when none), so linear filtering does not bleed the key colour in.
void FillEdgeColours(DecodedImage& image);

// ---- Shared by the decoders -------------------------------------------------------------

// Sizes the picture (width * height * 4 bytes, buffer kept when big enough); false, with
// the size 0, for sides out of 1..kMaxImageSide, more than maxPixels, or no memory.
bool prepareImage(DecodedImage& out, std::int64_t width, std::int64_t height,
                  std::size_t maxPixels);
// Marks a failed decode: size 0, the buffer kept for the next load.
DecodeStatus failDecode(DecodedImage& out);
// Widens rows of `channels` bytes per pixel (1 grey, 3 RGB, 4 RGBA) in place to RGBA; each
// row starts at width * 4 * y. RGB pixels equal to key become (0, 0, 0, 0) when keyRgb.
void expandToRgba(DecodedImage& image, int channels, bool keyRgb, std::uint32_t key);

}  // namespace qvt
