// The sprite table: texture layout, freeing and failed uploads; loading files
// and packs into slots with the colour key and the last-error rules; saving pictures back.
#include "gfx/sprites.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "core/errors.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/image_decode.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Bytes;
using Rgba = std::array<int, 4>;

RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }
const SpriteRecord& record(int id) { return graphics()->sprites[static_cast<std::size_t>(id)]; }
DecodedImage solid(int w, int h) { return test::makeImage(w, h, [](int, int) { return 0xFFFFFFFFu; }); }

Rgba texel(const std::vector<std::uint8_t>& t, int width, int x, int row) {
    const std::uint8_t* p = &t[(static_cast<std::size_t>(row) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
Rgba pixel(const DecodedImage& image, int x, int y) { return texel(image.pixels, image.width, x, y); }
// The texel showing picture pixel (x, y) of a slot, y from the top (texture rows run bottom up).
Rgba picturePixel(int id, int x, int y) {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, record(id).texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<std::uint8_t> t(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.data());
    return texel(t, width, x, record(id).height - 1 - y);
}

class SpritesTest : public test::ImageFileTest {
protected:
    void load(const RuntimeString& path, int id) {
        LoadSpriteFile(path, id);
        ASSERT_EQ(LastErrorCode(), 0) << path.c_str();
        ASSERT_NE(record(id).texture, 0u) << path.c_str();
    }
};

TEST_F(SpritesTest, ImageIsStoredInAPowerOfTwoTexture) {
    test::uploadTexture(1, solid(20, 10));
    EXPECT_EQ(std::tuple(record(1).textureWidth, record(1).textureHeight, record(1).uExtent, record(1).vExtent),
              std::tuple(32, 16, 0.625f, 0.625f));
    int w = 0, h = 0;
    GetSpriteSize(1, &w, &h);
    EXPECT_EQ(w * 100 + h, 2010);
    test::uploadTexture(2, solid(1, 17));
    EXPECT_EQ(record(2).textureWidth * 100 + record(2).textureHeight, 1632) << "at least 16";
    GetSpriteSize(70000, &w, &h);
    EXPECT_EQ(w + h, 0);
}

TEST_F(SpritesTest, FreeingAndFailedUploadsEmptyTheSlot) {
    test::uploadTexture(1, solid(20, 10));
    SpriteRecord& rec = graphics()->sprites[1];
    rec.frameWidth = 5;
    const GLuint texture = rec.texture;
    graphics()->alphaMasks[1].reset(new std::uint8_t[64]);
    FreeSprite(1);
    EXPECT_FALSE(glIsTexture(texture) || graphics()->alphaMasks[1]);
    EXPECT_EQ(std::tuple(rec.texture, rec.width, rec.textureWidth, rec.uExtent, rec.frameWidth),
              std::tuple(0u, 0, -1, 1.0f, 5))
        << "emptied, the frame size kept";

    DecodedImage shortBuffer = solid(8, 8);
    shortBuffer.height = 9;
    EXPECT_FALSE(CreateSpriteTexture(shortBuffer, 1, false, false)) << "fewer pixels than the size says";
    EXPECT_FALSE(CreateSpriteTexture(solid(8, 8), 65536, false, false) || CreateSpriteTexture(solid(8, 8), -1, false, false));
}

TEST_F(SpritesTest, KeyedHolesTakeTheColourOfInnerNeighbours) {
    // 4 x 4: the inner 2 x 2 opaque (red, green / blue, white), the border in the key.
    const auto inner = [](int x, int y) -> std::uint32_t {
        if (x < 1 || x > 2 || y < 1 || y > 2) return 0x8000FF;
        return std::array{0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu}[(y - 1) * 2 + x - 1];
    };
    const RuntimeString rgb = write("rgb.png", test::makePng(4, 4, inner));
    load(rgb, 1);
    EXPECT_EQ((std::pair{picturePixel(1, 0, 0), picturePixel(1, 1, 0)}), (std::pair{Rgba{255, 0, 0, 0}, Rgba{127, 127, 0, 0}}))
        << "the corner sees only red; red and green, rounded down";
    load(write("rgba.png", test::makePng(4, 4, [&](int x, int y) { return inner(x, y) == 0x8000FF ? 0x00302010u : inner(x, y); }, true)), 2);
    EXPECT_EQ(picturePixel(2, 0, 0), (Rgba{0x10, 0x20, 0x30, 0})) << "file alpha: no edge-colour pass";
    SetColourKey(0);
    load(rgb, 1);
    load(write("black.bmp", test::makeBmp({})), 3);
    EXPECT_EQ((std::pair{picturePixel(1, 0, 0), picturePixel(3, 0, 0)}),
              (std::pair{Rgba{255, 0, 128, 255}, Rgba{0, 0, 0, 0}})) << "black keyed, magenta not";
}

TEST_F(SpritesTest, FailedLoadsEmptyTheSlotAndSetTheirCodes) {
    const RuntimeString good = write("good.bmp", test::makeBmp({8, 8}));
    load(good, 5);
    SetLastError(kErrOutOfBounds);
    LoadSpriteFile("", 5);
    EXPECT_EQ(LastErrorCode(), 0) << "an empty path only empties the slot";
    EXPECT_EQ(record(5).texture, 0u);

    load(good, 5);
    LoadSpriteFile(write("text.png", Bytes{'h', 'i'}), 5);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(record(5).texture, 0u) << "the old picture is gone";
    load(good, 5);
    LoadSpriteFile(good, 65536);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    EXPECT_NE(record(5).texture, 0u) << "a rejected id touches nothing";
}

TEST_F(SpritesTest, SavedPicturesAndScreens) {
    const auto colour = [](int x, int y) {
        return static_cast<std::uint32_t>(x * 13 + (y * 29 << 8) + ((x ^ y) << 16)) | ((x * 17u + 3) << 24);
    };
    load(write("in.png", test::makePng(13, 7, colour, true)), 1);
    ASSERT_TRUE(SaveSpriteImage(1, rs(dir / "out.PNG")));
    DecodedImage back;
    ASSERT_EQ(DecodePng(test::readBytes(dir / "out.PNG"), DecodeOptions{}, back), DecodeStatus::Decoded);
    EXPECT_EQ(back.pixels, test::makeImage(13, 7, colour).pixels);
    EXPECT_FALSE(SaveSpriteImage(7, rs(dir / "none.png"))) << "an empty slot";
    EXPECT_FALSE(std::filesystem::exists(dir / "none.png"));

    FillRect(100, 50, 20, 10, 0x00C0FF);  // orange
    ASSERT_TRUE(SaveScreenImage(rs(dir / "screen.png")));
    ASSERT_EQ(DecodePng(test::readBytes(dir / "screen.png"), DecodeOptions{}, back), DecodeStatus::Decoded);
    ASSERT_EQ(back.width * 1000 + back.height, 640480);
    EXPECT_EQ((std::pair{pixel(back, 100, 50), pixel(back, 100, 60)}),
              (std::pair{Rgba{255, 192, 0, 255}, Rgba{0, 0, 0, 255}}))
        << "the rectangle, upright";
    EXPECT_FALSE(SaveScreenImage(""));
}

// SetColourKey(-1) is "no key": no 24-bit colour equals it, so white stays white in BMP and
// RGB PNG sprites, in font images and in vertex colours.
TEST_F(SpritesTest, KeyMinusOneKeysNothing) {
    const auto white = [](int, int) { return 0xFFFFFFu; };
    test::BmpLayout bmp{8, 8};
    bmp.pixel = white;
    SetColourKey(-1);
    load(write("w.bmp", test::makeBmp(bmp)), 1);
    load(write("w.png", test::makePng(8, 8, white)), 2);
    DrawSpriteAt(1, 10, 10);
    DrawSpriteAt(2, 30, 10);
    LoadFontFile(write("f.png", test::makePng(128, 64, white)), 1);
    DrawText("A", 50, 10, 0);
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{70, 10}, {80, 10}, {80, 20}, {70, 20}}) AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
    EndPolygon();
    EXPECT_EQ(test::scan(13, 13, 13) + test::scan(33, 33, 13) + test::scan(53, 53, 13) +
                  test::scan(75, 75, 15), "WWWW")
        << "BMP, RGB PNG, font image, white vertices";
}

}  // namespace
}  // namespace qvt
