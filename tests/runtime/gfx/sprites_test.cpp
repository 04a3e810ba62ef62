// The sprite table: texture layout, mip textures, freeing, colour keys, rejected input.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "files/resolver.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;

const Rgb kRed{255, 0, 0};
const Rgb kBlue{0, 0, 255};

class SpritesTest : public test::GlTest {
protected:
    static const SpriteRecord& record(int id) {
        return graphics()->sprites[static_cast<std::size_t>(id)];
    }
    // Level `level` of texture name as RGBA bytes, rows in texture order (bottom first).
    static std::vector<std::uint8_t> texels(GLuint name, int level, int* width, int* height) {
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, height);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(*width) * *height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
    static std::array<int, 4> texel(const std::vector<std::uint8_t>& t, int width, int x, int row) {
        const std::size_t i = (static_cast<std::size_t>(row) * width + x) * 4;
        return {t[i], t[i + 1], t[i + 2], t[i + 3]};
    }
};

TEST_F(SpritesTest, TextureSidesArePowersOfTwoOfAtLeast16) {
    test::uploadTexture(1, test::makeImage(20, 10, [](int, int) { return 0xFFFFFFFFu; }));
    EXPECT_EQ(record(1).textureWidth, 32);
    EXPECT_EQ(record(1).textureHeight, 16);
    EXPECT_FLOAT_EQ(record(1).uExtent, 0.625f);
    EXPECT_FLOAT_EQ(record(1).vExtent, 0.625f);
    EXPECT_EQ(record(1).width, 20);
    EXPECT_EQ(record(1).height, 10);

    test::uploadTexture(2, test::makeImage(1, 1, [](int, int) { return 0xFFFFFFFFu; }));
    EXPECT_EQ(record(2).textureWidth, 16);
    EXPECT_EQ(record(2).textureHeight, 16);
    test::uploadTexture(3, test::makeImage(16, 17, [](int, int) { return 0xFFFFFFFFu; }));
    EXPECT_EQ(record(3).textureWidth, 16);
    EXPECT_EQ(record(3).textureHeight, 32);

    int w = -1, h = -1;
    GetSpriteSize(1, &w, &h);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 10);
    GetSpriteSize(4, &w, &h);
    EXPECT_EQ(w, 0) << "empty slot";
    GetSpriteSize(70000, &w, &h);
    EXPECT_EQ(h, 0) << "id outside the table";
}

TEST_F(SpritesTest, ImageIsStoredUpsideDownInTransparentBlack) {
    // Row 0 (top) red, the others blue; 20 x 10 in a 32 x 16 texture.
    test::uploadTexture(1, test::makeImage(20, 10, [](int, int y) {
                            return test::opaque(y == 0 ? kRed : kBlue);
                        }));
    int w = 0, h = 0;
    const auto t = texels(record(1).texture, 0, &w, &h);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 16);
    EXPECT_EQ(texel(t, w, 0, 9), (std::array<int, 4>{255, 0, 0, 255}))
        << "image top at row height - 1";
    EXPECT_EQ(texel(t, w, 19, 0), (std::array<int, 4>{0, 0, 255, 255})) << "image bottom at row 0";
    EXPECT_EQ(texel(t, w, 20, 0), (std::array<int, 4>{0, 0, 0, 0})) << "right of the image";
    EXPECT_EQ(texel(t, w, 0, 10), (std::array<int, 4>{0, 0, 0, 0})) << "above the image";
    EXPECT_EQ(texel(t, w, 31, 15), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(SpritesTest, MipTextureIsASquareMipmappedCopy) {
    test::uploadTexture(1, test::makeImage(64, 32, [](int x, int) {
                            return test::opaque(x < 32 ? kRed : kBlue);
                        }),
                        true);
    const GLuint mip = record(1).mipTexture;
    ASSERT_NE(mip, 0u);
    ASSERT_NE(mip, record(1).texture);
    int w = 0, h = 0;
    auto level0 = texels(mip, 0, &w, &h);
    EXPECT_EQ(w, 32) << "the wider side is halved down to the shorter";
    EXPECT_EQ(h, 32);
    EXPECT_EQ(texel(level0, w, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(texel(level0, w, 31, 31), (std::array<int, 4>{0, 0, 255, 255}));
    const auto level5 = texels(mip, 5, &w, &h);
    ASSERT_EQ(w, 1) << "levels reach 1 x 1";
    const auto last = texel(level5, 1, 0, 0);
    EXPECT_NEAR(last[0], 127, 1) << "the last level averages the picture";
    EXPECT_NEAR(last[2], 127, 1);
    EXPECT_EQ(last[3], 255);
}

TEST_F(SpritesTest, FontsGetNearestFilteringAndNoMipTexture) {
    test::uploadTexture(kFirstFontSprite,
                        test::makeImage(128, 64, [](int, int) { return 0xFFFFFFFFu; }), true, true);
    EXPECT_EQ(record(kFirstFontSprite).mipTexture, 0u);
    glBindTexture(GL_TEXTURE_2D, record(kFirstFontSprite).texture);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
}

TEST_F(SpritesTest, FreeSpriteEmptiesTheSlotButKeepsTheFrameSize) {
    test::uploadTexture(1, test::makeImage(20, 10, [](int, int) { return 0xFFFFFFFFu; }), true);
    SpriteRecord& rec = graphics()->sprites[1];
    rec.frameWidth = 5;
    rec.frameHeight = 6;
    const GLuint texture = rec.texture, mip = rec.mipTexture;
    graphics()->alphaMasks[1].reset(new std::uint8_t[64]);
    FreeSprite(1);
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsTexture(mip));
    EXPECT_EQ(graphics()->alphaMasks[1], nullptr);
    EXPECT_EQ(rec.texture, 0u);
    EXPECT_EQ(rec.mipTexture, 0u);
    EXPECT_EQ(rec.textureWidth, -1);
    EXPECT_EQ(rec.width, 0);
    EXPECT_FLOAT_EQ(rec.uExtent, 1.0f);
    EXPECT_EQ(rec.frameWidth, 5);
    EXPECT_EQ(rec.frameHeight, 6);
}

TEST_F(SpritesTest, FailedCreationLeavesTheSlotEmpty) {
    test::uploadTexture(1, test::makeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; }));
    EXPECT_FALSE(CreateSpriteTexture(DecodedImage{}, 1, false, false)) << "empty image";
    EXPECT_EQ(record(1).texture, 0u) << "the old picture is gone too";

    DecodedImage wide;
    wide.width = 40000;  // does not fit the record's 16-bit width
    wide.height = 1;
    wide.pixels.resize(wide.byteCount());
    EXPECT_FALSE(CreateSpriteTexture(wide, 1, false, false));
    EXPECT_EQ(record(1).width, 0);

    DecodedImage shortBuffer = test::makeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    shortBuffer.height = 9;
    EXPECT_FALSE(CreateSpriteTexture(shortBuffer, 1, false, false))
        << "fewer pixels than the size says";

    const DecodedImage ok = test::makeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    EXPECT_FALSE(CreateSpriteTexture(ok, 65536, false, false));
    EXPECT_FALSE(CreateSpriteTexture(ok, -1, false, false));
    EXPECT_EQ(graphics()->sprites[65536].texture, 0u);
}

TEST_F(SpritesTest, ShutdownDeletesEveryTexture) {
    test::uploadTexture(1, test::makeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; }), true);
    test::uploadTexture(65535, test::makeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; }));
    const GLuint names[] = {record(1).texture, record(1).mipTexture, record(65535).texture};
    ShutdownGraphics();
    EXPECT_EQ(graphics(), nullptr);
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << "texture " << name;
}

// ---- fidelity

// SetColourKey(-1) is "no key": no 24-bit colour equals it, so white stays white in BMP and
// RGB PNG sprites, in font images and in vertex colours.
TEST_F(SpritesTest, KeyMinusOneKeysNothing) {
    using test::readPixel;
    const Rgb kWhite{255, 255, 255};
    test::ScratchDir dir;
    test::BmpLayout bmp;
    bmp.width = bmp.height = 8;
    bmp.pixel = [](int, int) { return 0xFFFFFFu; };
    const auto whitePng = test::makeRgbPng(8, 8, [](int, int) { return 0xFFFFFFu; });
    SetColourKey(-1);
    LoadSpriteFile(RuntimeString(dir.write("w.bmp", test::makeBmp(bmp))), 1);
    LoadSpriteFile(RuntimeString(dir.write("w.png", whitePng)), 2);
    DrawSpriteAt(1, 10, 10);
    DrawSpriteAt(2, 30, 10);
    EXPECT_EQ(readPixel(13, 13), kWhite) << "BMP";
    EXPECT_EQ(readPixel(33, 13), kWhite) << "RGB PNG";

    LoadFontFile(RuntimeString(dir.write("f.png", test::makeRgbPng(128, 64, [](int, int) {
                                             return 0xFFFFFFu;
                                         }))),
                 1);
    DrawText("A", 50, 10, 0);
    EXPECT_EQ(readPixel(53, 13), kWhite) << "font image";

    BeginPolygon(-1, kPolygonFan);
    AddPolygonVertex(70, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(80, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(80, 20, 0, 0, 0xFFFFFF);
    AddPolygonVertex(70, 20, 0, 0, 0xFFFFFF);
    EndPolygon();
    EXPECT_EQ(readPixel(75, 15), kWhite) << "white vertices";
    ReleaseMediaResolvers();
}

}  // namespace
}  // namespace qvt
