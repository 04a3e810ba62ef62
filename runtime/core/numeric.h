// The runtime's number operations: trigonometry in degrees, remainders, roots, logarithms
// and the box-overlap test.
#pragma once

#include <cmath>
#include <cstdint>

namespace qvt {

// Truncates toward zero to int32. NaN and values beyond the int32 range give INT32_MIN
// (as the x87 conversion did), which every bounds check rejects.
inline std::int32_t truncToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// Sine of an angle in degrees.
double Sin(double degrees);
// Cosine of an angle in degrees.
double Cos(double degrees);
// Tangent of an angle in degrees.
double Tan(double degrees);
// atan2(a, b) in degrees, -180..180.
double ATan(double a, double b);
// Arc cosine in degrees, 0..180; x >= 1 gives 0 and x <= -1 gives 180.
double ACos(double x);
// Square root; NaN for negative x.
double Sqr(double x);
// a to the power b.
double Pow(double a, double b);
// Natural logarithm.
double Log(double x);
// Remainder with the sign of a; 0 when b is 0.
std::int32_t ModInt(std::int32_t a, std::int32_t b);
// fmod(a, b); 0 when b is 0.
double ModFloat(double a, double b);
// 1 when the boxes (x, y, width, height) share a pixel, else 0. A negative size runs
// towards smaller coordinates; a zero size still covers its one row or column.
std::int32_t BoxOverlap(std::int32_t x1, std::int32_t y1, std::int32_t w1, std::int32_t h1,
                        std::int32_t x2, std::int32_t y2, std::int32_t w2, std::int32_t h2);

}  // namespace qvt
