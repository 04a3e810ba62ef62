// The desktop icon at 48, 128 and 256 pixels: four beams of light over a night sky, the
// star's glow below and the ship in a lane, drawn at each size (not scaled from one
// picture) so the small icon stays crisp.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "canvas.h"
#include "generators.h"

namespace qvt::media {

namespace {

// One icon of size s x s; every length below is a share of s.
Canvas paintIcon(int size) {
    const float s = static_cast<float>(size);
    Canvas c(size, size);
    const float r = 0.18f * s;  // corner radius of the tile
    auto insideTile = [s, r](float x, float y) {
        float dx = std::max({r - x, 0.f, x - (s - r)});
        float dy = std::max({r - y, 0.f, y - (s - r)});
        return dx * dx + dy * dy <= r * r;
    };
    const Rgba sky = rgb255(10, 12, 40), glow = rgb255(255, 150, 40), core = rgb255(255, 240, 170);
    fillArea(c, {0, 0, size - 1, size - 1}, insideTile, [&](float x, float y) {
        float t = clamp01((y / s - 0.55f) / 0.45f);
        Rgba base = mix(sky, glow, t * t);
        // The star's rim: a bright arc across the bottom.
        float dx = x / s - 0.5f, dy = y / s - 1.25f;
        float d = std::sqrt(dx * dx + dy * dy);
        return mix(base, core, smoothstep(0.52f, 0.47f, d));
    });
    // Four beams, the ship's lanes.
    for (int lane = 0; lane < 4; ++lane) {
        float cx = s * (0.2f + 0.2f * lane), w = std::max(1.f, 0.025f * s);
        fillArea(c, {static_cast<int>(cx - 3 * w), 0, static_cast<int>(cx + 3 * w), size - 1},
                 insideTile, [&](float x, float) {
                     float k = smoothstep(3 * w, 0.f, std::fabs(x - cx));
                     Rgba beam = rgb255(120, 200, 255);
                     beam.a = 0.55f * k;
                     return beam;
                 });
    }
    // The ship in the second lane, pointing up.
    const float sx = s * 0.4f, sy = s * 0.42f, h = 0.30f * s;
    std::vector<Vec2> hull = {{sx, sy - h / 2}, {sx + 0.17f * s, sy + h / 2},
                              {sx, sy + 0.34f * h}, {sx - 0.17f * s, sy + h / 2}};
    fillPolygon(c, hull, [&](float x, float) {
        return x < sx ? rgb255(235, 240, 250) : rgb255(150, 165, 195);
    });
    // A crate above in the third lane.
    const float bx = s * 0.6f, by = s * 0.12f, b = 0.09f * s;
    fillPolygon(c, {{bx - b, by - b}, {bx + b, by - b}, {bx + b, by + b}, {bx - b, by + b}},
                rgb255(170, 110, 60));
    return c;
}

}  // namespace

bool makeIcons(const std::string& iconDir) {
    bool ok = true;
    for (int size : {48, 128, 256}) {
        ok = savePicture(paintIcon(size), iconDir, "rayvaulter-" + std::to_string(size) + ".png", true) && ok;
    }
    return ok;
}

}  // namespace qvt::media
