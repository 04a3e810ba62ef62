#include "canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <filesystem>

namespace qvt::media {

namespace {

constexpr int kSamples = 4;  // per axis, per pixel

std::uint8_t toByte(float v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.f)); }

struct PngFile {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFile() {
        if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        if (file != nullptr) std::fclose(file);
    }
};

std::vector<std::uint8_t> packRows(const Canvas& canvas, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(canvas.width()) * canvas.height() * channels);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgba& p = canvas.at(x, y);
            std::uint8_t r = toByte(p.r), g = toByte(p.g), b = toByte(p.b);
            if (!withAlpha && r == 255 && g == 0 && b == 128) g = 1;
            bytes.insert(bytes.end(), {r, g, b});
            if (withAlpha) bytes.push_back(toByte(p.a));
        }
    }
    return bytes;
}

}  // namespace

Rgba rgb255(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f, 1.f}; }

float clamp01(float v) { return std::clamp(v, 0.f, 1.f); }

float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.f - 2.f * t);
}

Rgba mix(const Rgba& a, const Rgba& b, float t) {
    t = clamp01(t);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba scaled(const Rgba& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Canvas::Canvas(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

void Canvas::blend(int x, int y, const Rgba& c, float cover) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Rgba& d = at(x, y);
    const float sa = clamp01(c.a * cover);
    if (sa <= 0.f) return;
    const float outA = sa + d.a * (1.f - sa);
    auto channel = [&](float s, float dst) { return (s * sa + dst * d.a * (1.f - sa)) / outA; };
    d = {channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b), outA};
}

void Canvas::add(int x, int y, const Rgba& c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Rgba& d = at(x, y);
    d.r += c.r * c.a;
    d.g += c.g * c.a;
    d.b += c.b * c.a;
    d.a = std::max(d.a, c.a);
}

void fillArea(Canvas& canvas, Box box, const Inside& inside, const Shader& shader) {
    box.x0 = std::max(box.x0, 0);
    box.y0 = std::max(box.y0, 0);
    box.x1 = std::min(box.x1, canvas.width() - 1);
    box.y1 = std::min(box.y1, canvas.height() - 1);
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    hits += inside(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples) ? 1 : 0;
                }
            }
            if (hits > 0) canvas.blend(x, y, shader(x + 0.5f, y + 0.5f), hits / float(kSamples * kSamples));
        }
    }
}

bool polygonContains(const std::vector<Vec2>& polygon, float x, float y) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vec2& a = polygon[i];
        const Vec2& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

void fillPolygon(Canvas& canvas, const std::vector<Vec2>& polygon, const Shader& shader) {
    if (polygon.size() < 3) return;
    Box box{canvas.width(), canvas.height(), -1, -1};
    for (const Vec2& p : polygon) {
        box.x0 = std::min(box.x0, static_cast<int>(std::floor(p.x)));
        box.y0 = std::min(box.y0, static_cast<int>(std::floor(p.y)));
        box.x1 = std::max(box.x1, static_cast<int>(std::ceil(p.x)));
        box.y1 = std::max(box.y1, static_cast<int>(std::ceil(p.y)));
    }
    fillArea(canvas, box, [&](float x, float y) { return polygonContains(polygon, x, y); }, shader);
}

void fillPolygon(Canvas& canvas, const std::vector<Vec2>& polygon, const Rgba& colour) {
    fillPolygon(canvas, polygon, [&](float, float) { return colour; });
}

void fillCircle(Canvas& canvas, Vec2 centre, float radius, const Shader& shader) {
    const Box box{static_cast<int>(std::floor(centre.x - radius)), static_cast<int>(std::floor(centre.y - radius)),
                  static_cast<int>(std::ceil(centre.x + radius)), static_cast<int>(std::ceil(centre.y + radius))};
    const float r2 = radius * radius;
    fillArea(
        canvas, box,
        [&](float x, float y) { return (x - centre.x) * (x - centre.x) + (y - centre.y) * (y - centre.y) < r2; },
        shader);
}

void renderSamples(Canvas& canvas, Box box, const Shader& sample, int perAxis) {
    box.x0 = std::max(box.x0, 0);
    box.y0 = std::max(box.y0, 0);
    box.x1 = std::min(box.x1, canvas.width() - 1);
    box.y1 = std::min(box.y1, canvas.height() - 1);
    const float weight = 1.f / float(perAxis * perAxis);
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < perAxis; ++sy) {
                for (int sx = 0; sx < perAxis; ++sx) {
                    const Rgba s = sample(x + (sx + 0.5f) / perAxis, y + (sy + 0.5f) / perAxis);
                    r += s.r * s.a, g += s.g * s.a, b += s.b * s.a, a += s.a;
                }
            }
            if (a <= 0.f) continue;
            canvas.blend(x, y, {r / a, g / a, b / a, a * weight});
        }
    }
}

void addOutline(Canvas& canvas, const Rgba& colour) {
    Canvas rim(canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            float a = 0.f;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= canvas.width() || ny >= canvas.height()) continue;
                    a = std::max(a, canvas.at(nx, ny).a * ((dx != 0 && dy != 0) ? 0.6f : 1.f));
                }
            }
            rim.at(x, y) = {colour.r, colour.g, colour.b, a * colour.a};
        }
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) rim.blend(x, y, canvas.at(x, y));
    canvas = rim;
}

void bleedTransparent(Canvas& canvas, int passes) {
    std::vector<char> known(static_cast<std::size_t>(canvas.width()) * canvas.height());
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) known[y * canvas.width() + x] = canvas.at(x, y).a > 0.f;
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<char> next = known;
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                if (known[y * canvas.width() + x]) continue;
                float r = 0, g = 0, b = 0;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= canvas.width() || ny >= canvas.height()) continue;
                        if (!known[ny * canvas.width() + nx]) continue;
                        const Rgba& p = canvas.at(nx, ny);
                        r += p.r, g += p.g, b += p.b, ++n;
                    }
                }
                if (n == 0) continue;
                canvas.at(x, y) = {r / n, g / n, b / n, 0.f};
                next[y * canvas.width() + x] = 1;
            }
        }
        known.swap(next);
    }
}

bool writePng(const std::string& path, const Canvas& canvas, bool withAlpha) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    PngFile out;
    out.file = std::fopen(path.c_str(), "wb");
    if (out.file == nullptr) return false;
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (out.png == nullptr) return false;
    out.info = png_create_info_struct(out.png);
    if (out.info == nullptr) return false;
    std::vector<std::uint8_t> bytes = packRows(canvas, withAlpha);
    const std::size_t stride = static_cast<std::size_t>(canvas.width()) * (withAlpha ? 4 : 3);
    if (setjmp(png_jmpbuf(out.png))) return false;
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, canvas.width(), canvas.height(), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(out.png, 9);
    png_write_info(out.png, out.info);
    for (int y = 0; y < canvas.height(); ++y) png_write_row(out.png, bytes.data() + y * stride);
    png_write_end(out.png, out.info);
    return true;
}

}  // namespace qvt::media
