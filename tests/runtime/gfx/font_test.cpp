// Bitmap fonts: cell layouts, proportional glyph records, the font slots and their errors,
// text drawn into the frame, and the default font search.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/errors.h"
#include "files/resolver.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Bytes;
using test::readPixel;
using test::Rgb;

RuntimeString rs(const std::string& s) {
    return RuntimeString(std::string_view(s));
}

const Rgb kGrey{100, 100, 100};
const Rgb kWhite{255, 255, 255};

// Visible columns of glyph c in a cell cellWidth wide: [start, start + width).
struct Ink {
    int start = 0;
    int width = 0;  // 0: an empty cell
};

// A font image: cells of the given size in 16 columns, each glyph a solid block of ink.
Bytes fontPng(int width, int height, int cellHeight, const std::function<Ink(int code)>& ink) {
    const int cellWidth = width / 16;
    return test::makeRgbaPng(width, height, [&](int x, int y) {
        const int code = (y / cellHeight) * 16 + x / cellWidth;
        const Ink k = ink(code);
        const int column = x % cellWidth;
        return column >= k.start && column < k.start + k.width ? 0xFFFFFFFFu : 0x00000000u;
    });
}

// Ink that differs from glyph to glyph; codes 0 and 1 are empty, 'j' and 'W' are set apart.
Ink variedInk(int code, int cellWidth) {
    if (code <= 1) return {};
    if (code == 'W') return {2, cellWidth - 2};  // reaches the cell's right edge
    if (code == 'j') return {3, 4};
    return {code % 3, 1 + code % (cellWidth - 4)};
}

class FontTest : public test::GlTest {
protected:
    void TearDown() override {
        ReleaseMediaResolvers();
        GlTest::TearDown();
    }
    static const Glyph& glyph(int font, int code) {
        return graphics()->fonts[static_cast<std::size_t>(font)][static_cast<std::size_t>(code)];
    }
    static const SpriteRecord& fontRecord(int font) {
        return graphics()->sprites[kFirstFontSprite + font];
    }

    // Loads a 256 x 128 font (16 x 16 cells, 128 glyphs) of varied ink into font n.
    void loadVaried(int n) {
        const std::string path =
            dir.write("varied.png", fontPng(256, 128, 16, [](int c) { return variedInk(c, 16); }));
        LoadFontFile(rs(path), n);
        ASSERT_EQ(LastErrorCode(), 0);
    }
    static void paintBackground() {
        FillRect(0, 0, test::kScreenWidth, test::kScreenHeight, test::packed(kGrey));
    }

    test::ScratchDir dir;
};

TEST_F(FontTest, CellLayoutsFollowTheImageShape) {
    struct Case {
        int width, height, cellWidth, cellHeight, glyphs;
    };
    for (const Case c :
         {Case{256, 128, 16, 16, 128}, Case{128, 256, 8, 16, 256}, Case{256, 256, 16, 32, 128}}) {
        const std::string path =
            dir.write("f.png", fontPng(c.width, c.height, c.cellHeight, [](int code) {
                          return Ink{0, 1 + code % 3};
                      }));
        LoadFontFile(rs(path), 2);
        ASSERT_EQ(LastErrorCode(), 0) << c.width << "x" << c.height;
        std::int32_t w = 0, h = 0;
        GetFontCellSize(&w, &h);
        EXPECT_EQ(w, c.cellWidth) << c.width << "x" << c.height;
        EXPECT_EQ(h, c.cellHeight) << c.width << "x" << c.height;
        // Glyph 130 has ink 2 wide (+1 spacing) in a 256-glyph font, and repeats glyph 2 in
        // a 128-glyph font, whose ink is 3 wide.
        EXPECT_EQ(glyph(2, 130).width, c.glyphs == 256 ? 3 : 4) << c.width << "x" << c.height;
    }
    EXPECT_EQ(CurrentFont(), 2);
}

TEST_F(FontTest, ProportionalWidthsFollowTheInk) {
    loadVaried(0);
    const float texture = 256.0f;
    const Glyph& a = glyph(0, 'A');  // 'A' = 65: start 2, ink 1 + 65 % 12 = 6
    EXPECT_EQ(a.start, 2);
    EXPECT_EQ(a.width, 7) << "ink plus one spacing column";
    EXPECT_FLOAT_EQ(a.u0, (1 * 16 + 2) / texture) << "'A' is cell column 1";
    EXPECT_FLOAT_EQ(a.u1, (1 * 16 + 2 + 7) / texture);
    EXPECT_EQ(glyph(0, 'W').width, 14) << "ink up to the right edge gets no spacing column";
    EXPECT_EQ(glyph(0, 1).width, 16) << "an empty cell is a whole cell wide";
    EXPECT_EQ(glyph(0, 1).start, 0);

    const Glyph& j = glyph(0, 'j');
    const Glyph& space = glyph(0, ' ');
    EXPECT_EQ(space.width, j.width) << "the space is as wide as the j";
    EXPECT_EQ(j.width, 5);
    EXPECT_FLOAT_EQ(space.u0, 0.0f);
    EXPECT_FLOAT_EQ(space.u1, j.u1 - j.u0);
    EXPECT_EQ(GetTextWidth(" ", 1), GetTextWidth("j", 1));
    EXPECT_EQ(glyph(0, 160).width, 1 + 32 % 12 + 1) << "code 160 keeps the space's own record";
    EXPECT_EQ(glyph(0, 'A' + 128).width, a.width) << "the upper half mirrors the lower";
}

TEST_F(FontTest, TextWidths) {
    loadVaried(0);
    EXPECT_EQ(GetTextWidth("ABC", 0), 48) << "fixed width: 3 cells of a 256-pixel-wide image";
    EXPECT_EQ(GetTextWidth("ABC", 1),
              glyph(0, 'A').width + glyph(0, 'B').width + glyph(0, 'C').width);
    EXPECT_EQ(GetTextWidth("", 1), 0);
}

TEST_F(FontTest, FontSlotErrors) {
    loadVaried(3);
    EXPECT_EQ(CurrentFont(), 3);

    LoadFontFile(rs(dir.file("missing.png")), 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(CurrentFont(), 4);
    EXPECT_EQ(fontRecord(4).width, 128) << "the built-in font stands in";
    EXPECT_EQ(fontRecord(4).height, 64);
    EXPECT_EQ(glyph(4, 'A').width, 8);

    LoadFontFile(rs(dir.write("jpeg.jpg", test::makeJpeg(16, 16, 1, Bytes(256, 9)))), 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "fonts are BMP or PNG only";
    EXPECT_EQ(fontRecord(4).width, 128);

    SelectFont(3);
    LoadFontFile(rs(dir.write("small.png", fontPng(128, 64, 8,
                                                   [](int) {
                                                       return Ink{0, 8};
                                                   }))),
                 40);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "font 40 does not exist";
    EXPECT_EQ(CurrentFont(), 3);
    EXPECT_EQ(glyph(3, 'A').width, 8) << "loaded into the current font instead";

    SelectFont(32);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    EXPECT_EQ(CurrentFont(), 3);
    SelectFont(-1);
    EXPECT_EQ(CurrentFont(), 3);

    SelectFont(5);
    LoadFontFile("", 3);
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_EQ(fontRecord(3).texture, 0u) << "an empty path empties the font's texture";
    EXPECT_EQ(CurrentFont(), 5) << "and does not select it";
}

TEST_F(FontTest, BlackIsTheFontKeyOfBmpFonts) {
    // A 128 x 64 BMP font: white ink on black, cell 'X' filled.
    test::BmpLayout layout;
    layout.width = 128;
    layout.height = 64;
    layout.pixel = [](int x, int y) {
        return (y / 8) * 16 + x / 8 == 'X' && x % 8 < 4 ? 0xFFFFFFu : 0u;
    };
    LoadFontFile(rs(dir.write("f.bmp", test::makeBmp(layout))), 0);
    ASSERT_EQ(LastErrorCode(), 0);
    EXPECT_EQ(glyph(0, 'X').width, 5) << "black counts as empty";
    paintBackground();
    DrawText("X", 20, 30, 0);
    EXPECT_EQ(readPixel(21, 31), kWhite);
    EXPECT_EQ(readPixel(25, 31), kGrey) << "keyed black never covers the background";
}

TEST_F(FontTest, BuiltInTextStartsAtTheRoundedUpPosition) {
    InstallBuiltInFont(0);
    SelectFont(0);
    paintBackground();
    // 'M' lights its shape's column 0 in row 0: cell pixel (1, 1), outlined at (0, 1).
    DrawText("M", 10.2, 20, 0);
    EXPECT_EQ(readPixel(10, 21), kGrey) << "x 10.2 starts in column 11";
    EXPECT_EQ(readPixel(11, 21), (Rgb{8, 8, 8})) << "the outline";
    EXPECT_EQ(readPixel(12, 21), kWhite);
    EXPECT_EQ(readPixel(11, 20), kGrey) << "transparent cell pixels are cut out";
    DrawText("M", 30, 19.01, 0);
    EXPECT_EQ(readPixel(32, 21), kWhite) << "y is rounded up too (from row 19 this is outline)";
}

TEST_F(FontTest, ProportionalTextPlacesEachGlyphAfterThePrevious) {
    loadVaried(0);
    paintBackground();
    SetSmoothing(1);
    DrawText("AB", 100, 200, 1);
    // 'A': ink 6 wide from cell column 2, drawn from x 100; 'B' (66): start 0, ink 7.
    EXPECT_EQ(readPixel(100, 205), kWhite);
    EXPECT_EQ(readPixel(105, 205), kWhite);
    EXPECT_EQ(readPixel(106, 205), kGrey) << "A's spacing column";
    EXPECT_EQ(readPixel(107, 205), kWhite) << "B follows A's 7-pixel advance";
    EXPECT_EQ(readPixel(113, 205), kWhite);
    EXPECT_EQ(readPixel(114, 205), kGrey);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, fontRecord(0).texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST) << "smoothing does not apply to fonts";
}

TEST_F(FontTest, Byte128EndsTextOnlyInA128GlyphFont) {
    loadVaried(0);
    paintBackground();
    const char text[] = {'A', 'B', static_cast<char>(0x80), 'C', 0};
    DrawText(text, 0, 0, 0);
    EXPECT_EQ(readPixel(16 + 2, 5), kWhite) << "B is drawn";
    for (int x = 32; x < 64; ++x) ASSERT_EQ(readPixel(x, 5), kGrey) << "nothing after B, x " << x;

    // 128 x 256: 256 glyphs of 8 x 16; code 128 has ink.
    LoadFontFile(rs(dir.write("tall.png", fontPng(128, 256, 16,
                                                  [](int) {
                                                      return Ink{0, 8};
                                                  }))),
                 1);
    paintBackground();
    DrawText(text, 0, 0, 0);
    EXPECT_EQ(readPixel(16 + 3, 5), kWhite) << "byte 128 is a glyph";
    EXPECT_EQ(readPixel(24 + 3, 5), kWhite) << "and C follows it";
}

TEST_F(FontTest, TextLeavesThePolygonBatchAlone) {
    InstallBuiltInFont(0);
    BeginPolygon(-1, kPolygonFan);
    AddPolygonVertex(0, 0, 0, 0, 0xFF);
    AddPolygonVertex(10, 0, 0, 0, 0xFF);
    AddPolygonVertex(10, 10, 0, 0, 0xFF);
    DrawText("HELLO", 50, 50, 0);
    EXPECT_EQ(CurrentPolygonBatch()->count, 3);
    EXPECT_EQ(CurrentPolygonBatch()->spriteId, -1);
    EndPolygon();
    EXPECT_EQ(readPixel(8, 2), (Rgb{255, 0, 0})) << "the batch still draws after the text";
}

TEST_F(FontTest, EmptyFontSlotDrawsNothingVisible) {
    LoadFontFile("", 0);
    paintBackground();
    DrawText("ABC", 10, 10, 1);
    EXPECT_EQ(readPixel(12, 12), kGrey);
}

// ---- Default font --------------------------------------------------------------------------

class DefaultFontTest : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        FontTest::TearDown();
    }
    std::filesystem::path previous;
};

TEST_F(DefaultFontTest, BuiltInWhenNoFontFileIsFound) {
    SelectFont(7);
    LoadDefaultFont();
    EXPECT_EQ(CurrentFont(), 0);
    EXPECT_EQ(fontRecord(0).width, 128);
    EXPECT_EQ(glyph(0, 'Q').width, 8);
    paintBackground();
    DrawText("!", 0, 0, 0);
    EXPECT_EQ(readPixel(3, 2), kWhite) << "'!' is lit at shape column 2, row 1";
}

TEST_F(DefaultFontTest, TheFirstFileFoundWins) {
    test::BmpLayout bmp;
    bmp.width = 64;
    bmp.height = 32;
    bmp.pixel = [](int, int) { return 0xFFFFFFu; };
    std::filesystem::create_directory(dir.file("Media"));
    dir.write("smalfont.png", fontPng(256, 128, 16, [](int) { return Ink{0, 3}; }));
    dir.write("Media/smalfont.bmp", test::makeBmp(bmp));
    LoadDefaultFont();
    EXPECT_EQ(fontRecord(0).width, 64) << "Media/smalfont.bmp comes before smalfont.png";

    dir.write("Media/smalfont.png", fontPng(512, 256, 32, [](int) { return Ink{0, 3}; }));
    LoadDefaultFont();
    EXPECT_EQ(fontRecord(0).width, 512) << "Media/smalfont.png comes first";
    EXPECT_EQ(glyph(0, 'A').width, 4);
}

// ---- fidelity

// GetTextWidth indexes glyph records by the byte itself and stops only at a zero byte: in
// a 128-glyph font byte 128 is code 0's copy (an empty cell) and byte 160 keeps the
// space's own ink, not the j's width the space was given.
TEST_F(FontTest, TextWidthIndexesRecordsByTheByte) {
    loadVaried(0);
    const char text[] = {'A', 'B', static_cast<char>(0x80), 'C', 0};
    EXPECT_EQ(GetTextWidth(text, 0), 64) << "four cells";
    EXPECT_EQ(GetTextWidth(text, 1), GetTextWidth("ABC", 1) + 16);
    EXPECT_EQ(GetTextWidth("\xA0", 1), 10) << "ink 9 (32 % 12 + 1) plus spacing";
    EXPECT_EQ(GetTextWidth(" ", 1), GetTextWidth("j", 1));
}

// An empty path empties the slot before the font number is looked at: no error 7, and
// the current font stays.
TEST_F(FontTest, EmptyPathComesBeforeTheNumberCheck) {
    SelectFont(2);
    SelectFont(40);
    ASSERT_EQ(LastErrorCode(), kErrOutOfMemory);
    LoadFontFile("", 33);
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_EQ(CurrentFont(), 2);
}

}  // namespace
}  // namespace qvt
