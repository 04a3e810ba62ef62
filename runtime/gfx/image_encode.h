// Image writers: RGBA pictures turned into PNG, JPEG or BMP file bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/image.h"

namespace qvt {

// Quality of the JPEG files the runtime writes (libjpeg's 0..100 scale).
inline constexpr int kJpegSaveQuality = 90;

// PNG, 8-bit RGBA: the picture exactly, alpha included. Empty on failure.
std::vector<std::uint8_t> EncodePng(const DecodedImage& image);
// JPEG, 3 channels (alpha dropped). Empty on failure.
std::vector<std::uint8_t> EncodeJpeg(const DecodedImage& image, int quality = kJpegSaveQuality);
// Uncompressed 24-bit BMP, rows bottom-up, 10000 pixels per metre (alpha dropped). Empty on
// failure.
std::vector<std::uint8_t> EncodeBmp(const DecodedImage& image);

// The writer a path asks for: a ".png" ending, else a "jpg" (or ".jpeg") ending, else BMP;
// letters in any case.
enum class ImageFormat { Png, Jpeg, Bmp };
ImageFormat FormatForPath(const char* path);

}  // namespace qvt
