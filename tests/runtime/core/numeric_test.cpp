#include "core/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qvt {
namespace {

constexpr double kTolerance = 1e-12;

TEST(NumericTest, TrigonometryWorksInDegrees) {
    EXPECT_NEAR(Sin(30.0), 0.5, kTolerance);
    EXPECT_NEAR(Sin(-90.0), -1.0, kTolerance);
    EXPECT_NEAR(Cos(60.0), 0.5, kTolerance);
    EXPECT_NEAR(Cos(180.0), -1.0, kTolerance);
    EXPECT_NEAR(Tan(45.0), 1.0, kTolerance);
    EXPECT_NEAR(ATan(1.0, 1.0), 45.0, kTolerance);
    EXPECT_NEAR(ATan(1.0, -1.0), 135.0, kTolerance) << "atan2 keeps the quadrant";
    EXPECT_NEAR(ATan(-1.0, 0.0), -90.0, kTolerance);
}

TEST(NumericTest, ACosClampsOutsideMinusOneToOne) {
    EXPECT_EQ(ACos(1.5), 0.0);
    EXPECT_EQ(ACos(1.0), 0.0);
    EXPECT_EQ(ACos(-2.0), 180.0);
    EXPECT_EQ(ACos(-1.0), 180.0);
    EXPECT_NEAR(ACos(0.5), 60.0, kTolerance);
    EXPECT_NEAR(ACos(0.0), 90.0, kTolerance);
}

TEST(NumericTest, RootsPowersAndLogs) {
    EXPECT_EQ(Sqr(16.0), 4.0);
    EXPECT_TRUE(std::isnan(Sqr(-1.0))) << "negative input gives NaN, not a trap";
    EXPECT_EQ(Pow(2.0, 10.0), 1024.0);
    EXPECT_NEAR(Log(std::exp(3.0)), 3.0, kTolerance);
}

TEST(NumericTest, ModIntKeepsTheSignOfTheDividend) {
    EXPECT_EQ(ModInt(7, 3), 1);
    EXPECT_EQ(ModInt(-7, 3), -1);
    EXPECT_EQ(ModInt(7, -3), 1);
    EXPECT_EQ(ModInt(7, 0), 0) << "zero divisor gives 0";
    EXPECT_EQ(ModInt(INT32_MIN, -1), 0) << "the one quotient that overflows must not trap";
    EXPECT_EQ(ModInt(INT32_MIN, 7), INT32_MIN % 7);
}

TEST(NumericTest, ModFloat) {
    EXPECT_DOUBLE_EQ(ModFloat(7.5, 2.0), 1.5);
    EXPECT_DOUBLE_EQ(ModFloat(-7.5, 2.0), -1.5);
    EXPECT_EQ(ModFloat(7.5, 0.0), 0.0) << "zero divisor gives 0, not NaN";
}

TEST(NumericTest, TruncToInt32TruncatesTowardZeroAndRejectsTheUnrepresentable) {
    EXPECT_EQ(truncToInt32(2.9), 2);
    EXPECT_EQ(truncToInt32(-2.9), -2);
    EXPECT_EQ(truncToInt32(-0.5), 0);
    EXPECT_EQ(truncToInt32(2147483647.9), INT32_MAX);
    EXPECT_EQ(truncToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(truncToInt32(3e9), INT32_MIN);
    EXPECT_EQ(truncToInt32(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(truncToInt32(-std::numeric_limits<double>::infinity()), INT32_MIN);
}

// ---- BoxOverlap -------------------------------------------------------------------------

TEST(BoxOverlapTest, TouchingEdgesDoNotOverlap) {
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 10, 0, 10, 10), 0) << "x 0..9 and 10..19";
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 0, 10, 10, 10), 0) << "y 0..9 and 10..19";
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 9, 9, 5, 5), 1) << "share the pixel (9, 9)";
    EXPECT_EQ(BoxOverlap(9, 9, 5, 5, 0, 0, 10, 10), 1) << "symmetric";
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 2, 2, 3, 3), 1) << "one inside the other";
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 9, 10, 5, 5), 0) << "x meets, y does not";
}

TEST(BoxOverlapTest, ZeroSizeCoversItsOwnRowOrColumn) {
    EXPECT_EQ(BoxOverlap(5, 5, 0, 0, 5, 5, 0, 0), 1) << "two points at the same pixel";
    EXPECT_EQ(BoxOverlap(5, 5, 0, 0, 6, 5, 0, 0), 0);
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 9, 0, 0, 0), 1) << "point on the last column";
    EXPECT_EQ(BoxOverlap(0, 0, 10, 10, 10, 0, 0, 0), 0) << "point just outside";
}

TEST(BoxOverlapTest, NegativeSizeRunsTowardsSmallerCoordinates) {
    // Width -10 at x 9 spans 0..9 (e = p + w + 1), the same pixels as width 10 at x 0.
    EXPECT_EQ(BoxOverlap(9, 0, -10, 10, 10, 0, 5, 5), 0);
    EXPECT_EQ(BoxOverlap(9, 0, -10, 10, 0, 0, 1, 1), 1);
    EXPECT_EQ(BoxOverlap(9, 0, -10, 10, -1, 0, 1, 1), 0);
    EXPECT_EQ(BoxOverlap(0, 9, 10, -10, 0, 0, 1, 1), 1);
    EXPECT_EQ(BoxOverlap(0, 9, 10, -10, 0, 10, 1, 1), 0);
    EXPECT_EQ(BoxOverlap(0, 0, -1, -1, 0, 0, 1, 1), 1) << "size -1 is the one pixel at p";
}

TEST(BoxOverlapTest, ExtremeCoordinatesDoNotWrap) {
    EXPECT_EQ(BoxOverlap(INT32_MAX, 0, INT32_MAX, 1, INT32_MIN, 0, 10, 1), 0);
    EXPECT_EQ(BoxOverlap(INT32_MIN, 0, INT32_MIN, 1, INT32_MAX, 0, 1, 1), 0);
    EXPECT_EQ(BoxOverlap(INT32_MAX - 1, 0, INT32_MAX, 1, INT32_MAX, 0, 1, 1), 1);
}

}  // namespace
}  // namespace qvt
