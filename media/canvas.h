// Float RGBA pictures, anti-aliased filling and PNG output for the media generator.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qvt::media {

// Straight (not premultiplied) colour, each channel 0..1.
struct Rgba {
    float r = 0.f, g = 0.f, b = 0.f, a = 0.f;
};

// Point in picture pixels; pixel (i, j) covers i..i+1, j..j+1.
struct Vec2 {
    float x = 0.f, y = 0.f;
};

// Opaque colour from 0..255 channels.
Rgba rgb255(int r, int g, int b);
// Linear blend a..b, t clamped to 0..1.
Rgba mix(const Rgba& a, const Rgba& b, float t);
// Every channel but alpha times k.
Rgba scaled(const Rgba& c, float k);
// Clamped 0..1 / Hermite step, the shaders' staples.
float clamp01(float v);
float smoothstep(float edge0, float edge1, float v);

// A picture being painted; starts filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, Rgba fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    const Rgba& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    // Source-over compositing of c, its alpha scaled by cover (0..1); outside pixels ignored.
    void blend(int x, int y, const Rgba& c, float cover = 1.f);
    // Adds c's colour times its alpha (light); alpha becomes at least c's.
    void add(int x, int y, const Rgba& c);

private:
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

// Where a shape is (x, y in pixels) and what colour it has there.
using Inside = std::function<bool(float x, float y)>;
using Shader = std::function<Rgba(float x, float y)>;

// Box in pixels, edges included; clipped to the canvas by the fill routines.
struct Box {
    int x0, y0, x1, y1;
};

// Blends shader colour over every pixel of box by the share of its 4 x 4 samples that
// inside admits; the shader is asked once per touched pixel, at the pixel centre.
void fillArea(Canvas& canvas, Box box, const Inside& inside, const Shader& shader);
// Even-odd polygon test.
bool polygonContains(const std::vector<Vec2>& polygon, float x, float y);
// fillArea over the polygon's bounding box.
void fillPolygon(Canvas& canvas, const std::vector<Vec2>& polygon, const Shader& shader);
// Convenience for a flat colour.
void fillPolygon(Canvas& canvas, const std::vector<Vec2>& polygon, const Rgba& colour);
void fillCircle(Canvas& canvas, Vec2 centre, float radius, const Shader& shader);

// Composites the average of perAxis x perAxis samples of `sample` (one per sub-pixel
// centre) over every pixel of box: anti-aliasing for pictures defined point by point.
void renderSamples(Canvas& canvas, Box box, const Shader& sample, int perAxis = 4);

// Puts a rim of colour (alpha from the neighbouring alpha, radius 1) behind the picture,
// so sprites keep a readable edge on any background.
void addOutline(Canvas& canvas, const Rgba& colour);

// Gives fully transparent pixels the colour of their painted neighbours, a few pixels deep,
// so that linear filtering at a shape's rim does not darken it.
void bleedTransparent(Canvas& canvas, int passes = 4);

// 8-bit PNG, RGBA or RGB. RGB output never contains the sprite key (255, 0, 128): such a
// pixel is nudged one step in green, so no opaque picture grows holes by accident.
// Creates missing parent folders; false on any failure.
bool writePng(const std::string& path, const Canvas& canvas, bool withAlpha);

}  // namespace qvt::media
