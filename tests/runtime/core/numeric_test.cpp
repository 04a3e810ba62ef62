#include "core/numeric.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

namespace qvt {
namespace {

TEST(NumericTest, DegreesRootsPowersAndLogs) {
    // ModInt keeps the sign of the dividend and never traps.
    const std::pair<double, double> results[] = {
        {Sin(30.0), 0.5}, {Cos(60.0), 0.5}, {Tan(45.0), 1.0}, {ATan(1.0, -1.0), 135.0},
        {ACos(1.5), 0.0}, {ACos(0.5), 60.0}, {Sqr(16.0), 4.0}, {Pow(2.0, 10.0), 1024.0},
        {Log(std::exp(3.0)), 3.0}, {ModFloat(-7.5, 2.0), -1.5}, {ModFloat(7.5, 0.0), 0.0},
        {ModInt(-7, 3), -1}, {ModInt(7, 0), 0}, {ModInt(INT32_MIN, -1), 0}};
    for (auto [result, expected] : results) EXPECT_NEAR(result, expected, 1e-12);
    EXPECT_TRUE(std::isnan(Sqr(-1.0))) << "negative input gives NaN, not a trap";
}

TEST(NumericTest, TruncToInt32TruncatesTowardZeroAndRejectsTheUnrepresentable) {
    const std::pair<double, std::int32_t> cases[] = {
        {-2.9, -2}, {2147483647.9, INT32_MAX}, {3e9, INT32_MIN}, {std::nan(""), INT32_MIN}};
    for (auto [value, expected] : cases) EXPECT_EQ(truncToInt32(value), expected) << value;
}

TEST(BoxOverlapTest, EdgesNegativeSizesAndExtremes) {
    // Two boxes (x, y, width, height) and whether they overlap.
    const std::tuple<std::array<std::int32_t, 4>, std::array<std::int32_t, 4>, int> cases[] = {
        {{0, 0, 10, 10}, {10, 0, 10, 10}, 0},  // x 0..9 and 10..19 touch
        {{9, 9, 5, 5}, {0, 0, 10, 10}, 1},     // share the pixel (9, 9)
        {{5, 5, 0, 0}, {5, 5, 0, 0}, 1},       // two points at one pixel
        {{9, 0, -10, 10}, {10, 0, 5, 5}, 0},   // width -10 at x 9 spans 0..9
        {{INT32_MAX, 0, INT32_MAX, 1}, {INT32_MIN, 0, 10, 1}, 0},   // no wrap at the top
        {{INT32_MAX - 1, 0, INT32_MAX, 1}, {INT32_MAX, 0, 1, 1}, 1}};  // the last pixel
    for (const auto& [a, b, overlap] : cases) {
        EXPECT_EQ(BoxOverlap(a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3]), overlap) << a[0];
    }
}

}  // namespace
}  // namespace qvt
