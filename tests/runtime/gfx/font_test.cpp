// Bitmap fonts: cell layouts, proportional glyph records, the font slots and their errors,
// text read back from the frame, and the default font search.
#include "gfx/font.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
#include "files/resolver.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Bytes;
using test::readPixel;
using test::Rgb;

const Rgb kGrey{100, 100, 100}, kWhite{255, 255, 255};

// Visible columns of a glyph in its cell: [start, start + width).
struct Ink {
    int start = 0, width = 0;
};

// A font image: cells in 16 columns, each glyph a solid block of white ink.
Bytes fontPng(int width, int height, int cellHeight, const std::function<Ink(int code)>& ink) {
    const int cellWidth = width / 16;
    return test::makePng(width, height, [=](int x, int y) {
        const Ink k = ink((y / cellHeight) * 16 + x / cellWidth);
        return x % cellWidth >= k.start && x % cellWidth < k.start + k.width ? 0xFFFFFFFFu : 0u;
    }, true);
}

// Ink that differs from glyph to glyph in 16-pixel cells; 0 and 1 are empty, 'W' reaches the edge.
Ink variedInk(int code) {
    if (code <= 1) return {};
    if (code == 'W') return {2, 14};
    if (code == 'j') return {3, 4};
    return {code % 3, 1 + code % 12};
}

class FontTest : public test::GlTest {
protected:
    void TearDown() override {
        ReleaseMediaResolvers();
        GlTest::TearDown();
    }
    static const Glyph& glyph(int font, int code) { return graphics()->fonts[font][code]; }
    static const SpriteRecord& fontRecord(int font) { return graphics()->sprites[kFirstFontSprite + font]; }
    RuntimeString write(const std::string& name, const Bytes& bytes) {
        test::writeBytes(dir / name, bytes);
        return RuntimeString(std::string_view(dir / name));
    }
    // A 256 x 128 font (16 x 16 cells, 128 glyphs) of varied ink into font n, on grey.
    void loadVaried(int n) {
        LoadFontFile(write("varied.png", fontPng(256, 128, 16, variedInk)), n);
        ASSERT_EQ(LastErrorCode(), 0);
        FillRect(0, 0, test::kScreenWidth, test::kScreenHeight, test::packed(kGrey));
    }
    test::ScratchFolder dir;
};

TEST_F(FontTest, CellLayoutsFollowTheImageShape) {
    struct Case {
        int width, height, cellWidth, cellHeight, glyph130;
    };
    // Glyph 130 has ink 2 wide (+1 spacing) in a 256-glyph font; in a 128-glyph font it
    // repeats glyph 2, whose ink is 3 wide.
    for (const Case c : {Case{256, 128, 16, 16, 4}, Case{128, 256, 8, 16, 3}, Case{256, 256, 16, 32, 4}}) {
        LoadFontFile(write("f.png", fontPng(c.width, c.height, c.cellHeight, [](int code) { return Ink{0, 1 + code % 3}; })), 2);
        ASSERT_EQ(LastErrorCode(), 0) << c.width << "x" << c.height;
        std::int32_t w = 0, h = 0;
        GetFontCellSize(&w, &h);
        EXPECT_EQ(w * 100 + h, c.cellWidth * 100 + c.cellHeight) << c.width << "x" << c.height;
        EXPECT_EQ(glyph(2, 130).width, c.glyph130) << c.width << "x" << c.height;
    }
    EXPECT_EQ(CurrentFont(), 2);
}

TEST_F(FontTest, ProportionalWidthsFollowTheInk) {
    loadVaried(0);
    const Glyph& a = glyph(0, 'A');  // 'A' = 65: start 2, ink 6
    EXPECT_EQ(a.start, 2);
    EXPECT_EQ(a.width, 7) << "ink plus one spacing column";
    EXPECT_FLOAT_EQ(a.u0, (16 + 2) / 256.0f) << "'A' is cell column 1";
    EXPECT_FLOAT_EQ(a.u1, (16 + 2 + 7) / 256.0f);
    EXPECT_EQ(glyph(0, 'W').width, 14) << "ink up to the right edge gets no spacing column";
    EXPECT_EQ(glyph(0, 1).width * 100 + glyph(0, 1).start, 1600) << "an empty cell is a whole cell wide";
    const Glyph& j = glyph(0, 'j');
    const Glyph& space = glyph(0, ' ');
    EXPECT_EQ(space.width, 5) << "the space is as wide as the j";
    EXPECT_EQ(j.width, 5);
    EXPECT_FLOAT_EQ(space.u0, 0.0f);
    EXPECT_FLOAT_EQ(space.u1, j.u1 - j.u0);
    EXPECT_EQ(glyph(0, 160).width, 1 + 32 % 12 + 1) << "code 160 keeps the space's own record";
    EXPECT_EQ(glyph(0, 'A' + 128).width, 7) << "the upper half mirrors the lower";

    EXPECT_EQ(GetTextWidth("ABC", 0), 48) << "fixed width: 3 cells";
    EXPECT_EQ(GetTextWidth("ABC", 1), 7 + 8 + 9);
    EXPECT_EQ(GetTextWidth(" ", 1), 5);
    EXPECT_EQ(GetTextWidth("", 1), 0);
    EXPECT_EQ(GetTextWidth("AB\x80" "C", 0), 32) << "byte 128 ends a 128-glyph text, as in DrawText";
    EXPECT_EQ(GetTextWidth("AB\x80" "C", 1), 15);

    SetSmoothing(1);
    DrawText("AB", 100, 200, 1);
    // 'A': ink 6 wide from cell column 2, drawn from x 100; 'B' (66): start 0, ink 7.
    const std::pair<int, Rgb> row[] = {{100, kWhite}, {105, kWhite}, {106, kGrey}, {107, kWhite}, {113, kWhite}, {114, kGrey}};
    for (auto [x, colour] : row) EXPECT_EQ(readPixel(x, 205), colour) << "x " << x;
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, fontRecord(0).texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST) << "smoothing does not apply to fonts";
}

TEST_F(FontTest, FontSlotErrors) {
    loadVaried(3);
    EXPECT_EQ(CurrentFont(), 3);
    LoadFontFile(RuntimeString(std::string_view(dir / "missing.png")), 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(CurrentFont(), 4);
    EXPECT_EQ(fontRecord(4).width * 100 + fontRecord(4).height, 12864) << "the built-in font stands in";
    EXPECT_EQ(glyph(4, 'A').width, 8);
    LoadFontFile(write("jpeg.jpg", test::makeJpeg(16, 16, {9})), 4);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "fonts are BMP or PNG only";

    SelectFont(3);
    LoadFontFile(write("small.png", fontPng(128, 64, 8, [](int) { return Ink{0, 8}; })), 40);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "font 40 does not exist";
    EXPECT_EQ(CurrentFont(), 3);
    EXPECT_EQ(glyph(3, 'A').width, 8) << "loaded into the current font instead";
    for (double bad : {32.0, -1.0}) {
        SelectFont(bad);
        EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
        EXPECT_EQ(CurrentFont(), 3);
    }
    SelectFont(5);
    LoadFontFile("", 3);
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_EQ(fontRecord(3).texture, 0u) << "an empty path empties the font's texture";
    EXPECT_EQ(CurrentFont(), 5) << "and does not select it";
    LoadFontFile("", 33);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "no sprite slot beyond the fonts is touched";
    SelectFont(3);
    FillRect(0, 0, 100, 100, test::packed(kGrey));
    DrawText("ABC", 10, 10, 1);
    EXPECT_EQ(readPixel(12, 12), kGrey) << "an empty font slot draws nothing";
}

TEST_F(FontTest, BlackIsTheFontKeyOfBmpFonts) {
    test::BmpLayout layout{128, 64};  // white ink on black, cell 'X' half filled
    layout.pixel = [](int x, int y) { return (y / 8) * 16 + x / 8 == 'X' && x % 8 < 4 ? 0xFFFFFFu : 0u; };
    LoadFontFile(write("f.bmp", test::makeBmp(layout)), 0);
    ASSERT_EQ(LastErrorCode(), 0);
    EXPECT_EQ(glyph(0, 'X').width, 5) << "black counts as empty";
    FillRect(0, 0, 100, 100, test::packed(kGrey));
    DrawText("X", 20, 30, 0);
    EXPECT_EQ(readPixel(21, 31), kWhite);
    EXPECT_EQ(readPixel(25, 31), kGrey) << "keyed black never covers the background";
}

TEST_F(FontTest, BuiltInTextStartsAtTheRoundedUpPosition) {
    InstallBuiltInFont(0);
    SelectFont(0);
    FillRect(0, 0, 100, 100, test::packed(kGrey));
    // 'M' lights its shape's column 0 in row 0: cell pixel (1, 1), outlined at (0, 1).
    DrawText("M", 10.2, 20, 0);
    EXPECT_EQ(readPixel(10, 21), kGrey) << "x 10.2 starts in column 11";
    EXPECT_EQ(readPixel(11, 21), (Rgb{8, 8, 8})) << "the outline";
    EXPECT_EQ(readPixel(12, 21), kWhite);
    EXPECT_EQ(readPixel(11, 20), kGrey) << "transparent cell pixels are cut out";
    DrawText("M", 30, 19.01, 0);
    EXPECT_EQ(readPixel(32, 21), kWhite) << "y is rounded up too";
}

TEST_F(FontTest, Byte128EndsTextOnlyInA128GlyphFont) {
    loadVaried(0);
    const char text[] = "AB\x80" "C";
    DrawText(text, 0, 0, 0);
    EXPECT_EQ(readPixel(16 + 2, 5), kWhite) << "B is drawn";
    for (int x = 32; x < 64; ++x) ASSERT_EQ(readPixel(x, 5), kGrey) << "nothing after B, x " << x;
    LoadFontFile(write("tall.png", fontPng(128, 256, 16, [](int) { return Ink{0, 8}; })), 1);
    FillRect(0, 0, 100, 100, test::packed(kGrey));
    DrawText(text, 0, 0, 0);
    EXPECT_EQ(readPixel(16 + 3, 5), kWhite) << "byte 128 is a glyph of a 256-glyph font";
    EXPECT_EQ(readPixel(24 + 3, 5), kWhite) << "and C follows it";
}

TEST_F(FontTest, TextLeavesThePolygonBatchAlone) {
    InstallBuiltInFont(0);
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}}) AddPolygonVertex(x, y, 0, 0, 0xFF);
    DrawText("HELLO", 50, 50, 0);
    EXPECT_EQ(CurrentPolygonBatch()->count, 3);
    EXPECT_EQ(CurrentPolygonBatch()->spriteId, -1);
    EndPolygon();
    EXPECT_EQ(readPixel(8, 2), (Rgb{255, 0, 0})) << "the batch still draws after the text";
}

TEST_F(FontTest, DefaultFontIsTheFirstFileFoundOrTheBuiltIn) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    SelectFont(7);
    LoadDefaultFont();
    EXPECT_EQ(CurrentFont(), 0);
    EXPECT_EQ(fontRecord(0).width, 128) << "no file: the built-in font";
    EXPECT_EQ(glyph(0, 'Q').width, 8);
    DrawText("!", 0, 0, 0);
    EXPECT_EQ(readPixel(3, 2), kWhite) << "'!' is lit at shape column 2, row 1";

    test::BmpLayout bmp{64, 32};
    bmp.pixel = [](int, int) { return 0xFFFFFFu; };
    std::filesystem::create_directory(dir / "Media");
    write("smalfont.png", fontPng(256, 128, 16, [](int) { return Ink{0, 3}; }));
    write("Media/smalfont.bmp", test::makeBmp(bmp));
    LoadDefaultFont();
    EXPECT_EQ(fontRecord(0).width, 64) << "Media/smalfont.bmp comes before smalfont.png";
    write("Media/smalfont.png", fontPng(512, 256, 32, [](int) { return Ink{0, 3}; }));
    LoadDefaultFont();
    EXPECT_EQ(fontRecord(0).width, 512) << "Media/smalfont.png comes first";
    EXPECT_EQ(glyph(0, 'A').width, 4);
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace qvt
