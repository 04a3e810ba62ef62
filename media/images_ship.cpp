// pell/Spaceship.png, 128 x 64: the ship pointing up, straight (x 0..64) and banking to the
// right (x 64..128; the game mirrors it for the left). The ship is modelled as flat parts
// at small heights and seen from above; banking rolls the model about its long axis and
// looks at it with a little perspective, so the raised wing grows and the lit side changes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas.h"
#include "generators.h"

namespace qvt::media {

namespace {

constexpr float kFrame = 64.f;
constexpr float kFocal = 150.f;   // viewer distance, model pixels
constexpr float kPivotY = 40.f;   // perspective centre along the ship
constexpr float kBankDegrees = 38.f;

struct Light {
    float x, y, z;
};
constexpr Light kLight{-0.45f, -0.55f, 0.70f};  // upper left, towards the viewer

// Brightness of a surface whose normal leans by `angle` radians to the right.
float diffuse(float angle, float pitch = 0.f) {
    const float nx = std::sin(angle) * std::cos(pitch), ny = std::sin(pitch), nz = std::cos(angle) * std::cos(pitch);
    const float len = std::sqrt(kLight.x * kLight.x + kLight.y * kLight.y + kLight.z * kLight.z);
    const float d = (nx * kLight.x + ny * kLight.y + nz * kLight.z) / len;
    return 0.35f + 0.75f * std::max(d, 0.f);
}

struct Part {
    std::vector<Vec2> outline;  // model x (-32..32, centre line 0) and y (0..64, down)
    float z;                    // height towards the viewer
    // Colour at a model point for a roll of `roll` radians.
    Rgba (*shade)(float x, float y, float roll);
};

std::vector<Vec2> mirrored(const std::vector<Vec2>& right) {
    std::vector<Vec2> left;
    for (auto it = right.rbegin(); it != right.rend(); ++it) left.push_back({-it->x, it->y});
    return left;
}

std::vector<Vec2> symmetric(const std::vector<Vec2>& rightHalf) {
    std::vector<Vec2> all = rightHalf;
    for (auto it = rightHalf.rbegin(); it != rightHalf.rend(); ++it) {
        if (it->x != 0.f) all.push_back({-it->x, it->y});
    }
    return all;
}

float fuselageHalfWidth(float y) {
    if (y < 18.f) return 1.f + (y - 3.f) * 0.33f;
    if (y < 48.f) return 6.f + (y - 18.f) / 30.f;
    return 7.f - (y - 48.f) * 0.15f;
}

Rgba hull(float x, float y, float roll) {
    const float lean = std::asin(std::clamp(x / fuselageHalfWidth(y), -1.f, 1.f)) * 0.85f;
    Rgba c = rgb255(214, 220, 232);
    if (y > 31.f && y < 46.f && std::fabs(x) < 2.2f) c = rgb255(70, 120, 215);      // spine panel
    if (std::fabs(y - 48.f) < 0.7f || std::fabs(y - 30.f) < 0.6f) c = rgb255(120, 126, 140);  // seams
    return scaled(c, diffuse(lean + roll, y < 14.f ? -0.5f : 0.f));
}

// Wings carry a little dihedral so that a banking ship shows one lit and one shaded wing.
Rgba wing(float x, float y, float roll) {
    const float side = x > 0.f ? 1.f : -1.f;
    Rgba c = mix(rgb255(196, 202, 216), rgb255(150, 158, 178), (std::fabs(x) - 6.f) / 22.f);
    const float chevron = std::fabs(x) * 0.55f + 30.f;  // a red band along the leading edge
    if (y > chevron && y < chevron + 3.2f) c = rgb255(225, 48, 40);
    if (std::fabs(x) > 21.f && std::fabs(x) < 22.f) c = rgb255(110, 116, 132);
    return scaled(c, diffuse(roll + side * 0.3f));
}

Rgba pod(float x, float y, float roll) {
    if (y < 30.5f) return rgb255(255, 70, 60);  // warm tip lights
    const float cx = x > 0.f ? 27.f : -27.f;
    const float lean = (x - cx) / 2.2f * 0.9f;
    return scaled(rgb255(170, 176, 196), diffuse(lean + roll));
}

Rgba nacelle(float x, float y, float roll) {
    const float cx = x > 0.f ? 11.5f : -11.5f;
    const float lean = std::clamp((x - cx) / 3.6f, -1.f, 1.f);
    Rgba c = rgb255(120, 128, 150);
    if (y > 54.f) c = rgb255(70, 74, 90);  // nozzle
    return scaled(c, diffuse(std::asin(lean) + roll));
}

Rgba cockpit(float x, float y, float roll) {
    const float u = x / 3.6f, v = (y - 21.f) / 7.f;
    const float lean = std::asin(std::clamp(u, -1.f, 1.f));
    Rgba c = scaled(mix(rgb255(150, 240, 255), rgb255(20, 90, 170), (v + 1.f) * 0.5f), diffuse(lean + roll, v * 0.6f));
    const float hx = u + 0.35f + roll * 0.8f, hy = v + 0.45f;
    const float glint = std::exp(-(hx * hx * 6.f + hy * hy * 10.f));
    return mix(c, rgb255(255, 255, 255), glint);
}

std::vector<Part> shipParts() {
    const std::vector<Vec2> rightWing{{6, 25}, {16, 35}, {27, 43}, {28.5f, 50}, {24, 53}, {6, 50}};
    const std::vector<Vec2> rightPod{{27, 26.5f}, {29.2f, 31}, {29.2f, 53}, {24.8f, 53}, {24.8f, 31}};
    const std::vector<Vec2> rightNacelle{{8.5f, 37}, {14.5f, 37}, {15.2f, 58.5f}, {7.8f, 58.5f}};
    std::vector<Vec2> body{{0, 3}};
    for (float y = 4.f; y <= 58.f; y += 2.f) body.push_back({fuselageHalfWidth(y), y});
    std::vector<Vec2> dome;
    for (int i = 0; i < 32; ++i) {
        const float t = 6.2831853f * i / 32.f;
        dome.push_back({3.6f * std::cos(t), 21.f + 7.f * std::sin(t)});
    }
    return {
        {rightWing, 0.f, wing},       {mirrored(rightWing), 0.f, wing},
        {rightPod, 0.6f, pod},        {mirrored(rightPod), 0.6f, pod},
        {rightNacelle, 1.2f, nacelle}, {mirrored(rightNacelle), 1.2f, nacelle},
        {symmetric(body), 2.f, hull}, {dome, 4.5f, cockpit},
    };
}

// Screen offset (from the frame's centre column) back to the model point of a part at
// height z, for a roll to the right: the right wing dips away from the viewer.
bool toModel(float sx, float sy, float z, float roll, float& x, float& y) {
    const float s = std::sin(roll), c = std::cos(roll);
    const float denom = sx * s - kFocal * c;
    if (std::fabs(denom) < 1e-4f) return false;
    x = (kFocal * z * s - sx * kFocal + sx * z * c) / denom;
    const float depth = -x * s + z * c;
    const float scale = kFocal / (kFocal - depth);
    y = kPivotY + (sy - kPivotY) / scale;
    return true;
}

// Engine exhaust: additive-looking glow under the nozzles, drawn as soft alpha.
Rgba exhaust(float sx, float sy, float roll) {
    Rgba out{};
    for (float side : {-1.f, 1.f}) {
        const float nx = side * 11.5f * std::cos(roll) * kFocal / (kFocal + side * 11.5f * std::sin(roll));
        const float dx = (sx - nx) / 2.6f, dy = (sy - 59.f) / 4.2f;
        if (dy < 0.f) continue;
        const float glow = std::exp(-(dx * dx + dy * dy));
        if (glow > out.a) out = {1.f, 0.75f + 0.25f * glow, 0.35f + 0.6f * glow, glow};
    }
    return out;
}

Rgba shipSample(const std::vector<Part>& parts, float sx, float sy, float roll) {
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        float x, y;
        if (!toModel(sx, sy, it->z, roll, x, y)) continue;
        if (polygonContains(it->outline, x, y)) return it->shade(x, y, roll);
    }
    return exhaust(sx, sy, roll);
}

void drawShip(Canvas& canvas, float left, float roll) {
    const std::vector<Part> parts = shipParts();
    const float centre = left + kFrame / 2.f;
    const Box box{static_cast<int>(left), 0, static_cast<int>(left + kFrame) - 1, static_cast<int>(kFrame) - 1};
    renderSamples(canvas, box, [&](float x, float y) { return shipSample(parts, x - centre, y, roll); });
}

}  // namespace

bool makeShip(const std::string& mediaDir) {
    Canvas straight(64, 64), banking(64, 64);
    drawShip(straight, 0.f, 0.f);
    drawShip(banking, 0.f, kBankDegrees * 3.14159265f / 180.f);
    // Each frame gets its rim on its own canvas, so no outline spills across x 64.
    addOutline(straight, rgb255(16, 18, 30));
    addOutline(banking, rgb255(16, 18, 30));
    Canvas sheet(128, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            sheet.at(x, y) = straight.at(x, y);
            sheet.at(64 + x, y) = banking.at(x, y);
        }
    }
    bleedTransparent(sheet);
    return savePicture(sheet, mediaDir, "pell/Spaceship.png", true);
}

}  // namespace qvt::media
