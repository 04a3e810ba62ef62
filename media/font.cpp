// font16.png: 256 x 128, 16 x 16 cells, codes 0..127 row by row. Black is the font key, so
// the background is pure black and no glyph pixel is.
#include "canvas.h"
#include "generators.h"
#include "glyphs.h"

namespace qvt::media {

namespace {

constexpr int kCell = 16;
constexpr int kScale = 2;  // design pixel to font pixels
constexpr int kFirstShape = 33;
constexpr int kCodes = 128;

const Rgba kTop = rgb255(255, 252, 222);
const Rgba kMiddle = rgb255(255, 212, 84);
const Rgba kBottom = rgb255(240, 118, 22);
// Dark but not black: it must stay opaque so the width scan sees it and it shades the
// letters against the bright star.
const Rgba kShadow = rgb255(46, 10, 4);

// Warm gold from top to bottom of the capitals (rows 0..13 of the cell).
Rgba gradient(int row) {
    const float t = row / 13.f;
    return t < 0.5f ? mix(kTop, kMiddle, t * 2.f) : mix(kMiddle, kBottom, (t - 0.5f) * 2.f);
}

bool litPixel(const GlyphBits& bits, int px, int py) {
    if (px < 0 || py < 0) return false;
    return glyphLit(bits, px / kScale, py / kScale);
}

// Bevel: a lit pixel on the upper rim of a stroke shines, one on the lower rim is darker.
Rgba glyphPixel(const GlyphBits& bits, int px, int py) {
    Rgba c = gradient(py);
    if (!litPixel(bits, px, py - 1)) c = mix(c, rgb255(255, 255, 255), 0.45f);
    if (!litPixel(bits, px, py + 1)) c = scaled(c, 0.8f);
    return c;
}

void drawGlyph(Canvas& canvas, int code) {
    const GlyphBits bits = glyphBits(code);
    const int cellX = code % 16 * kCell;
    const int cellY = code / 16 * kCell;
    for (int py = 0; py < kCell; ++py) {
        for (int px = 0; px < kCell; ++px) {
            if (litPixel(bits, px, py)) {
                canvas.at(cellX + px, cellY + py) = glyphPixel(bits, px, py);
            } else if (litPixel(bits, px - 1, py - 1) || litPixel(bits, px - 1, py) || litPixel(bits, px, py - 1)) {
                canvas.at(cellX + px, cellY + py) = kShadow;
            }
        }
    }
}

}  // namespace

bool makeFont(const std::string& mediaDir) {
    Canvas canvas(16 * kCell, 8 * kCell, rgb255(0, 0, 0));
    for (int code = kFirstShape; code < kCodes; ++code) drawGlyph(canvas, code);
    return savePicture(canvas, mediaDir, "font16.png", false);
}

}  // namespace qvt::media
