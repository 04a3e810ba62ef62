// The image decoders on bytes and files: every BMP layout, the PNG and JPEG rules, the
// colour key, malformed files and the decoder order.
#include "gfx/image_decode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>

#include "core/log.h"
#include "gfx/context.h"
#include "image_test_util.h"
#include "support/headless.h"

namespace qvt {
namespace {

using test::Bytes;
using Rgba = std::array<int, 4>;
using Decoder = DecodeStatus (*)(std::span<const std::uint8_t>, const DecodeOptions&, DecodedImage&);
constexpr std::uint32_t kKey = kDefaultSpriteKey;

Rgba pixelAt(const DecodedImage& image, int x, int y) {
    const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
Rgba opaqueRgba(std::uint32_t c) { return {int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF), 255}; }

// What a decoder made of file: "Decoded 5x3 keyed 0" and then the pixels of row 0 as r,g,b,a
// ("Failed" alone when it failed and left no picture, "NotRecognised" for foreign bytes).
std::string decoded(Decoder d, const Bytes& file, std::uint32_t key = kKey) {
    DecodedImage image;
    const DecodeStatus status = d(file, DecodeOptions{key, "in.png"}, image);
    if (status == DecodeStatus::NotRecognised) return "NotRecognised";
    if (status == DecodeStatus::Failed) return image.byteCount() == 0 ? "Failed" : "Failed with a picture";
    std::string out = "Decoded " + std::to_string(image.width) + "x" + std::to_string(image.height) + " keyed " +
                      std::to_string(image.keyed);
    for (int x = 0; x < image.width && x < 6; ++x) {
        const Rgba p = pixelAt(image, x, 0);
        out += " " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," + std::to_string(p[3]);
    }
    return out;
}

// A row of a decoder's table: the file, what decoded() makes of it, the colour key.
struct Case {
    const char* what;
    Bytes file;
    std::string want;
    std::uint32_t key = kKey;
};
void expectDecoded(Decoder d, const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(decoded(d, c.file, c.key), c.want) << c.what;
}
// file changed by edit.
Bytes edited(Bytes file, const std::function<void(Bytes&)>& edit) {
    edit(file);
    return file;
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
            ASSERT_EQ(DecodeBmp(test::makeBmp(layout), DecodeOptions{kKey}, image), DecodeStatus::Decoded) << bits;
            ASSERT_EQ(image.width * 10 + image.height + image.keyed * 100, 53);
            for (int i = 0; i < 15; ++i) {
                const std::uint32_t v = layout.pixel(i % 5, i / 5);
                Rgba want = opaqueRgba(bits <= 8 ? layout.palette[v] : v);
                for (int c = 0; c < 3 && bits == 16; ++c) want[c] = (want[c] >> 3) * 255 / 31;
                EXPECT_EQ(pixelAt(image, i % 5, i / 5), want) << bits << " bits, variant " << variant << ", pixel " << i;
            }
        }
    }
}

TEST(BmpDecoder, KeysBitfieldsAndMalformedFiles) {
    test::BmpLayout direct{3, 1, 24};
    direct.pixel = [](int x, int) { return std::array{0x8000FFu, 0u, 0x123456u}[x]; };
    const Bytes masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    const Bytes fields = edited(test::makeBmp(patternBmp(32)), [&](Bytes& b) {
        b.insert(b.begin() + 54, masks.begin(), masks.end());
        test::put32(b, 10, 66);
        test::put32(b, 30, 3);
    });
    const Bytes good = test::makeBmp(patternBmp(8));  // offset 14 + 40 + 1024
    const auto spoiled = [&](const std::function<void(Bytes&)>& edit) { return edited(good, edit); };
    expectDecoded(DecodeBmp, {
        {"keyed", test::makeBmp(direct), "Decoded 3x1 keyed 0 0,0,0,0 0,0,0,255 86,52,18,255"},
        {"standard bit fields", fields, "Decoded 5x3 keyed 0 8,16,248,255 48,16,216,255 88,16,184,255 128,16,152,255 168,16,120,255"},
        {"data offset past the end", spoiled([](Bytes& b) { test::put32(b, 10, static_cast<std::uint32_t>(b.size() + 1)); }), "Failed"},
        {"zero width", spoiled([](Bytes& b) { test::put32(b, 18, 0); }), "Failed"},
        {"height -2^31", spoiled([](Bytes& b) { test::put32(b, 22, 0x80000000u); }), "Failed"},
        {"one byte short", spoiled([](Bytes& b) { b.pop_back(); }), "Failed"},
        {"truncated header", spoiled([](Bytes& b) { b.resize(20); }), "Failed"},
        {"index beyond a 4-entry palette", spoiled([](Bytes& b) { b.erase(b.begin() + 70, b.begin() + 1078), test::put32(b, 10, 70); }),
         "Failed"},
        {"one byte", {'B'}, "NotRecognised"},
    });
}

TEST(PngDecoder, ColourTypesKeysAndMalformedFiles) {
    const std::vector<png_color> palette = {{10, 20, 30}, {255, 0, 128}, {40, 50, 60}};
    const Bytes good = test::makePng(64, 64, [](int x, int y) { return static_cast<std::uint32_t>(x * 977 + y * 31337); });
    // Sizes are big-endian; the header checksum (over bytes 12..28) is made right again.
    const auto sized = [&](std::uint32_t w, std::uint32_t h) {
        return edited(good, [w, h](Bytes& b) {
            test::put32(b, 16, w);
            test::put32(b, 20, h);
            const uLong crc = crc32(0, b.data() + 12, 17);
            for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        });
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    expectDecoded(DecodePng, {
        {"alpha kept exactly, never keyed",
         test::makePng(3, 1, [](int x, int) { return 0x8000FFu | std::array{0u, 1u, 254u}[x] << 24; }, true),
         "Decoded 3x1 keyed 1 255,0,128,0 255,0,128,1 255,0,128,254"},
        {"RGB keyed", test::makePng(2, 1, [](int x, int) { return x == 0 ? 0x8000FFu : 0x8001FFu; }),
         "Decoded 2x1 keyed 0 0,0,0,0 255,1,128,255"},
        {"grey is never keyed", test::makePng({4, 1, PNG_COLOR_TYPE_GRAY, 2, false, {}, {}, [](int) { return Bytes{0x1B}; }}),
         "Decoded 4x1 keyed 0 0,0,0,255 85,85,85,255 170,170,170,255 255,255,255,255", 0},
        {"16 bits keep the high byte",
         test::makePng({1, 1, PNG_COLOR_TYPE_RGB, 16, false, {}, {}, [](int) { return Bytes{0xAB, 0xCD, 0x12, 0x34, 0xFF, 0x00}; }}),
         "Decoded 1x1 keyed 0 171,18,255,255"},
        {"interlaced", test::makePng(13, 11, [](int x, int y) { return std::uint32_t(x * 9 + (y << 8)); }, false, true),
         "Decoded 13x11 keyed 0 0,0,0,255 9,0,0,255 18,0,0,255 27,0,0,255 36,0,0,255 45,0,0,255"},
        {"palette", test::makePng({3, 1, PNG_COLOR_TYPE_PALETTE, 4, false, palette, {}, [](int) { return Bytes{0x01, 0x20}; }}),
         "Decoded 3x1 keyed 0 10,20,30,255 0,0,0,0 40,50,60,255"},
        {"tRNS becomes an alpha channel",
         test::makePng({3, 1, PNG_COLOR_TYPE_PALETTE, 4, false, palette, {255, 255, 77}, [](int) { return Bytes{0x01, 0x20}; }}),
         "Decoded 3x1 keyed 1 10,20,30,255 255,0,128,255 40,50,60,77"},
        {"grey and alpha", test::makePng({1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {}, {}, [](int) { return Bytes{100, 200}; }}),
         "Failed", 0},
        {"cut inside the pixel data", edited(good, [](Bytes& b) { b.resize(b.size() / 2); }), "Failed"},
        {"width 40000", sized(0x409C0000, 0x40000000), "Failed"},
        {"30000 x 30000", sized(0x30750000, 0x30750000), "Failed"},
        {"signature cut short", {0x89, 'P', 'N'}, "NotRecognised"},
    });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "libpng's own messages are silenced";
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "File in.png has unsupported color type.\n"
              "Types GRAY, RGB and RGB_ALPHA are supported.\n");
}

TEST(JpegDecoder, GreyAndRgbUnkeyedOtherChannelCountsLoggedMalformedFilesFailed) {
    DecodedImage image;
    const Bytes rgb = test::makeJpeg(32, 16, {200, 40, 90});
    ASSERT_EQ(DecodeJpeg(rgb, DecodeOptions{kKey}, image), DecodeStatus::Decoded);
    ASSERT_EQ(image.width * 100 + image.height, 3216);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(pixelAt(image, 20, 9)[c], (std::array{200, 40, 90, 255}[c]), 3) << c;

    ASSERT_FALSE(test::useScratchTempDir().empty());
    ::testing::internal::CaptureStderr();
    expectDecoded(DecodeJpeg, {
        {"black is never keyed", test::makeJpeg(1, 1, {0}), "Decoded 1x1 keyed 0 0,0,0,255", 0},
        {"2 channels", test::makeJpeg(8, 8, {128, 128}), "Failed"},
        {"cut short", Bytes(rgb.begin(), rgb.begin() + 30), "Failed"},
        {"one byte", {0xFF}, "NotRecognised"},
    });
    const Bytes noFrame = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_EQ(DecodeJpeg(noFrame, DecodeOptions{}, image), DecodeStatus::Failed) << "no frame";
    EXPECT_EQ(image.byteCount(), 0u) << "a failure after a good one leaves no picture";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(test::readText(LogPath()), "JPEG: Channels: 2 not supported!\n");
}

TEST(ImageFiles, DecodersAreTriedInOrderOnFilesAndMemoryFiles) {
    test::ScratchFolder dir;
    test::writeBytes(dir / "b.jpg", test::makeJpeg(8, 8, {99}));
    MemoryFile memory(test::makePng(4, 1, [](int, int) { return 0x0A0B0Cu; }));
    const auto rs = [](const std::string& s) { return RuntimeString(std::string_view(s)); };
    const std::tuple<RuntimeString, DecoderSet, int> cases[] = {
        {rs(dir / "b.jpg"), DecoderSet::Sprite, 8}, {rs(dir / "b.jpg"), DecoderSet::Font, -1},
        {rs(dir.path().string()), DecoderSet::Sprite, -1},  // a folder is not a file
        {memory.name(), DecoderSet::Font, 4}, {RuntimeString("mem://       4.       0"), DecoderSet::Sprite, -1}};
    for (const auto& [name, set, width] : cases) {
        DecodedImage image;
        EXPECT_EQ(DecodeImageFile(name, set, 0, image) ? image.width : -1, width) << name.c_str();
    }
}

}  // namespace
}  // namespace qvt
