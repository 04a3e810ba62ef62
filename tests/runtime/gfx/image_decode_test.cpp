// The image decoders on bytes and files: every BMP layout, the PNG and JPEG rules, the
// colour key, malformed files, the decoder order and the edge-colour pass.
#include "gfx/image_decode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>

#include "core/log.h"
#include "gfx/context.h"
#include "image_test_util.h"
#include "support/headless.h"

namespace qvt {
namespace {

using test::Bytes;
using Rgba = std::array<int, 4>;

Rgba pixelAt(const DecodedImage& image, int x, int y) {
    const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
Rgba opaqueRgba(std::uint32_t c) { return {int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF), 255}; }

DecodeOptions withKey(std::uint32_t key, const char* name = "test") {
    DecodeOptions o;
    o.key = key;
    o.name = name;
    return o;
}

using Decoder = DecodeStatus (*)(std::span<const std::uint8_t>, const DecodeOptions&, DecodedImage&);
DecodeStatus decode(Decoder d, const Bytes& file, DecodedImage& out, std::uint32_t key = kDefaultSpriteKey) {
    return d(file, withKey(key), out);
}

// 5 x 3 (odd, so rows carry padding at every depth); colours survive 5-bit channels exactly.
test::BmpLayout patternBmp(int bits, bool topDown = false, bool core = false) {
    test::BmpLayout s{5, 3, bits, topDown, core};
    if (bits <= 8) {
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) s.palette.push_back(i * 7 | (255 - i) << 8 | (i * 3 + 1) << 16);
        s.pixel = [entries](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % entries); };
    } else {
        s.pixel = [](int x, int y) { return std::uint32_t(x * 40 + 8) | (y * 64 + 16) << 8 | (248 - x * 32) << 16; };
    }
    return s;
}

TEST(BmpDecoder, ReadsEveryBitDepthAndHeader) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int variant = 0; variant < 3; ++variant) {  // bottom-up, top-down, core header
            if (variant == 2 && (bits == 4 || bits >= 16)) continue;
            const test::BmpLayout layout = patternBmp(bits, variant == 1, variant == 2);
            DecodedImage image;
            ASSERT_EQ(decode(DecodeBmp, test::makeBmp(layout), image), DecodeStatus::Decoded) << bits << "/" << variant;
            ASSERT_EQ(image.width * 10 + image.height, 53);
            EXPECT_EQ(image.keyed, 0);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    const std::uint32_t v = layout.pixel(x, y);
                    Rgba want = opaqueRgba(bits <= 8 ? layout.palette[v] : v);
                    if (bits == 16) {
                        for (int c = 0; c < 3; ++c) want[c] = (want[c] >> 3) * 255 / 31;
                    }
                    EXPECT_EQ(pixelAt(image, x, y), want) << bits << " bits, variant " << variant << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpDecoder, ColourKeyPixelsBecomeTransparentBlack) {
    test::BmpLayout layout{3, 1, 24};
    layout.pixel = [](int x, int) { return x == 0 ? 0x8000FFu : x == 1 ? 0u : 0x123456u; };
    const Bytes file = test::makeBmp(layout);
    DecodedImage image;
    ASSERT_EQ(decode(DecodeBmp, file, image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0})) << "magenta (255, 0, 128) is the key";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), opaqueRgba(0x123456));
    ASSERT_EQ(decode(DecodeBmp, file, image, 0), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{255, 0, 128, 255})) << "with key 0 magenta stays";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 0})) << "and black goes";

    test::BmpLayout indexed = patternBmp(8);
    indexed.palette[3] = 0x8000FF;
    ASSERT_EQ(decode(DecodeBmp, test::makeBmp(indexed), image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 3, 0), (Rgba{0, 0, 0, 0})) << "a keyed palette entry";
}

TEST(BmpDecoder, AcceptsStandardBitfieldsOnly) {
    Bytes file = test::makeBmp(patternBmp(32));
    const Bytes masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    file.insert(file.begin() + 54, masks.begin(), masks.end());
    test::put32(file, 10, 66);
    test::put32(file, 30, 3);
    DecodedImage image;
    ASSERT_EQ(decode(DecodeBmp, file, image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 2, 1), opaqueRgba(patternBmp(32).pixel(2, 1)));
    test::put32(file, 54, 0x0000FF);  // red mask where blue should be
    EXPECT_EQ(decode(DecodeBmp, file, image), DecodeStatus::Failed);
}

TEST(BmpDecoder, MalformedFilesFailCleanly) {
    const Bytes good = test::makeBmp(patternBmp(8));  // offset 14 + 40 + 1024
    const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
        {"data offset past the end", [](Bytes& b) { test::put32(b, 10, static_cast<std::uint32_t>(b.size() + 1)); }},
        {"data offset inside the file header", [](Bytes& b) { test::put32(b, 10, 10); }},
        {"header size 108", [](Bytes& b) { test::put32(b, 14, 108); }},
        {"2 bits per pixel", [](Bytes& b) { test::put16(b, 28, 2); }},
        {"zero width", [](Bytes& b) { test::put32(b, 18, 0); }},
        {"negative width", [](Bytes& b) { test::put32(b, 18, 0xFFFFFFFBu); }},
        {"height -2^31", [](Bytes& b) { test::put32(b, 22, 0x80000000u); }},
        {"30000 x 30000", [](Bytes& b) { test::put32(b, 18, 30000), test::put32(b, 22, 30000); }},
        {"one byte short", [](Bytes& b) { b.pop_back(); }},
        {"run-length compression", [](Bytes& b) { test::put32(b, 30, 1); }},
        {"truncated header", [](Bytes& b) { b.resize(20); }},
        {"palette index beyond a 4-entry palette", [](Bytes& b) {
             b.erase(b.begin() + 54 + 16, b.begin() + 54 + 1024);
             test::put32(b, 10, 54 + 16);
         }},
    };
    for (const auto& [what, spoil] : cases) {
        Bytes file = good;
        spoil(file);
        DecodedImage image;
        EXPECT_EQ(decode(DecodeBmp, file, image), DecodeStatus::Failed) << what;
        EXPECT_EQ(image.byteCount(), 0u) << what;
    }
    DecodedImage image;
    EXPECT_EQ(decode(DecodeBmp, Bytes{'B', 'X', 0, 0}, image), DecodeStatus::NotRecognised);
    EXPECT_EQ(decode(DecodeBmp, Bytes{'B'}, image), DecodeStatus::NotRecognised);
}

TEST(PngDecoder, AlphaIsKeptRgbKeyedGreyAndPalettesExpanded) {
    const std::uint32_t alphas[] = {0, 1, 127, 254, 255};
    DecodedImage image;
    ASSERT_EQ(decode(DecodePng, test::makePng(5, 1, [&](int x, int) { return 0x8000FFu | alphas[x] << 24; }, true), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 1);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(image, x, 0), (Rgba{255, 0, 128, int(alphas[x])})) << "not keyed";

    ASSERT_EQ(decode(DecodePng, test::makePng(2, 1, [](int x, int) { return x == 0 ? 0x8000FFu : 0x8001FFu; }), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{255, 1, 128, 255})) << "one step off the key";

    test::PngSpec grey{4, 1, PNG_COLOR_TYPE_GRAY, 2};
    grey.row = [](int) { return Bytes{0x1B}; };  // 0, 1, 2, 3
    ASSERT_EQ(decode(DecodePng, test::makePng(grey), image, 0), DecodeStatus::Decoded);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(image, x, 0), (Rgba{x * 85, x * 85, x * 85, 255})) << "grey, key 0";

    test::PngSpec deep{1, 1, PNG_COLOR_TYPE_RGB, 16};
    deep.row = [](int) { return Bytes{0xAB, 0xCD, 0x12, 0x34, 0xFF, 0x00}; };
    ASSERT_EQ(decode(DecodePng, test::makePng(deep), image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0xAB, 0x12, 0xFF, 255})) << "16-bit samples keep their high byte";

    test::PngSpec palette{3, 1, PNG_COLOR_TYPE_PALETTE, 4};
    palette.palette = {{10, 20, 30}, {255, 0, 128}, {40, 50, 60}};
    palette.row = [](int) { return Bytes{0x01, 0x20}; };  // 0, 1, 2
    ASSERT_EQ(decode(DecodePng, test::makePng(palette), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 0})) << "a palette becomes RGB, so it is keyed";
    palette.transparency = {255, 255, 77};
    ASSERT_EQ(decode(DecodePng, test::makePng(palette), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 1) << "tRNS becomes an alpha channel";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), (Rgba{40, 50, 60, 77}));
}

TEST(PngDecoder, InterlacedImagesAndBufferReuse) {
    const auto colour = [](int x, int y) { return static_cast<std::uint32_t>(x * 9 + (y * 5 << 8) + 0x400000); };
    test::PngSpec s{13, 11};
    s.interlaced = true;
    s.row = [&](int y) {
        Bytes r;
        for (int x = 0; x < 13; ++x) r.insert(r.end(), {std::uint8_t(colour(x, y)), std::uint8_t(colour(x, y) >> 8), 0x40});
        return r;
    };
    DecodedImage image;
    ASSERT_EQ(decode(DecodePng, test::makePng(s), image), DecodeStatus::Decoded);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) ASSERT_EQ(pixelAt(image, x, y), opaqueRgba(colour(x, y))) << x << "," << y;
    }
    const std::uint8_t* buffer = image.pixels.data();
    ASSERT_EQ(decode(DecodePng, test::makePng(8, 8, [](int, int) { return 0x445566u; }), image, 0), DecodeStatus::Decoded);
    EXPECT_EQ(image.pixels.data(), buffer) << "a smaller picture fits the old buffer";
    EXPECT_EQ(image.byteCount(), 8u * 8 * 4);
    EXPECT_EQ(pixelAt(image, 7, 7), opaqueRgba(0x445566));
}

TEST(PngDecoder, GreyWithAlphaIsRefusedWithItsMessage) {
    test::PngSpec s{1, 1, PNG_COLOR_TYPE_GRAY_ALPHA};
    s.row = [](int) { return Bytes{100, 200}; };
    DecodedImage image;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DecodePng(test::makePng(s), withKey(0, "Media/ga.png"), image), DecodeStatus::Failed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "File Media/ga.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");
}

TEST(PngDecoder, MalformedFilesFailQuietly) {
    const Bytes good = test::makePng(64, 64, [](int x, int y) { return static_cast<std::uint32_t>(x * 977 + y * 31337); });
    // Sizes are big-endian; the header checksum (over bytes 12..28) is made right again.
    const auto size = [](std::uint32_t w, std::uint32_t h) {
        return [w, h](Bytes& b) {
            test::put32(b, 16, w);
            test::put32(b, 20, h);
            const uLong crc = crc32(0, b.data() + 12, 17);
            for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        };
    };
    const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
        {"cut inside the pixel data", [](Bytes& b) { b.resize(b.size() / 2); }},
        {"cut inside the header", [](Bytes& b) { b.resize(20); }},
        {"header checksum broken", [](Bytes& b) { b[29] ^= 0xFF; }},
        {"first signature byte wrong", [](Bytes& b) { b[0] = 0; }},
        {"width 40000", size(0x409C0000, 0x40000000)},
        {"30000 x 30000", size(0x30750000, 0x30750000)},
        {"width 0", size(0, 0x40000000)},
    };
    for (const auto& [what, spoil] : cases) {
        Bytes file = good;
        spoil(file);
        DecodedImage image;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(decode(DecodePng, file, image, 0), DecodeStatus::Failed) << what;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << what << ": libpng's own messages are silenced";
        EXPECT_EQ(image.byteCount(), 0u) << what;
    }
    DecodedImage image;
    EXPECT_EQ(decode(DecodePng, Bytes{0x89, 'P', 'N'}, image), DecodeStatus::NotRecognised);
    EXPECT_EQ(decode(DecodePng, Bytes{'B', 'M', 0, 0, 0}, image), DecodeStatus::NotRecognised);
}

TEST(JpegDecoder, ReadsGreyAndRgbWithoutKeying) {
    DecodedImage image;
    ASSERT_EQ(decode(DecodeJpeg, test::makeJpeg(16, 16, {0}), image, 0), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 5, 5), (Rgba{0, 0, 0, 255})) << "black is never keyed in a JPEG";
    ASSERT_EQ(decode(DecodeJpeg, test::makeJpeg(32, 16, {200, 40, 90}), image), DecodeStatus::Decoded);
    ASSERT_EQ(image.width * 100 + image.height, 3216);
    const Rgba p = pixelAt(image, 20, 9);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], (std::array{200, 40, 90}[c]), 3) << "channel " << c;
    EXPECT_EQ(p[3], 255);
}

TEST(JpegDecoder, OtherChannelCountsAreLoggedAndMalformedFilesFail) {
    ASSERT_FALSE(test::useScratchTempDir().empty());
    DecodedImage image;
    EXPECT_EQ(decode(DecodeJpeg, test::makeJpeg(8, 8, {128, 128}), image), DecodeStatus::Failed);
    EXPECT_EQ(test::readText(LogPath()), "JPEG: Channels: 2 not supported!\n");

    const Bytes good = test::makeJpeg(16, 16, {77, 77, 77});
    Bytes noWidth = good;
    const std::uint8_t startOfFrame[] = {0xFF, 0xC0};
    const auto frame = std::search(noWidth.begin(), noWidth.end(), std::begin(startOfFrame), std::end(startOfFrame));
    ASSERT_NE(frame, noWidth.end());
    frame[7] = frame[8] = 0;  // marker 2, length 2, precision 1, height 2, width 2
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(decode(DecodeJpeg, Bytes{0xFF, 0xD8, 0xFF, 0xD9}, image), DecodeStatus::Failed) << "no frame header";
    EXPECT_EQ(decode(DecodeJpeg, Bytes(good.begin(), good.begin() + 30), image), DecodeStatus::Failed) << "cut short";
    ASSERT_EQ(decode(DecodeJpeg, good, image), DecodeStatus::Decoded);
    EXPECT_EQ(decode(DecodeJpeg, noWidth, image), DecodeStatus::Failed) << "width 0";
    EXPECT_EQ(image.byteCount(), 0u);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(decode(DecodeJpeg, Bytes{0xFF}, image), DecodeStatus::NotRecognised);
}

TEST(ImageFiles, DecodersAreTriedInOrderOnFilesAndMemoryFiles) {
    test::ScratchFolder dir;
    test::writeBytes(dir / "a.png", test::makePng(3, 2, [](int, int) { return 0x010203u; }));
    test::writeBytes(dir / "b.jpg", test::makeJpeg(8, 8, {99}));
    test::writeBytes(dir / "c.bmp", "hello");
    std::filesystem::create_directory(dir / "sub");
    test::writeBytes(dir / "sub/d.bmp", test::makeBmp(patternBmp(24)));
    const auto width = [](const std::string& name, DecoderSet set) {
        DecodedImage image;
        return DecodeImageFile(RuntimeString(std::string_view(name)), set, 0, image) ? image.width : -1;
    };
    EXPECT_EQ(width(dir / "a.png", DecoderSet::Sprite), 3);
    EXPECT_EQ(width(dir / "b.jpg", DecoderSet::Sprite), 8);
    EXPECT_EQ(width(dir / "b.jpg", DecoderSet::Font), -1) << "fonts have no JPEG decoder";
    EXPECT_EQ(width(dir / "c.bmp", DecoderSet::Sprite), -1);
    EXPECT_EQ(width(dir / "none.png", DecoderSet::Sprite), -1);
    EXPECT_EQ(width(dir.path().string(), DecoderSet::Sprite), -1) << "a folder is not an image";
    EXPECT_EQ(width(dir.path().string() + "\\sub\\d.bmp", DecoderSet::Sprite), 5);

    MemoryFile memory(test::makePng(4, 1, [](int, int) { return 0x0A0B0Cu; }));
    DecodedImage image;
    ASSERT_TRUE(DecodeImageFile(memory.name(), DecoderSet::Font, 0, image));
    EXPECT_EQ(pixelAt(image, 3, 0), opaqueRgba(0x0A0B0C));
    EXPECT_FALSE(DecodeImageFile(RuntimeString("mem://       4.       0"), DecoderSet::Sprite, 0, image))
        << "a made-up memory name reads nothing";
}

TEST(EdgeColours, TransparentPixelsTakeTheMeanOfInnerOpaqueNeighbours) {
    // 5 x 3: row 1 holds red (border), blue 200, green 100, a hole, white (border).
    const std::uint32_t row1[5] = {0xFF0000FFu, 0xFFC80000u, 0xFF006400u, 0x00000000u, 0xFFFFFFFFu};
    DecodedImage image;
    image.width = 5;
    image.height = 3;
    image.pixels.assign(image.byteCount(), 0);
    for (int i = 0; i < 20; ++i) image.pixels[20 + i] = static_cast<std::uint8_t>(row1[i / 4] >> (8 * (i % 4)));
    image.pixels[0] = 77;  // a transparent pixel's old colour does not survive
    FillEdgeColours(image);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 200, 0})) << "the red border pixel does not count";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 50, 100, 0})) << "mean of blue 200 and green 100";
    EXPECT_EQ(pixelAt(image, 3, 1), (Rgba{0, 100, 0, 0})) << "white on the border does not count";
    EXPECT_EQ(pixelAt(image, 4, 2), (Rgba{0, 0, 0, 0})) << "the hole filled earlier is still transparent";
    EXPECT_EQ(pixelAt(image, 1, 1), (Rgba{0, 0, 200, 255})) << "opaque pixels are untouched";
}

}  // namespace
}  // namespace qvt
