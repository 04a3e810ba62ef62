// Filled rectangles, lines and points land on exact pixels.
#include <gtest/gtest.h>

#include "gfx/draw.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;
using test::readPixel;

const Rgb kRed{255, 0, 0};
const Rgb kBlack{0, 0, 0};
const double kRedPacked = 0x0000FF;

// True when exactly the pixels x0..x1, y0..y1 (inclusive) are red along the rectangle's
// border and its one-pixel surround.
::testing::AssertionResult coversExactly(int x0, int y0, int x1, int y1) {
    for (int x = x0 - 1; x <= x1 + 1; ++x) {
        for (int y = y0 - 1; y <= y1 + 1; ++y) {
            const bool border = x <= x0 || x >= x1 || y <= y0 || y >= y1;
            if (!border) continue;
            const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
            const Rgb got = readPixel(x, y);
            if (got != (inside ? kRed : kBlack)) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                     << got << (inside ? ", inside" : ", outside");
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class PrimitivesTest : public test::GlTest {};

TEST_F(PrimitivesTest, FillRectCoversItsPixels) {
    FillRect(20, 30, 5, 4, kRedPacked);
    EXPECT_TRUE(coversExactly(20, 30, 24, 33));
}

TEST_F(PrimitivesTest, NegativeSizesReachBackIncludingTheCorner) {
    FillRect(10, 10, -5, -5, kRedPacked);
    EXPECT_TRUE(coversExactly(6, 6, 10, 10)) << "FillRect(10, 10, -5, -5) is (6, 6)..(10, 10)";
}

TEST_F(PrimitivesTest, FractionalArgumentsAreTruncated) {
    FillRect(20.9, 30.9, 5.9, 4.9, kRedPacked);
    EXPECT_TRUE(coversExactly(20, 30, 24, 33));
}

TEST_F(PrimitivesTest, LineIncludesBothEnds) {
    DrawLine(50, 40, 59, 40, kRedPacked);
    for (int x = 50; x <= 59; ++x) EXPECT_EQ(readPixel(x, 40), kRed) << "x " << x;
    EXPECT_EQ(readPixel(49, 40), kBlack);
    EXPECT_EQ(readPixel(60, 40), kBlack);
    DrawLine(70, 40, 70, 45, kRedPacked);
    EXPECT_EQ(readPixel(70, 45), kRed) << "the end pixel of a vertical line";
}

TEST_F(PrimitivesTest, PointIsOnePixel) {
    DrawPoint(33, 44, kRedPacked);
    EXPECT_EQ(readPixel(33, 44), kRed);
    for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
        EXPECT_EQ(readPixel(33 + dx, 44 + dy), kBlack) << dx << ", " << dy;
    }
}

}  // namespace
}  // namespace qvt
