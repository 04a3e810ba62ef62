// The small sprites of the play field: crate, beam of light, bonus item and explosion
// fragment. How the game tints and blends each one decides how it is painted:
// - Blocks.png is tinted (0, 128, 255) and drawn at 70 % opacity: a grey crate turns blue.
// - Beam.png is added to the screen and tinted with flickering random colours: a white,
//   black-framed glow that is the same in every row, since it is stretched along the beam.
// - Bonus.png and explode.png are drawn untinted at 70 % opacity with their own alpha.
#include <algorithm>
#include <cmath>

#include "canvas.h"
#include "generators.h"
#include "noise.h"

namespace qvt::media {

namespace {

constexpr float kTau = 6.2831853f;

// ---- Crate ----------------------------------------------------------------------------

float roundedBoxDistance(float x, float y, float half, float radius) {
    const float qx = std::max(std::fabs(x) - half + radius, 0.f);
    const float qy = std::max(std::fabs(y) - half + radius, 0.f);
    return std::sqrt(qx * qx + qy * qy) - radius;
}

float grime(float x, float y) { return 0.92f + 0.16f * fbm2(x * 0.18f, y * 0.18f, 3, 7u); }

// Light from the upper left on a frame 6 pixels deep.
float rimShade(float x, float y) {
    const float left = x, top = y, right = 63.f - x, bottom = 63.f - y;
    const float m = std::min({left, top, right, bottom});
    if (m == top || m == left) return 1.08f;
    return 0.62f;
}

Rgba crateSample(float x, float y) {
    const float cx = x - 32.f, cy = y - 32.f;
    if (roundedBoxDistance(cx, cy, 31.6f, 4.f) > 0.f) return {};
    float grey;
    const bool rim = std::fabs(cx) > 25.f || std::fabs(cy) > 25.f;
    if (rim) {
        grey = 0.82f * rimShade(x, y);
        if (std::fabs(cx) > 30.5f || std::fabs(cy) > 30.5f) grey *= 0.8f;
    } else {
        grey = 0.58f;
        for (float dir : {1.f, -1.f}) {  // the X brace, raised and lit along its upper edge
            const float d = (cx - dir * cy) * 0.7071f;
            if (std::fabs(d) < 4.2f) grey = d * dir < -2.8f ? 0.98f : (d * dir > 2.8f ? 0.55f : 0.84f);
        }
        if (std::fabs(std::fabs(cx) - 25.f) < 1.f || std::fabs(std::fabs(cy) - 25.f) < 1.f) grey = 0.36f;
    }
    for (float rx : {-28.f, 28.f}) {
        for (float ry : {-28.f, 28.f}) {
            const float d = std::hypot(cx - rx, cy - ry);
            if (d < 1.9f) grey = d < 0.9f && cx - rx < 0.f && cy - ry < 0.f ? 1.1f : 0.72f;
        }
    }
    grey = std::clamp(grey * grime(x, y), 0.f, 1.f);
    return {grey, grey, grey, 1.f};
}

Canvas crate() {
    Canvas canvas(64, 64);
    renderSamples(canvas, {0, 0, 63, 63}, crateSample);
    bleedTransparent(canvas);
    return canvas;
}

// ---- Beam -----------------------------------------------------------------------------

Canvas beam() {
    Canvas canvas(16, 16, rgb255(0, 0, 0));
    for (int x = 0; x < 16; ++x) {
        const float d = x + 0.5f - 8.f;
        const float core = std::exp(-d * d / 5.f);
        const float halo = 0.38f * std::exp(-d * d / 18.f);
        // Edge columns stay black: GL_REPEAT filtering would bleed them into each other.
        const float window = std::sin(kTau * 0.5f * (x + 0.5f) / 16.f);
        const float v = std::min(1.f, (core + halo) * window);
        for (int y = 0; y < 16; ++y) canvas.at(x, y) = {v, v, v, 1.f};
    }
    return canvas;
}

// ---- Bonus ----------------------------------------------------------------------------

constexpr Vec2 kStarCentre{16.f, 16.6f};
constexpr float kStarOuter = 14.2f;
constexpr float kStarInner = 6.1f;

// Point of the 5-pointed star, index 0 the top point, odd indexes the inner corners.
Vec2 starCorner(int i) {
    const float angle = -kTau / 4.f + kTau * i / 10.f;
    const float r = i % 2 == 0 ? kStarOuter : kStarInner;
    return {kStarCentre.x + r * std::cos(angle), kStarCentre.y + r * std::sin(angle)};
}

// Each point is two facets; a facet's brightness follows its direction against the light.
Rgba starFacet(float x, float y) {
    const float angle = std::atan2(y - kStarCentre.y, x - kStarCentre.x) + kTau / 4.f;
    const float sector = std::floor((angle < 0.f ? angle + kTau : angle) / (kTau / 10.f));
    const float mid = -kTau / 4.f + (sector + 0.5f) * kTau / 10.f;
    const float toLight = std::cos(mid - (-kTau * 3.f / 8.f));
    const float light = (0.86f + 0.3f * toLight) * (static_cast<int>(sector) % 2 ? 0.84f : 1.f);
    Rgba c = scaled(rgb255(255, 214, 64), light);
    c.r = std::min(c.r, 1.f), c.g = std::min(c.g, 1.f);
    const float hx = x - 12.f, hy = y - 10.f;
    return mix(c, rgb255(255, 255, 235), std::exp(-(hx * hx + hy * hy) / 6.f) * 0.9f);
}

Canvas bonus() {
    Canvas canvas(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const float d = std::hypot(x + 0.5f - kStarCentre.x, y + 0.5f - kStarCentre.y);
            const float glow = 0.9f * std::exp(-d * d / 80.f) * smoothstep(15.9f, 12.f, d);
            canvas.at(x, y) = {1.f, 0.96f, 0.62f, glow};
        }
    }
    std::vector<Vec2> star;
    for (int i = 0; i < 10; ++i) star.push_back(starCorner(i));
    Canvas shape(32, 32);
    fillPolygon(shape, star, starFacet);
    addOutline(shape, rgb255(120, 40, 0));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) canvas.blend(x, y, shape.at(x, y));
    bleedTransparent(canvas);
    return canvas;
}

// ---- Explosion fragment ----------------------------------------------------------------

Rgba fireColour(float heat) {
    const Rgba stops[] = {rgb255(60, 8, 4), rgb255(200, 30, 8), rgb255(255, 120, 16), rgb255(255, 220, 90),
                          rgb255(255, 255, 235)};
    heat = std::clamp(heat, 0.f, 1.f) * 4.f;
    const int i = std::min(static_cast<int>(heat), 3);
    return mix(stops[i], stops[i + 1], heat - i);
}

Rgba burstSample(float x, float y) {
    const float dx = x - 32.f, dy = y - 32.f;
    const float r = std::hypot(dx, dy);
    const float angle = std::atan2(dy, dx);
    // A ragged rim: the radius wobbles with noise taken around a circle, so it closes up.
    const float rim = 22.f + 8.f * fbm2(std::cos(angle) * 2.2f + 5.f, std::sin(angle) * 2.2f + 5.f, 3, 31u);
    const float d = r / rim;
    if (d >= 1.f) return {};
    const float churn = fbm2(x * 0.16f, y * 0.16f, 4, 57u);
    const float heat = (1.f - d) * 1.25f + (churn - 0.5f) * 0.7f;
    Rgba c = fireColour(heat);
    c.a = smoothstep(1.f, 0.72f, d) * (0.75f + 0.25f * churn);
    return c;
}

Canvas burst() {
    Canvas canvas(64, 64);
    renderSamples(canvas, {0, 0, 63, 63}, burstSample);
    Rng rng(0xB00Bu);
    for (int i = 0; i < 14; ++i) {  // embers flung out of the ball
        const float a = rng.range(0.f, kTau), r = rng.range(20.f, 29.f);
        const Vec2 p{32.f + r * std::cos(a), 32.f + r * std::sin(a)};
        const float size = rng.range(0.8f, 1.6f);
        fillCircle(canvas, p, size, [](float, float) { return rgb255(255, 214, 120); });
    }
    bleedTransparent(canvas);
    return canvas;
}

}  // namespace

bool makeSprites(const std::string& mediaDir) {
    bool ok = savePicture(crate(), mediaDir, "pell/Blocks.png", true);
    ok = savePicture(beam(), mediaDir, "pell/Beam.png", false) && ok;
    ok = savePicture(bonus(), mediaDir, "pell/Bonus.png", true) && ok;
    ok = savePicture(burst(), mediaDir, "pell/explode.png", true) && ok;
    return ok;
}

}  // namespace qvt::media
