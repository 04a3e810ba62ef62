// Bitmap fonts: cell layouts, proportional glyph records, the font slots and their errors,
// and text read back from the frame.
#include "gfx/font.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "image_test_util.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Bytes;
using test::scan;

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

// Text is drawn on blue, so white ink and keyed (transparent) pixels tell apart.
class FontTest : public test::ImageFileTest {
protected:
    void SetUp() override {
        ImageFileTest::SetUp();
        SetClearColour(0xFF0000);
    }
    static const Glyph& glyph(int font, int code) { return graphics()->fonts[font][code]; }
    static const SpriteRecord& fontRecord(int font) { return graphics()->sprites[kFirstFontSprite + font]; }
};

TEST_F(FontTest, CellLayoutsFollowTheImageShape) {
    // Glyph 130 has ink 2 wide (+1 spacing) in a 256-glyph font; in a 128-glyph font it
    // repeats glyph 2, whose ink is 3 wide.
    for (auto [width, height, cellWidth, cellHeight, glyph130] :
         {std::array{256, 128, 16, 16, 4}, {128, 256, 8, 16, 3}, {256, 256, 16, 32, 4}}) {
        LoadFontFile(write("f.png", fontPng(width, height, cellHeight, [](int code) { return Ink{0, 1 + code % 3}; })), 2);
        std::int32_t w = 0, h = 0;
        GetFontCellSize(&w, &h);
        EXPECT_EQ(std::tuple(LastErrorCode(), w, h, int(glyph(2, 130).width)), std::tuple(0, cellWidth, cellHeight, glyph130))
            << width << "x" << height;
    }
}

TEST_F(FontTest, ProportionalWidthsFollowTheInkAndByte128EndsA128GlyphText) {
    LoadFontFile(write("varied.png", fontPng(256, 128, 16, variedInk)), 0);
    EXPECT_EQ(glyph(0, 'W').width, 14) << "ink up to the right edge gets no spacing column";
    // 'A' 7, 'B' 8, 'C' 9 wide, the space as wide as the j (5); fixed width is the cell.
    // Records are indexed by the byte: byte 128 is code 0's empty cell (a whole cell wide),
    // 160 keeps the space's own ink.
    for (auto [text, fixed, proportional] :
         {std::tuple{"ABC", 48, 24}, {" ", 16, 5}, {"", 0, 0}, {"AB\x80" "C", 64, 40}, {"\xA0", 16, 10}}) {
        EXPECT_EQ(GetTextWidth(text, 0) * 1000 + GetTextWidth(text, 1), fixed * 1000 + proportional) << text;
    }
    DrawText("AB", 100, 200, 1);
    EXPECT_EQ(scan(100, 114, 205), "WWWWWWBWWWWWWWB") << "B follows A's 7-pixel advance";
    DrawText("AB\x80" "C", 0, 0, 0);
    EXPECT_EQ(scan(18, 18, 5) + scan(32, 63, 5), "W" + std::string(32, 'B')) << "byte 128 ends it";
}

TEST_F(FontTest, FontSlotErrors) {
    LoadFontFile(write("varied.png", fontPng(256, 128, 16, variedInk)), 3);
    LoadFontFile(RuntimeString(std::string_view(dir / "missing.png")), 4);
    EXPECT_EQ(std::tuple(LastErrorCode(), CurrentFont(), fontRecord(4).width, fontRecord(4).height, glyph(4, 'A').width),
              std::tuple(kErrNoSuchFile, 4, std::int16_t(128), std::int16_t(64), std::uint16_t(8)))
        << "the built-in font stands in";
    SelectFont(3);
    LoadFontFile(write("small.png", fontPng(128, 64, 8, [](int) { return Ink{0, 8}; })), 40);
    EXPECT_EQ(std::tuple(LastErrorCode(), CurrentFont(), int(glyph(3, 'A').width)), std::tuple(kErrOutOfMemory, 3, 8))
        << "font 40 does not exist: loaded into the current font instead";
    SelectFont(32);
    EXPECT_EQ(LastErrorCode() * 100 + CurrentFont(), kErrOutOfMemory * 100 + 3) << "no font 32";
    SelectFont(5);
    LoadFontFile("", 3);
    EXPECT_EQ(std::tuple(LastErrorCode(), fontRecord(3).texture, CurrentFont()), std::tuple(0, 0u, 5))
        << "an empty path empties the font's texture and does not select it";
    LoadFontFile("", 33);
    EXPECT_EQ(LastErrorCode() * 100 + CurrentFont(), 5) << "the empty path before the number check";
    SelectFont(3);
    DrawText("ABC", 10, 10, 1);
    EXPECT_EQ(scan(10, 40, 12), std::string(31, 'B')) << "an empty font slot draws nothing";
}

TEST_F(FontTest, BlackIsTheKeyOfBmpFontsTextStartsRoundedUpAndLeavesTheBatchAlone) {
    test::BmpLayout layout{128, 64};  // white ink on black, cell 'X' half filled
    layout.pixel = [](int x, int y) { return (y / 8) * 16 + x / 8 == 'X' && x % 8 < 4 ? 0xFFFFFFu : 0u; };
    LoadFontFile(write("f.bmp", test::makeBmp(layout)), 0);
    EXPECT_EQ(glyph(0, 'X').width, 5) << "black counts as empty";
    DrawText("X", 20, 30, 0);
    EXPECT_EQ(scan(19, 28, 31), "BWWWWBBBBB") << "keyed black never covers the background";
    InstallBuiltInFont(0);
    // 'M' lights its shape's column 0 in row 0: cell pixel (1, 1), outlined at (0, 1).
    DrawText("M", 10.2, 40, 0);
    EXPECT_EQ(scan(10, 12, 41, 'o', {8, 8, 8}) + scan(11, 11, 40), "BoWB")
        << "x 10.2 starts in column 11; transparent cell pixels are cut out";
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}}) AddPolygonVertex(x, y, 0, 0, 0xFF);
    DrawText("HELLO", 50, 50, 0);
    EXPECT_EQ(CurrentPolygonBatch()->count * 10 + CurrentPolygonBatch()->spriteId, 29) << "text leaves the batch alone";
    EndPolygon();
    EXPECT_EQ(scan(8, 8, 2), "R") << "the batch still draws after the text";
}

}  // namespace
}  // namespace qvt
