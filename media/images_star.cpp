// pell/Sun00.png .. Sun08.png: the star below the play field, 512 x 512, added to the screen
// at 2.75 times its size with only its top part in view (rows 4..~110 around the middle
// columns). So the picture is black wherever it is not lit, and everything that moves is
// a periodic function of the phase 2 pi k / 9: frame 8 flows into frame 0 like any other pair.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "canvas.h"
#include "generators.h"
#include "noise.h"

namespace qvt::media {

namespace {

constexpr int kSize = 512;
constexpr int kFrames = 9;
constexpr float kCentre = 256.f;
constexpr float kRadius = 168.f;  // the surface meets the middle lane about y 415 on screen
constexpr float kTau = 6.2831853f;

struct Phase {
    float angle;           // 2 pi k / 9
    float c1, s1, c2, s2;  // cos and sin of the phase and of twice it (shifted)
};

Phase phaseOf(int frame) {
    const float t = kTau * frame / kFrames;
    return {t, std::cos(t), std::sin(t), std::cos(2.f * t + 1.3f), std::sin(2.f * t + 1.3f)};
}

// Boiling surface: two layers of noise, each sliding around a small circle with the phase.
float granulation(float x, float y, const Phase& p) {
    const float coarse = fbm2(x * 0.045f + 0.55f * p.c1, y * 0.045f + 0.55f * p.s1, 4, 11u);
    const float fine = fbm2(x * 0.12f + 0.45f * p.c2, y * 0.12f + 0.45f * p.s2, 3, 23u);
    return 0.6f * coarse + 0.4f * fine;
}

Rgba disc(float x, float y, float r, const Phase& p) {
    const float mu = std::sqrt(std::max(0.f, 1.f - (r / kRadius) * (r / kRadius)));
    const Rgba hot = mix(rgb255(255, 110, 20), rgb255(255, 240, 190), std::pow(mu, 0.55f));
    // Cooler cells are deeper orange rather than grey.
    const float g = granulation(x, y, p);
    return mix(scaled(rgb255(240, 90, 16), 0.55f + 0.45f * mu), hot, 0.35f + 0.9f * g);
}

// Flame tongues above the limb, in polar coordinates so they stand on the surface.
float flames(float angle, float height, const Phase& p) {
    const float n = fbm2(angle * 9.f + 0.6f * p.c1, height * 0.04f + 0.6f * p.s1, 4, 41u);
    const float reach = 10.f + 34.f * n * n;
    return std::exp(-height / reach);
}

// Two loops of plasma over the visible limb, swaying a little with the phase.
float prominences(float x, float y, const Phase& p) {
    struct Loop {
        float angle, spread, height, sway;
    };
    const Loop loops[] = {{-1.92f, 0.10f, 30.f, 0.f}, {-1.30f, 0.075f, 22.f, 2.1f}};
    float sum = 0.f;
    for (const Loop& l : loops) {
        const float h = l.height * (1.f + 0.07f * std::sin(p.angle + l.sway));
        for (int i = 0; i <= 24; ++i) {
            const float u = i / 24.f;
            const float a = l.angle + l.spread * (2.f * u - 1.f);
            const float rr = kRadius - 2.f + h * std::sin(u * kTau * 0.5f);
            const float dx = x - (kCentre + rr * std::cos(a)), dy = y - (kCentre + rr * std::sin(a));
            const float knot = 0.6f + 0.4f * valueNoise2(u * 6.f + 2.f * p.c1, 2.f * p.s1 + l.sway, 77u);
            sum = std::max(sum, knot * std::exp(-(dx * dx + dy * dy) / 12.f));
        }
    }
    return sum;
}

Rgba corona(float x, float y, float r, const Phase& p) {
    const float h = r - kRadius;
    const float angle = std::atan2(y - kCentre, x - kCentre);
    const float tongue = flames(angle, h, p);
    const float halo = 0.42f * std::exp(-h / 40.f) + 0.16f * std::exp(-h / 110.f);
    const float loops = 0.6f * prominences(x, y, p);
    const float light = std::min(1.f, 0.85f * tongue + halo + loops);
    const Rgba c = mix(rgb255(230, 60, 12), rgb255(255, 196, 80), std::exp(-h / 18.f) + 0.5f * loops);
    // The picture's top rows sit at the screen line where the star is cut off; fade to black.
    return scaled(c, light * smoothstep(250.f, 196.f, r));
}

Rgba starPixel(float x, float y, const Phase& p) {
    const float r = std::hypot(x - kCentre, y - kCentre);
    if (r < kRadius - 0.7f) return disc(x, y, r, p);
    if (r > kRadius + 0.7f) return corona(x, y, r, p);
    const float t = (r - (kRadius - 0.7f)) / 1.4f;  // a soft limb instead of a jagged one
    return mix(disc(x, y, r, p), corona(x, y, r, p), t);
}

Canvas starFrame(int frame) {
    const Phase p = phaseOf(frame);
    Canvas canvas(kSize, kSize, rgb255(0, 0, 0));
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Rgba c = starPixel(x + 0.5f, y + 0.5f, p);
            c.a = 1.f;
            canvas.at(x, y) = c;
        }
    }
    return canvas;
}

}  // namespace

bool makeStar(const std::string& mediaDir) {
    bool ok = true;
    for (int k = 0; k < kFrames; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "pell/Sun%02d.png", k);
        ok = savePicture(starFrame(k), mediaDir, name, false) && ok;
    }
    return ok;
}

}  // namespace qvt::media
