// The image writers, read back by the decoders, and the format a path asks for.
#include "gfx/image_encode.h"

#include <gtest/gtest.h>

#include "gfx/image_decode.h"
#include "support/files.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

TEST(ImageWriters, PngIsExactBmpUncompressed24BitBottomUpJpegClose) {
    const auto colour = [](int x, int y) { return (x * 5 + y) * 0x1F3D5B79u; };
    DecodedImage original = test::makeImage(5, 3, colour), back;
    ASSERT_EQ(DecodePng(EncodePng(original), DecodeOptions{0x8000FF}, back), DecodeStatus::Decoded);
    EXPECT_EQ(back.width * 10 + back.height, 53);
    EXPECT_EQ(back.pixels, original.pixels);

    const test::Bytes file = EncodeBmp(original);
    ASSERT_EQ(file.size(), 54u + 16 * 3) << "rows of 15 bytes padded to 16";
    const test::Bytes header = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 48, 0, 0, 0,
                                0x10, 0x27, 0, 0, 0x10, 0x27, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // 10000 pixels per metre
    EXPECT_EQ(test::Bytes(file.begin(), file.begin() + 54), header);
    EXPECT_EQ(file[54], original.pixels[(2 * 5) * 4 + 2]) << "first stored row is the bottom one, blue first";
    ASSERT_EQ(DecodeBmp(file, DecodeOptions{0xFFFFFFFF}, back), DecodeStatus::Decoded);
    for (std::size_t i = 3; i < original.pixels.size(); i += 4) original.pixels[i] = 255;
    EXPECT_EQ(back.pixels, original.pixels) << "colours exact, alpha dropped";

    // Red 30, green 160, blue 220.
    const DecodedImage flat = test::makeImage(24, 8, [](int, int) { return 0x09DCA01Eu; });
    ASSERT_EQ(DecodeJpeg(EncodeJpeg(flat), DecodeOptions{}, back), DecodeStatus::Decoded);
    const std::uint8_t* p = &back.pixels[(4 * 24 + 11) * 4];
    EXPECT_TRUE(std::abs(p[0] - 30) <= 4 && std::abs(p[1] - 160) <= 4 && std::abs(p[2] - 220) <= 4)
        << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    EXPECT_EQ(p[3], 255) << "alpha is not stored";
    EXPECT_TRUE(EncodeJpeg(DecodedImage{}).empty());
}

TEST(ImageWriters, FormatFollowsThePathsEnding) {
    const std::pair<const char*, ImageFormat> cases[] = {
        {"SHOT.PnG", ImageFormat::Png},   {"shotpng", ImageFormat::Bmp},
        {"shotJPG", ImageFormat::Jpeg},   {"shot.jpeg", ImageFormat::Jpeg},
        {"shotjpeg", ImageFormat::Bmp},   {"shot.png.bmp", ImageFormat::Bmp},
    };
    for (const auto& [path, format] : cases) EXPECT_EQ(FormatForPath(path), format) << path;
}

}  // namespace
}  // namespace qvt
