// The image decoders and writers on bytes: every BMP layout, the PNG and JPEG rules, the
// colour key, malformed files, the edge-colour pass and the writers' round trips.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/log.h"
#include "files/memfile.h"
#include "gfx/context.h"
#include "gfx/image_decode.h"
#include "gfx/image_encode.h"
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

DecodeOptions withKey(std::uint32_t key, const char* name = "test") {
    DecodeOptions o;
    o.key = key;
    o.name = name;
    return o;
}

std::span<const std::uint8_t> span(const Bytes& b) {
    return {b.data(), b.size()};
}

// ---- BMP -----------------------------------------------------------------------------------

// A colour per pixel that survives 5-bit channels exactly when bits is 16.
std::uint32_t directColour(int x, int y) {
    const std::uint32_t r = static_cast<std::uint32_t>(x * 40 + 8),
                        g = static_cast<std::uint32_t>(y * 64 + 16);
    const std::uint32_t b = 248 - static_cast<std::uint32_t>(x * 32);
    return r | (g << 8) | (b << 16);
}
Rgba expectedDirect(int bits, std::uint32_t c) {
    int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    if (bits == 16) {
        r = (r >> 3) * 255 / 31;
        g = (g >> 3) * 255 / 31;
        b = (b >> 3) * 255 / 31;
    }
    return {r, g, b, 255};
}

test::BmpLayout patternBmp(int bits, bool topDown) {
    test::BmpLayout s;
    s.width = 5;  // odd, so rows carry padding at every depth
    s.height = 3;
    s.bits = bits;
    s.topDown = topDown;
    if (bits <= 8) {
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) {
            s.palette.push_back({static_cast<std::uint8_t>(i * 7),
                                 static_cast<std::uint8_t>(255 - i),
                                 static_cast<std::uint8_t>(i * 3 + 1)});
        }
        s.pixel = [entries](int x, int y) {
            return static_cast<std::uint32_t>((x + 2 * y) % entries);
        };
    } else {
        s.pixel = directColour;
    }
    return s;
}

TEST(BmpDecoder, ReadsEveryBitDepthBottomUpAndTopDown) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            const test::BmpLayout layout = patternBmp(bits, topDown);
            DecodedImage image;
            ASSERT_EQ(DecodeBmp(span(test::makeBmp(layout)), withKey(kDefaultSpriteKey), image),
                      DecodeStatus::Decoded)
                << bits << " bits, top-down " << topDown;
            ASSERT_EQ(image.width, 5);
            ASSERT_EQ(image.height, 3);
            EXPECT_EQ(image.keyed, 0);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    Rgba want;
                    if (bits <= 8) {
                        const test::Rgb8 c = layout.palette[layout.pixel(x, y)];
                        want = {c.r, c.g, c.b, 255};
                    } else {
                        want = expectedDirect(bits, directColour(x, y));
                    }
                    EXPECT_EQ(pixelAt(image, x, y), want)
                        << bits << " bits, top-down " << topDown << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpDecoder, ReadsCoreHeadersIncludingTheOneBitPalette) {
    // A 1-bit core file's block is only 18 bytes; its palette must still be read.
    for (int bits : {1, 8, 24}) {
        test::BmpLayout layout = patternBmp(bits, false);
        layout.coreHeader = true;
        DecodedImage image;
        ASSERT_EQ(DecodeBmp(span(test::makeBmp(layout)), withKey(kDefaultSpriteKey), image),
                  DecodeStatus::Decoded)
            << bits << " bits";
        const Rgba want = bits <= 8
                              ? Rgba{layout.palette[1].r, layout.palette[1].g, layout.palette[1].b, 255}
                              : expectedDirect(bits, directColour(1, 0));
        EXPECT_EQ(pixelAt(image, 1, 0), want) << bits << " bits";
    }
}

TEST(BmpDecoder, ColourKeyPixelsBecomeTransparentBlack) {
    test::BmpLayout layout;
    layout.width = 3;
    layout.bits = 24;
    layout.pixel = [](int x, int) { return x == 0 ? 0x8000FFu : x == 1 ? 0u : 0x123456u; };
    const Bytes file = test::makeBmp(layout);
    DecodedImage image;
    ASSERT_EQ(DecodeBmp(span(file), withKey(kDefaultSpriteKey), image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0})) << "magenta (255, 0, 128) is the key";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), (Rgba{0x56, 0x34, 0x12, 255}));

    ASSERT_EQ(DecodeBmp(span(file), withKey(0), image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{255, 0, 128, 255})) << "with key 0 magenta stays";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 0})) << "and black goes";

    test::BmpLayout indexed = patternBmp(8, false);
    indexed.palette[3] = {255, 0, 128};
    ASSERT_EQ(DecodeBmp(span(test::makeBmp(indexed)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 3, 0), (Rgba{0, 0, 0, 0})) << "a keyed palette entry";
}

TEST(BmpDecoder, AcceptsStandardBitfieldsOnly) {
    test::BmpLayout layout = patternBmp(32, false);
    Bytes file = test::makeBmp(layout);
    // Insert the three masks after the 40-byte header: offset grows by 12.
    const Bytes masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    file.insert(file.begin() + 54, masks.begin(), masks.end());
    test::put32(file, 10, 66);
    test::put32(file, 30, 3);
    DecodedImage image;
    ASSERT_EQ(DecodeBmp(span(file), withKey(kDefaultSpriteKey), image), DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 2, 1), expectedDirect(32, directColour(2, 1)));

    test::put32(file, 54, 0x0000FF);  // red mask where blue should be: not a plain layout
    EXPECT_EQ(DecodeBmp(span(file), withKey(kDefaultSpriteKey), image), DecodeStatus::Failed);
}

TEST(BmpDecoder, MalformedFilesFailCleanly) {
    const Bytes good = test::makeBmp(patternBmp(8, false));  // offset 14 + 40 + 1024
    struct Case {
        const char* what;
        std::function<void(Bytes&)> spoil;
    };
    const Case cases[] = {
        {"data offset past the end",
         [](Bytes& b) { test::put32(b, 10, static_cast<std::uint32_t>(b.size() + 1)); }},
        {"data offset inside the file header", [](Bytes& b) { test::put32(b, 10, 10); }},
        {"header size 108", [](Bytes& b) { test::put32(b, 14, 108); }},
        {"2 bits per pixel", [](Bytes& b) { test::put16(b, 28, 2); }},
        {"zero width", [](Bytes& b) { test::put32(b, 18, 0); }},
        {"negative width", [](Bytes& b) { test::put32(b, 18, 0xFFFFFFFBu); }},
        {"height -2^31", [](Bytes& b) { test::put32(b, 22, 0x80000000u); }},
        {"width * height far beyond the data",
         [](Bytes& b) {
             test::put32(b, 18, 30000);
             test::put32(b, 22, 30000);
         }},
        {"one byte short", [](Bytes& b) { b.pop_back(); }},
        {"run-length compression", [](Bytes& b) { test::put32(b, 30, 1); }},
        {"truncated header", [](Bytes& b) { b.resize(20); }},
        {"palette index beyond a 4-entry palette",
         [](Bytes& b) {
             // Keep 4 palette entries: the pixel data moves up, the offset with it.
             b.erase(b.begin() + 54 + 16, b.begin() + 54 + 1024);
             test::put32(b, 10, 54 + 16);
         }},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        c.spoil(file);
        DecodedImage image;
        EXPECT_EQ(DecodeBmp(span(file), withKey(kDefaultSpriteKey), image), DecodeStatus::Failed)
            << c.what;
        EXPECT_EQ(image.byteCount(), 0u) << c.what;
    }
    DecodedImage image;
    EXPECT_EQ(DecodeBmp(span(Bytes{'B', 'X', 0, 0}), withKey(0), image),
              DecodeStatus::NotRecognised);
    EXPECT_EQ(DecodeBmp(span(Bytes{'B'}), withKey(0), image), DecodeStatus::NotRecognised);
}

// ---- PNG -----------------------------------------------------------------------------------

TEST(PngDecoder, FourChannelsKeepTheirAlphaExactlyAndAreNotKeyed) {
    const std::uint32_t alphas[] = {0, 1, 127, 254, 255};
    const Bytes file = test::makeRgbaPng(5, 2, [&](int x, int y) {
        const std::uint32_t colour = y == 0 ? 0x8000FFu : 0x102030u;  // row 0 in the key colour
        return colour | (alphas[x] << 24);
    });
    DecodedImage image;
    ASSERT_EQ(DecodePng(span(file), withKey(kDefaultSpriteKey), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 1);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(pixelAt(image, x, 0), (Rgba{255, 0, 128, static_cast<int>(alphas[x])})) << x;
        EXPECT_EQ(pixelAt(image, x, 1), (Rgba{0x30, 0x20, 0x10, static_cast<int>(alphas[x])})) << x;
    }
}

TEST(PngDecoder, RgbIsKeyedAndGreyNeverIs) {
    const Bytes rgb =
        test::makeRgbPng(2, 1, [](int x, int) { return x == 0 ? 0x8000FFu : 0x8001FFu; });
    DecodedImage image;
    ASSERT_EQ(DecodePng(span(rgb), withKey(kDefaultSpriteKey), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{255, 1, 128, 255})) << "one step off the key";

    test::PngLayout grey;
    grey.width = 2;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.row = [](int) { return Bytes{0, 200}; };
    ASSERT_EQ(DecodePng(span(test::makePng(grey)), withKey(0), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 255})) << "black grey is not keyed by key 0";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{200, 200, 200, 255}));
}

TEST(PngDecoder, ExpandsAndStripsToEightBits) {
    DecodedImage image;
    test::PngLayout deep;
    deep.width = 1;
    deep.bitDepth = 16;
    deep.row = [](int) { return Bytes{0xAB, 0xCD, 0x12, 0x34, 0xFF, 0x00}; };
    ASSERT_EQ(DecodePng(span(test::makePng(deep)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0xAB, 0x12, 0xFF, 255}))
        << "16-bit samples keep their high byte";

    test::PngLayout low;
    low.width = 4;
    low.colourType = PNG_COLOR_TYPE_GRAY;
    low.bitDepth = 2;
    low.row = [](int) { return Bytes{0x1B}; };  // 0, 1, 2, 3
    ASSERT_EQ(DecodePng(span(test::makePng(low)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(image, x, 0)[0], x * 85) << "2-bit grey " << x;

    test::PngLayout palette;
    palette.width = 3;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.bitDepth = 4;
    palette.palette = {{10, 20, 30}, {255, 0, 128}, {40, 50, 60}};
    palette.row = [](int) { return Bytes{0x01, 0x20}; };  // 0, 1, 2
    ASSERT_EQ(DecodePng(span(test::makePng(palette)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 0})) << "a palette becomes RGB, so it is keyed";
    EXPECT_EQ(pixelAt(image, 2, 0), (Rgba{40, 50, 60, 255}));

    palette.transparency = {255, 255, 77};
    ASSERT_EQ(DecodePng(span(test::makePng(palette)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 1) << "tRNS becomes an alpha channel";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), (Rgba{40, 50, 60, 77}));
}

TEST(PngDecoder, InterlacedEqualsPlain) {
    const auto colour = [](int x, int y) {
        return static_cast<std::uint32_t>(x * 9 + (y * 5 << 8) + 0x400000);
    };
    test::PngLayout s;
    s.width = 13;
    s.height = 11;
    s.row = [&](int y) {
        Bytes r;
        for (int x = 0; x < 13; ++x) {
            const std::uint32_t v = colour(x, y);
            r.insert(r.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16)});
        }
        return r;
    };
    s.interlaced = true;
    DecodedImage image;
    ASSERT_EQ(DecodePng(span(test::makePng(s)), withKey(kDefaultSpriteKey), image),
              DecodeStatus::Decoded);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            const std::uint32_t v = colour(x, y);
            ASSERT_EQ(pixelAt(image, x, y),
                      (Rgba{static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                            static_cast<int>(v >> 16), 255}))
                << x << "," << y;
        }
    }
}

TEST(PngDecoder, GreyWithAlphaIsRefusedWithItsMessage) {
    test::PngLayout s;
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.row = [](int) { return Bytes{100, 200}; };
    DecodedImage image;
    ::testing::internal::CaptureStdout();
    const DecodeStatus status =
        DecodePng(span(test::makePng(s)), withKey(0, "Media/ga.png"), image);
    const std::string err = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, DecodeStatus::Failed);
    EXPECT_EQ(err,
              "File Media/ga.png has unsupported color type.\n"
              "Types GRAY, RGB and RGB_ALPHA are supported.\n");
}

// The IHDR checksum after its fields were changed (bytes 12..28, stored big-endian).
void fixHeaderCrc(Bytes& b) {
    const uLong crc = crc32(0, b.data() + 12, 17);
    for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

TEST(PngDecoder, MalformedFilesFailQuietly) {
    const Bytes good = test::makeRgbPng(
        64, 64, [](int x, int y) { return static_cast<std::uint32_t>(x * 977 + y * 31337); });
    struct Case {
        const char* what;
        std::function<void(Bytes&)> spoil;
    };
    const Case cases[] = {
        {"cut inside the pixel data", [](Bytes& b) { b.resize(b.size() / 2); }},
        {"cut inside the header", [](Bytes& b) { b.resize(20); }},
        {"header checksum broken", [](Bytes& b) { b[29] ^= 0xFF; }},
        {"first signature byte wrong", [](Bytes& b) { b[0] = 0; }},
        // Sizes are big-endian; the header checksum is made right again.
        {"width 40000 (beyond any sprite)",
         [](Bytes& b) {
             test::put32(b, 16, 0x409C0000);
             fixHeaderCrc(b);
         }},
        {"30000 x 30000 (beyond the pixel limit)",
         [](Bytes& b) {
             test::put32(b, 16, 0x30750000);
             test::put32(b, 20, 0x30750000);
             fixHeaderCrc(b);
         }},
        {"width 0",
         [](Bytes& b) {
             test::put32(b, 16, 0);
             fixHeaderCrc(b);
         }},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        c.spoil(file);
        DecodedImage image;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(DecodePng(span(file), withKey(0), image), DecodeStatus::Failed) << c.what;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "")
            << c.what << ": libpng's own messages are silenced";
        EXPECT_EQ(image.byteCount(), 0u) << c.what;
    }
    DecodedImage image;
    EXPECT_EQ(DecodePng(span(Bytes{0x89, 'P', 'N'}), withKey(0), image),
              DecodeStatus::NotRecognised);
    EXPECT_EQ(DecodePng(span(Bytes{'B', 'M', 0, 0, 0}), withKey(0), image),
              DecodeStatus::NotRecognised);
}

TEST(PngDecoder, ReusesTheBufferOfThePreviousImage) {
    DecodedImage image;
    ASSERT_EQ(DecodePng(span(test::makeRgbPng(32, 32, [](int, int) { return 0x112233u; })),
                        withKey(0), image),
              DecodeStatus::Decoded);
    const std::uint8_t* buffer = image.pixels.data();
    ASSERT_EQ(DecodePng(span(test::makeRgbPng(8, 8, [](int, int) { return 0x445566u; })),
                        withKey(0), image),
              DecodeStatus::Decoded);
    EXPECT_EQ(image.pixels.data(), buffer) << "a smaller picture fits the old buffer";
    EXPECT_EQ(image.byteCount(), 8u * 8 * 4);
    EXPECT_EQ(pixelAt(image, 7, 7), (Rgba{0x66, 0x55, 0x44, 255}));
}

// ---- JPEG ----------------------------------------------------------------------------------

TEST(JpegDecoder, ReadsGreyAndRgbWithoutKeying) {
    DecodedImage image;
    const Bytes grey = test::makeJpeg(16, 16, 1, Bytes(16 * 16, 0));
    ASSERT_EQ(DecodeJpeg(span(grey), withKey(0), image), DecodeStatus::Decoded);
    EXPECT_EQ(image.keyed, 0);
    EXPECT_EQ(pixelAt(image, 5, 5), (Rgba{0, 0, 0, 255})) << "black is never keyed in a JPEG";

    Bytes samples;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) samples.insert(samples.end(), {200, 40, 90});
    }
    const Bytes rgb = test::makeJpeg(32, 16, 3, samples);
    ASSERT_EQ(DecodeJpeg(span(rgb), withKey(0), image), DecodeStatus::Decoded);
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 16);
    const Rgba p = pixelAt(image, 20, 9);
    EXPECT_NEAR(p[0], 200, 3);
    EXPECT_NEAR(p[1], 40, 3);
    EXPECT_NEAR(p[2], 90, 3);
    EXPECT_EQ(p[3], 255);
}

TEST(JpegDecoder, OtherChannelCountsAreLoggedAndRefused) {
    const std::string dir = test::useScratchTempDir();
    ASSERT_FALSE(dir.empty());
    // Two components (libjpeg writes them as an unknown colour space).
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 2;
    info.in_color_space = JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    Bytes row(16, 128);
    while (info.next_scanline < 8) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const Bytes file(buffer, buffer + size);
    free(buffer);

    DecodedImage image;
    EXPECT_EQ(DecodeJpeg(span(file), withKey(0), image), DecodeStatus::Failed);
    const std::string message = "JPEG: Channels: 2 not supported!\n";
    EXPECT_EQ(test::readBytes(LogPath()), Bytes(message.begin(), message.end()));
}

constexpr std::uint8_t kStartOfFrame[] = {0xFF, 0xC0};

TEST(JpegDecoder, MalformedFilesFailQuietly) {
    Bytes samples(16 * 16 * 3, 77);
    const Bytes good = test::makeJpeg(16, 16, 3, samples);
    DecodedImage image;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DecodeJpeg(span(Bytes{0xFF, 0xD8, 0xFF, 0xD9}), withKey(0), image),
              DecodeStatus::Failed)
        << "no frame header";
    EXPECT_EQ(DecodeJpeg(span(Bytes(good.begin(), good.begin() + 30)), withKey(0), image),
              DecodeStatus::Failed)
        << "cut inside the tables";
    Bytes noWidth = good;
    const auto frame = std::search(noWidth.begin(), noWidth.end(), std::begin(kStartOfFrame),
                                   std::end(kStartOfFrame));
    ASSERT_NE(frame, noWidth.end());
    frame[7] = frame[8] = 0;  // marker 2, length 2, precision 1, height 2, width 2
    ASSERT_EQ(DecodeJpeg(span(good), withKey(0), image), DecodeStatus::Decoded);
    EXPECT_EQ(DecodeJpeg(span(noWidth), withKey(0), image), DecodeStatus::Failed) << "width 0";
    EXPECT_EQ(image.byteCount(), 0u);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(DecodeJpeg(span(Bytes{0xFF}), withKey(0), image), DecodeStatus::NotRecognised);
}

// ---- Files and the decoder order ------------------------------------------------------------

TEST(ImageFiles, DecodersAreTriedInOrderOnFilesAndMemoryFiles) {
    test::ScratchDir dir;
    const std::string png =
        dir.write("a.png", test::makeRgbPng(3, 2, [](int, int) { return 0x010203u; }));
    const std::string jpeg = dir.write("b.jpg", test::makeJpeg(8, 8, 1, Bytes(64, 99)));
    const std::string text = dir.write("c.bmp", Bytes{'h', 'e', 'l', 'l', 'o'});
    std::filesystem::create_directory(dir.file("sub"));
    dir.write("sub/d.bmp", test::makeBmp(patternBmp(24, false)));

    DecodedImage image;
    EXPECT_TRUE(DecodeImageFile(RuntimeString(png.c_str()), DecoderSet::Sprite, 0, image));
    EXPECT_EQ(image.width, 3);
    EXPECT_TRUE(DecodeImageFile(RuntimeString(jpeg.c_str()), DecoderSet::Sprite, 0, image));
    EXPECT_EQ(image.width, 8);
    EXPECT_FALSE(DecodeImageFile(RuntimeString(jpeg.c_str()), DecoderSet::Font, 0, image))
        << "fonts have no JPEG decoder";
    EXPECT_FALSE(DecodeImageFile(RuntimeString(text.c_str()), DecoderSet::Sprite, 0, image));
    EXPECT_FALSE(
        DecodeImageFile(RuntimeString(dir.file("none.png").c_str()), DecoderSet::Sprite, 0, image));
    EXPECT_FALSE(DecodeImageFile(RuntimeString(dir.path().c_str()), DecoderSet::Sprite, 0, image))
        << "a folder is not an image";
    const std::string backslashed = dir.path() + "\\sub\\d.bmp";
    EXPECT_TRUE(DecodeImageFile(RuntimeString(backslashed.c_str()), DecoderSet::Sprite, 0, image));

    MemoryFile memory(test::makeRgbPng(4, 1, [](int, int) { return 0x0A0B0Cu; }));
    ASSERT_TRUE(DecodeImageFile(memory.name(), DecoderSet::Font, 0, image));
    EXPECT_EQ(pixelAt(image, 3, 0), (Rgba{0x0C, 0x0B, 0x0A, 255}));
    EXPECT_FALSE(
        DecodeImageFile(RuntimeString("mem://       4.       0"), DecoderSet::Sprite, 0, image))
        << "a made-up memory name reads nothing";
}

// ---- Edge colours --------------------------------------------------------------------------

TEST(EdgeColours, TransparentPixelsTakeTheMeanOfInnerOpaqueNeighbours) {
    // 5 x 3: row 1 holds red (border), blue 200, green 100, a hole, white (border).
    const std::uint32_t row1[5] = {0xFF0000FFu, 0xFFC80000u, 0xFF006400u, 0x00000000u, 0xFFFFFFFFu};
    DecodedImage image;
    image.width = 5;
    image.height = 3;
    image.pixels.assign(image.byteCount(), 0);
    for (int x = 0; x < 5; ++x) {
        for (int c = 0; c < 4; ++c)
            image.pixels[(5 + x) * 4 + c] = static_cast<std::uint8_t>(row1[x] >> (8 * c));
    }
    image.pixels[0] = 77;  // a transparent pixel's old colour does not survive
    FillEdgeColours(image);
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 200, 0})) << "the red border pixel does not count";
    EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 50, 100, 0})) << "mean of blue 200 and green 100";
    EXPECT_EQ(pixelAt(image, 3, 1), (Rgba{0, 100, 0, 0})) << "white on the border does not count";
    EXPECT_EQ(pixelAt(image, 4, 2), (Rgba{0, 0, 0, 0}))
        << "the hole filled earlier is still transparent, so no neighbour counts";
    EXPECT_EQ(pixelAt(image, 1, 1), (Rgba{0, 0, 200, 255})) << "opaque pixels are untouched";
}

// ---- Writers -------------------------------------------------------------------------------

DecodedImage gradient(int width, int height) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(image.byteCount());
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 5);
    return image;
}

TEST(ImageWriters, PngRoundTripIsExact) {
    const DecodedImage original = gradient(7, 5);
    const Bytes file = EncodePng(original);
    DecodedImage back;
    ASSERT_EQ(DecodePng(span(file), withKey(kDefaultSpriteKey), back), DecodeStatus::Decoded);
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.pixels, original.pixels);
}

TEST(ImageWriters, BmpIsUncompressed24BitBottomUp) {
    DecodedImage original = gradient(5, 3);
    const Bytes file = EncodeBmp(original);
    const std::size_t stride = 16;  // 5 * 3 = 15, padded
    ASSERT_EQ(file.size(), 54 + stride * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | file[3] << 8, static_cast<int>(file.size()));
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(file[14], 40);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(file[38] | file[39] << 8, 10000) << "pixels per metre";
    EXPECT_EQ(file[54], original.pixels[(2 * 5) * 4 + 2])
        << "first stored row is the bottom one, blue first";

    DecodedImage back;
    ASSERT_EQ(DecodeBmp(span(file), withKey(0xFFFFFFFF), back), DecodeStatus::Decoded);
    for (std::size_t i = 0; i < original.pixels.size(); i += 4) original.pixels[i + 3] = 255;
    EXPECT_EQ(back.pixels, original.pixels) << "colours exact, alpha dropped";
}

TEST(ImageWriters, JpegDecodesCloseToTheOriginal) {
    DecodedImage flat;
    flat.width = 24;
    flat.height = 8;
    flat.pixels.resize(flat.byteCount());
    for (std::size_t i = 0; i < flat.pixels.size(); i += 4) {
        flat.pixels[i] = 30;
        flat.pixels[i + 1] = 160;
        flat.pixels[i + 2] = 220;
        flat.pixels[i + 3] = 9;
    }
    DecodedImage back;
    ASSERT_EQ(DecodeJpeg(span(EncodeJpeg(flat)), withKey(0), back), DecodeStatus::Decoded);
    const Rgba p = pixelAt(back, 11, 4);
    EXPECT_NEAR(p[0], 30, 4);
    EXPECT_NEAR(p[1], 160, 4);
    EXPECT_NEAR(p[2], 220, 4);
    EXPECT_EQ(p[3], 255) << "alpha is not stored";
    EXPECT_TRUE(EncodeJpeg(DecodedImage{}).empty());
}

TEST(ImageWriters, FormatFollowsThePathsEnding) {
    EXPECT_EQ(FormatForPath("shot.png"), ImageFormat::Png);
    EXPECT_EQ(FormatForPath("SHOT.PnG"), ImageFormat::Png);
    EXPECT_EQ(FormatForPath("shotpng"), ImageFormat::Bmp) << "png needs its dot";
    EXPECT_EQ(FormatForPath("shot.jpg"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("shotJPG"), ImageFormat::Jpeg) << "jpg needs none";
    EXPECT_EQ(FormatForPath("shot.jpeg"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("shot.png.bmp"), ImageFormat::Bmp);
    EXPECT_EQ(FormatForPath("shot"), ImageFormat::Bmp);
    EXPECT_EQ(FormatForPath(""), ImageFormat::Bmp);
}

// ---- fidelity

// A refused PNG says why on standard output, as a console tool of the platform would.
TEST(PngDecoder, RefusalGoesToStandardOutput) {
    test::PngLayout s;
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.row = [](int) { return Bytes{100, 200}; };
    DecodedImage image;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DecodePng(span(test::makePng(s)), withKey(0, "ga.png"), image), DecodeStatus::Failed);
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "File ga.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");
    EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace qvt
