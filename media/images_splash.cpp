// orvelsoft.png: the maker's splash, 640 x 480, shown full screen while the game starts.
// Night sky over a glowing horizon and a grid floor, a small orbit emblem, and the name in
// the game's own letter shapes, chromed and glowing. The band from y 440 down stays dim,
// because the game writes "CONTACTING HISCORE SERVER" there.
#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "generators.h"
#include "glyphs.h"
#include "noise.h"

namespace qvt::media {

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kHorizon = 330.f;
constexpr float kTau = 6.2831853f;

// ---- Sky, stars and floor -------------------------------------------------------------------

Rgba skyColour(float y) {
    const Rgba top = rgb255(4, 3, 20), middle = rgb255(28, 8, 58), low = rgb255(150, 24, 96);
    if (y < 200.f) return mix(top, middle, y / 200.f);
    return mix(middle, low, std::pow((y - 200.f) / (kHorizon - 200.f), 2.2f));
}

float gridLine(float distance, float width) { return std::exp(-distance * distance / (width * width)); }

// Perspective floor: rows at equal steps in depth, columns converging on the horizon centre.
Rgba floorColour(float x, float y) {
    const float below = y - kHorizon;
    const float depth = 600.f / (below + 2.f);
    const float row = std::fabs(depth - std::round(depth / 4.f) * 4.f) * below / depth * 1.2f;
    const float across = (x - 320.f) / below * 40.f;
    const float column = std::fabs(across - std::round(across / 60.f) * 60.f) * below / 40.f;
    const float lines = std::max(gridLine(row, 1.1f), gridLine(column, 1.0f));
    const float fade = std::exp(-below / 70.f) * 0.85f + 0.15f;
    const float dim = 1.f - 0.7f * smoothstep(95.f, 120.f, below);  // the text band
    const Rgba base = mix(rgb255(60, 10, 52), rgb255(8, 4, 18), below / 60.f);
    return mix(base, rgb255(255, 80, 200), lines * fade * dim);
}

void paintBackground(Canvas& canvas) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float fy = y + 0.5f;
            Rgba c = fy < kHorizon ? skyColour(fy) : floorColour(x + 0.5f, fy);
            const float horizonGlow = std::exp(-std::fabs(fy - kHorizon) / 5.f);
            canvas.at(x, y) = mix(c, rgb255(255, 150, 210), horizonGlow);
        }
    }
}

void paintStars(Canvas& canvas) {
    Rng rng(0x0E5E1u);
    for (int i = 0; i < 420; ++i) {
        const float x = rng.range(0.f, kWidth), y = rng.range(0.f, kHorizon - 20.f);
        const float bright = std::pow(rng.uniform(), 3.f) * (1.f - y / kHorizon);
        const Rgba tint = mix(rgb255(170, 200, 255), rgb255(255, 230, 200), rng.uniform());
        canvas.add(static_cast<int>(x), static_cast<int>(y), {tint.r, tint.g, tint.b, 0.25f + 0.75f * bright});
        if (bright < 0.35f) continue;
        for (int d = 1; d <= 4; ++d) {  // a glint on the brightest ones
            const float a = bright * 0.55f / d;
            canvas.add(static_cast<int>(x) + d, static_cast<int>(y), {tint.r, tint.g, tint.b, a});
            canvas.add(static_cast<int>(x) - d, static_cast<int>(y), {tint.r, tint.g, tint.b, a});
            canvas.add(static_cast<int>(x), static_cast<int>(y) + d, {tint.r, tint.g, tint.b, a});
            canvas.add(static_cast<int>(x), static_cast<int>(y) - d, {tint.r, tint.g, tint.b, a});
        }
    }
}

// ---- Emblem: a star with a tilted orbit and its planet -------------------------------------

constexpr Vec2 kEmblem{320.f, 104.f};

float orbitDistance(float x, float y) {
    const float tilt = -0.35f;
    const float dx = x - kEmblem.x, dy = y - kEmblem.y;
    const float u = dx * std::cos(tilt) + dy * std::sin(tilt);
    const float v = -dx * std::sin(tilt) + dy * std::cos(tilt);
    const float e = std::hypot(u / 62.f, v / 17.f);
    return std::fabs(e - 1.f) * 17.f;
}

void paintEmblem(Canvas& canvas) {
    for (int y = 40; y < 170; ++y) {
        for (int x = 220; x < 420; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float r = std::hypot(fx - kEmblem.x, fy - kEmblem.y);
            const float core = std::exp(-r * r / 40.f) + 0.35f * std::exp(-r / 14.f);
            const float ray = std::exp(-std::fabs(fy - kEmblem.y) * 1.2f) * std::exp(-std::fabs(fx - kEmblem.x) / 45.f) +
                              std::exp(-std::fabs(fx - kEmblem.x) * 1.2f) * std::exp(-std::fabs(fy - kEmblem.y) / 30.f);
            const float ring = gridLine(orbitDistance(fx, fy), 1.1f);
            canvas.add(x, y, {1.f, 0.93f, 0.8f, std::min(1.f, core + 0.6f * ray)});
            canvas.add(x, y, {0.45f, 0.85f, 1.f, ring * 0.9f});
        }
    }
    const float a = 0.42f * kTau;  // the planet on its orbit, lit from the star
    const float u = 62.f * std::cos(a), v = 17.f * std::sin(a), tilt = -0.35f;
    const Vec2 planet{kEmblem.x + u * std::cos(tilt) - v * std::sin(tilt), kEmblem.y + u * std::sin(tilt) + v * std::cos(tilt)};
    fillCircle(canvas, planet, 7.f, [&](float x, float y) {
        const float lit = clamp01(0.5f + ((kEmblem.x - planet.x) * (x - planet.x) + (kEmblem.y - planet.y) * (y - planet.y)) /
                                             (7.f * std::hypot(kEmblem.x - planet.x, kEmblem.y - planet.y)));
        return mix(rgb255(40, 30, 110), rgb255(120, 220, 255), lit);
    });
}

// ---- Lettering -----------------------------------------------------------------------------

struct Lettering {
    std::string_view text;
    float left, top, pixel;  // a design pixel is pixel x pixel screen pixels
    float gap;               // between letters, in screen pixels
};

bool letterCovers(const Lettering& l, float x, float y) {
    const float step = kGlyphColumns * l.pixel + l.gap;
    const int index = static_cast<int>(std::floor((x - l.left) / step));
    if (x < l.left || index >= static_cast<int>(l.text.size())) return false;
    const float lx = x - l.left - index * step, ly = y - l.top;
    if (ly < 0.f) return false;
    return glyphLit(glyphBits(l.text[index]), static_cast<int>(lx / l.pixel), static_cast<int>(ly / l.pixel));
}

Box letterBox(const Lettering& l, int margin) {
    const float width = l.text.size() * (kGlyphColumns * l.pixel + l.gap);
    return {static_cast<int>(l.left) - margin, static_cast<int>(l.top) - margin, static_cast<int>(l.left + width) + margin,
            static_cast<int>(l.top + kGlyphRows * l.pixel) + margin};
}

// Chrome: sky above the middle line, a dark band, warm light below it.
Rgba chrome(const Lettering& l, float y) {
    const float t = (y - l.top) / (7.f * l.pixel);
    if (t < 0.52f) return mix(rgb255(120, 190, 255), rgb255(255, 255, 255), t / 0.52f);
    if (t < 0.6f) return mix(rgb255(40, 24, 90), rgb255(90, 40, 130), (t - 0.52f) / 0.08f);
    return mix(rgb255(150, 60, 160), rgb255(255, 190, 120), (t - 0.6f) / 0.4f);
}

// Coverage of the letters, 4 x 4 samples per pixel, for the glow and the outline.
std::vector<float> letterMask(const Lettering& l) {
    std::vector<float> mask(static_cast<std::size_t>(kWidth) * kHeight, 0.f);
    const Box b = letterBox(l, 0);
    for (int y = std::max(b.y0, 0); y <= std::min(b.y1, kHeight - 1); ++y)
        for (int x = std::max(b.x0, 0); x <= std::min(b.x1, kWidth - 1); ++x) {
            int hits = 0;
            for (int s = 0; s < 16; ++s) hits += letterCovers(l, x + (s % 4 + 0.5f) / 4.f, y + (s / 4 + 0.5f) / 4.f);
            mask[y * kWidth + x] = hits / 16.f;
        }
    return mask;
}

// Separable box blur, three passes make it close to a Gaussian.
std::vector<float> blurred(std::vector<float> m, int radius) {
    std::vector<float> tmp(m.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    float sum = 0.f;
                    for (int d = -radius; d <= radius; ++d) {
                        const int sx = horizontal ? std::clamp(x + d, 0, kWidth - 1) : x;
                        const int sy = horizontal ? y : std::clamp(y + d, 0, kHeight - 1);
                        sum += m[sy * kWidth + sx];
                    }
                    tmp[y * kWidth + x] = sum / (2 * radius + 1);
                }
            m.swap(tmp);
        }
    }
    return m;
}

void paintLettering(Canvas& canvas, const Lettering& l, const Rgba& glow, float glowStrength, int rim) {
    const std::vector<float> mask = letterMask(l);
    const std::vector<float> halo = blurred(mask, rim * 3);
    const std::vector<float> edge = blurred(mask, rim);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            canvas.add(x, y, {glow.r, glow.g, glow.b, std::min(1.f, halo[i] * glowStrength)});
            canvas.blend(x, y, rgb255(10, 6, 30), std::min(1.f, edge[i] * 3.f));
        }
    fillArea(canvas, letterBox(l, 0), [&](float x, float y) { return letterCovers(l, x, y); },
             [&](float, float y) { return chrome(l, y); });
}

}  // namespace

bool makeSplash(const std::string& mediaDir) {
    Canvas canvas(kWidth, kHeight);
    paintBackground(canvas);
    paintStars(canvas);
    paintEmblem(canvas);
    const Lettering name{"ORVELSOFT", 36.f, 176.f, 8.f, 8.f};
    paintLettering(canvas, name, rgb255(255, 60, 190), 1.6f, 3);
    const Lettering tagline{"GAMES FROM THE STARS", 0.f, 266.f, 2.f, 4.f};
    const float width = tagline.text.size() * (kGlyphColumns * 2.f + 4.f) - 4.f;
    Lettering centred = tagline;
    centred.left = std::round((kWidth - width) / 2.f);
    paintLettering(canvas, centred, rgb255(80, 160, 255), 0.9f, 1);
    return savePicture(canvas, mediaDir, "orvelsoft.png", false);
}

}  // namespace qvt::media
