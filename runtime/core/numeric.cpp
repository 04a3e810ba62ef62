#include "core/numeric.h"

#include <algorithm>
#include <numbers>

namespace qvt {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// Both ends of one axis of a box, low first, widened so that sums cannot wrap.
struct Span {
    std::int64_t low;
    std::int64_t high;
};

Span axisSpan(std::int32_t position, std::int32_t size) {
    std::int64_t p = position;
    std::int64_t end = p;
    if (size > 0) end = p + size - 1;
    if (size < 0) end = p + size + 1;
    return {std::min(p, end), std::max(p, end)};
}

bool spansMeet(Span a, Span b) { return std::max(a.low, b.low) <= std::min(a.high, b.high); }

}  // namespace

double Sin(double degrees) { return std::sin(degrees * kRadiansPerDegree); }

double Cos(double degrees) { return std::cos(degrees * kRadiansPerDegree); }

double Tan(double degrees) { return std::tan(degrees * kRadiansPerDegree); }

double ATan(double a, double b) { return std::atan2(a, b) * kDegreesPerRadian; }

double ACos(double x) {
    if (x >= 1.0) return 0.0;
    if (x <= -1.0) return 180.0;
    return std::acos(x) * kDegreesPerRadian;
}

double Sqr(double x) { return std::sqrt(x); }

double Pow(double a, double b) { return std::pow(a, b); }

double Log(double x) { return std::log(x); }

std::int32_t ModInt(std::int32_t a, std::int32_t b) {
    // INT32_MIN % -1 traps on x86; its true remainder is 0.
    if (b == 0 || b == -1) return 0;
    return a % b;
}

double ModFloat(double a, double b) {
    if (b == 0.0) return 0.0;
    return std::fmod(a, b);
}

std::int32_t BoxOverlap(std::int32_t x1, std::int32_t y1, std::int32_t w1, std::int32_t h1,
                        std::int32_t x2, std::int32_t y2, std::int32_t w2, std::int32_t h2) {
    if (!spansMeet(axisSpan(x1, w1), axisSpan(x2, w2))) return 0;
    return spansMeet(axisSpan(y1, h1), axisSpan(y2, h2)) ? 1 : 0;
}

}  // namespace qvt
