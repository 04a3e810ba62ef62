// Loading sprites from files and packs into textures, the last-error rules, and saving
// sprites and the screen back to image files.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/errors.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "files/resolver.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/image_decode.h"
#include "gfx/sprites.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Bytes;
using Rgba = std::array<int, 4>;

RuntimeString rs(const std::string& s) {
    return RuntimeString(std::string_view(s));
}

class SpriteLoadTest : public test::GlTest {
protected:
    void TearDown() override {
        ReleaseMediaResolvers();
        GlTest::TearDown();
    }
    static const SpriteRecord& record(int id) {
        return graphics()->sprites[static_cast<std::size_t>(id)];
    }

    // Level 0 of the slot's texture, rows in texture order (bottom of the picture first).
    static std::vector<std::uint8_t> texels(int id) {
        const SpriteRecord& rec = record(id);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(rec.textureWidth) *
                                      rec.textureHeight * 4);
        glBindTexture(GL_TEXTURE_2D, rec.texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
    // The texel showing picture pixel (x, y), y from the top.
    static Rgba picturePixel(int id, int x, int y) {
        const SpriteRecord& rec = record(id);
        const std::vector<std::uint8_t> t = texels(id);
        const std::size_t i =
            (static_cast<std::size_t>(rec.height - 1 - y) * rec.textureWidth + x) * 4;
        return {t[i], t[i + 1], t[i + 2], t[i + 3]};
    }
    // Loads a file and expects success.
    void load(const std::string& path, int id) {
        LoadSpriteFile(rs(path), id);
        ASSERT_EQ(LastErrorCode(), 0) << path;
        ASSERT_NE(record(id).texture, 0u) << path;
    }

    test::ScratchDir dir;
};

TEST_F(SpriteLoadTest, TexturesArePaddedToPowersOfTwo) {
    load(dir.write("a.png", test::makeRgbPng(20, 10, [](int, int) { return 0x336699u; })), 1);
    EXPECT_EQ(record(1).textureWidth, 32);
    EXPECT_EQ(record(1).textureHeight, 16);
    EXPECT_FLOAT_EQ(record(1).uExtent, 0.625f);
    EXPECT_FLOAT_EQ(record(1).vExtent, 0.625f);

    test::BmpLayout one;
    load(dir.write("b.bmp", test::makeBmp(one)), 2);
    EXPECT_EQ(record(2).textureWidth, 16);
    EXPECT_EQ(record(2).textureHeight, 16);
    int w = 0, h = 0;
    GetSpriteSize(2, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);

    load(dir.write("c.jpg", test::makeJpeg(17, 3, 1, Bytes(17 * 3, 200))), 3);
    EXPECT_EQ(record(3).textureWidth, 32);
    EXPECT_EQ(picturePixel(3, 16, 2)[3], 255);
}

TEST_F(SpriteLoadTest, KeyedBmpPixelsAreTransparentUntilTheKeyChanges) {
    test::BmpLayout layout;
    layout.width = 3;
    layout.height = 3;
    // A magenta ring around a black centre.
    layout.pixel = [](int x, int y) { return x == 1 && y == 1 ? 0u : 0x8000FFu; };
    const std::string path = dir.write("ring.bmp", test::makeBmp(layout));
    load(path, 1);
    EXPECT_EQ(picturePixel(1, 0, 0), (Rgba{0, 0, 0, 0}))
        << "magenta is keyed and takes the black centre's colour";
    EXPECT_EQ(picturePixel(1, 1, 1), (Rgba{0, 0, 0, 255}));

    SetColourKey(0);
    load(path, 1);
    EXPECT_EQ(picturePixel(1, 0, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(picturePixel(1, 1, 1)[3], 0) << "black is the key now";
}

TEST_F(SpriteLoadTest, KeyedHolesTakeTheirNeighboursColourButAlphaImagesAreLeftAlone) {
    // 4 x 4 RGB: the inner 2 x 2 opaque (red, green / blue, white), the border in the key.
    const auto inner = [](int x, int y) -> std::uint32_t {
        if (x < 1 || x > 2 || y < 1 || y > 2) return 0x8000FF;
        const std::uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
        return colours[(y - 1) * 2 + (x - 1)];
    };
    load(dir.write("rgb.png", test::makeRgbPng(4, 4, inner)), 1);
    EXPECT_EQ(picturePixel(1, 0, 0), (Rgba{255, 0, 0, 0})) << "the corner sees only red";
    EXPECT_EQ(picturePixel(1, 1, 0), (Rgba{127, 127, 0, 0})) << "red and green, rounded down";

    load(dir.write("rgba.png", test::makeRgbaPng(4, 4,
                                                 [&](int x, int y) {
                                                     const std::uint32_t c = inner(x, y);
                                                     return c == 0x8000FF ? 0x00302010u
                                                                          : (c | 0xFF000000u);
                                                 })),
         2);
    EXPECT_EQ(picturePixel(2, 0, 0), (Rgba{0x10, 0x20, 0x30, 0}))
        << "file alpha: no edge-colour pass";
}

TEST_F(SpriteLoadTest, FailuresEmptyTheSlotAndSetTheirCodes) {
    const std::string good =
        dir.write("good.png", test::makeRgbPng(8, 8, [](int, int) { return 0x123456u; }));
    const auto loaded = [&] { load(good, 5); };

    loaded();
    SetLastError(kErrOutOfBounds);
    LoadSpriteFile("", 5);
    EXPECT_EQ(LastErrorCode(), 0) << "an empty path is not an error";
    EXPECT_EQ(record(5).texture, 0u);
    EXPECT_EQ(record(5).width, 0);

    loaded();
    LoadSpriteFile(rs(dir.file("missing.png")), 5);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(record(5).texture, 0u) << "the old picture is gone";

    Bytes bmp = test::makeBmp(test::BmpLayout{});
    test::put32(bmp, 10, 5000);  // pixel data past the end
    Bytes png = test::makeRgbPng(8, 8, [](int, int) { return 0u; });
    png.resize(png.size() - 30);
    Bytes jpeg = test::makeJpeg(8, 8, 1, Bytes(64, 1));
    jpeg.resize(40);
    for (const auto& [name, bytes] :
         {std::pair{"bad.bmp", bmp}, std::pair{"bad.png", png}, std::pair{"bad.jpg", jpeg},
          std::pair{"text.png", Bytes{'h', 'i'}}}) {
        loaded();
        LoadSpriteFile(rs(dir.write(name, bytes)), 5);
        EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << name;
        EXPECT_EQ(record(5).texture, 0u) << name;
    }

    loaded();
    LoadSpriteFile(rs(good), 65536);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "id beyond the table";
    LoadSpriteFile(rs(good), -1);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    EXPECT_NE(record(5).texture, 0u) << "a rejected id touches nothing";
    EXPECT_EQ(record(65536).texture, 0u);
}

TEST_F(SpriteLoadTest, PackEntriesLoadByTheNamesTheGameUses) {
    std::vector<PackFile> files = {
        {"pell/ship.png", test::makeRgbPng(12, 6, [](int, int) { return 0x00FF00u; })},
        {"orvelsoft.bmp", test::makeBmp(test::BmpLayout{})},
    };
    Bytes pack;
    std::string error;
    ASSERT_TRUE(BuildMediaPack(files, PackFormat::Lzo, pack, error)) << error;
    // The pack appended to something else, as it is to the game's executable.
    Bytes exe(3000 + pack.size(), 0x90);
    std::copy(pack.begin(), pack.end(), exe.begin() + 3000);
    MemoryFile packed(std::move(exe));
    SetMediaPacks(packed.name(), "");

    load("pell/ship.png", 1);
    EXPECT_EQ(record(1).width, 12);
    EXPECT_EQ(picturePixel(1, 11, 5), (Rgba{0, 255, 0, 255}));
    load("Media/pell/ship.png", 2);
    EXPECT_EQ(record(2).height, 6);
    load("orvelsoft.bmp", 3);
    LoadSpriteFile("pell/none.png", 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
}

// ---- Saving --------------------------------------------------------------------------------

TEST_F(SpriteLoadTest, SavedPngIsThePictureExactly) {
    const auto colour = [](int x, int y) {
        return static_cast<std::uint32_t>(x * 13 + (y * 29 << 8) + ((x ^ y) << 16)) |
               ((x * 17u + 3) << 24);
    };
    load(dir.write("in.png", test::makeRgbaPng(13, 7, colour)), 1);
    ASSERT_TRUE(SaveSpriteImage(1, rs(dir.file("out.PNG"))));
    DecodedImage back;
    ASSERT_EQ(DecodePng(test::readBytes(dir.file("out.PNG")), DecodeOptions{}, back),
              DecodeStatus::Decoded);
    ASSERT_EQ(back.width, 13);
    ASSERT_EQ(back.height, 7);
    EXPECT_EQ(back.keyed, 1) << "saved with its alpha";
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const std::uint32_t c = colour(x, y);
            const std::uint8_t* p = &back.pixels[(static_cast<std::size_t>(y) * 13 + x) * 4];
            ASSERT_EQ((Rgba{p[0], p[1], p[2], p[3]}),
                      (Rgba{static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                            static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 24)}))
                << x << "," << y;
        }
    }
}

TEST_F(SpriteLoadTest, SavedBmpAndJpegFollowTheEnding) {
    load(dir.write("in.png", test::makeRgbPng(
                                 9, 4, [](int x, int) { return x < 4 ? 0x2080C0u : 0x40A000u; })),
         1);
    ASSERT_TRUE(SaveSpriteImage(1, rs(dir.file("out.bmp"))));
    ASSERT_TRUE(SaveSpriteImage(1, rs(dir.file("out.jpg"))));
    const Bytes bmp = test::readBytes(dir.file("out.bmp"));
    ASSERT_GE(bmp.size(), 2u);
    EXPECT_EQ(bmp[0], 'B');
    DecodedImage back;
    ASSERT_EQ(DecodeBmp(bmp, DecodeOptions{}, back), DecodeStatus::Decoded);
    EXPECT_EQ(back.pixels[0], 0xC0);
    EXPECT_EQ(back.pixels[8 * 4 + 1], 0xA0);
    ASSERT_EQ(DecodeJpeg(test::readBytes(dir.file("out.jpg")), DecodeOptions{}, back),
              DecodeStatus::Decoded);
    EXPECT_EQ(back.width, 9);
    EXPECT_NEAR(back.pixels[0], 0xC0, 24);
}

TEST_F(SpriteLoadTest, SavingFailsForEmptySlotsAndMemoryFiles) {
    EXPECT_FALSE(SaveSpriteImage(7, rs(dir.file("none.png"))));
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.png")));

    load(dir.write("in.png", test::makeRgbPng(2, 2, [](int, int) { return 0x0u; })), 1);
    ClearLastError();
    MemoryFile memory(Bytes(16, 0));
    EXPECT_FALSE(SaveSpriteImage(1, memory.name()));
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_FALSE(SaveSpriteImage(1, rs(dir.file("no/such/folder.png"))));
}

TEST_F(SpriteLoadTest, SavedScreenShowsTheFrameBeingDrawn) {
    FillRect(100, 50, 20, 10, 0x00C0FF);  // orange
    ASSERT_TRUE(SaveScreenImage(rs(dir.file("screen.png"))));
    DecodedImage shot;
    ASSERT_EQ(DecodePng(test::readBytes(dir.file("screen.png")), DecodeOptions{}, shot),
              DecodeStatus::Decoded);
    ASSERT_EQ(shot.width, test::kScreenWidth);
    ASSERT_EQ(shot.height, test::kScreenHeight);
    const auto at = [&](int x, int y) {
        const std::uint8_t* p = &shot.pixels[(static_cast<std::size_t>(y) * shot.width + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(at(100, 50), (Rgba{255, 192, 0, 255})) << "top-left of the rectangle, upright";
    EXPECT_EQ(at(119, 59), (Rgba{255, 192, 0, 255}));
    EXPECT_EQ(at(120, 50), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(at(100, 60), (Rgba{0, 0, 0, 255}));
    EXPECT_FALSE(SaveScreenImage(""));
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
}

}  // namespace
}  // namespace qvt
