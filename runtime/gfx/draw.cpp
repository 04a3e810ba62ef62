#include "gfx/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/context.h"

namespace qvt {

namespace {

constexpr double kDegreesToRadians = 0.017453292;

struct QuadVertex {
    float x, y, u, v;
};

// Texture coordinates of a sprite's image or of one animation frame: u0..u1 left to
// right, v0 at the bottom edge and v1 at the top (textures hold the image upside down).
struct TexRect {
    float u0 = 0, u1 = 0, v0 = 0, v1 = 0;
};

// ---- [SECTION] shared quad routine and primitive set-up ---------------------------------

// Four corners as one triangle fan from client arrays; textured quads clamp at the edges so
// neighbouring frames or the padding never bleed in.
void drawQuad(const QuadVertex (&quad)[4], bool textured) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(QuadVertex), &quad[0].x);
    if (textured) {
        setTextureWrap(GL_CLAMP_TO_EDGE);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &quad[0].u);
    }
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// Colour, no texture, and integer coordinates moved onto pixel centres.
void beginPrimitive(const GraphicsContext& g, std::uint32_t colour) {
    glColor4ub(static_cast<GLubyte>(colour & 0xFF), static_cast<GLubyte>((colour >> 8) & 0xFF),
               static_cast<GLubyte>((colour >> 16) & 0xFF), colourAlpha(g, colour));
    BindSprite(kNoSprite);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(0.375f, 0.375f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
}

void endPrimitive(const GraphicsContext& g) {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1.0f, 1.0f, 1.0f, g.blendAlpha);
}

// From the stored threshold, not from whether the test was on: a rectangle turns the test
// back on even after SetAlphaThreshold(1) switched it off.
void restoreAlphaTest(const GraphicsContext& g) {
    const bool on = g.alphaThreshold < 1.0f;
    setCapability(GL_ALPHA_TEST, on);
    if (on) glAlphaFunc(GL_GREATER, g.alphaThreshold);
}

// A negative size extends the rectangle backwards from its corner, that pixel included.
void normaliseSpan(double* pos, double* size) {
    if (*size < 0) {
        *pos = *pos + *size + 1;
        *size = -*size;
    }
}

// ---- [SECTION] sprite helpers ----------------------------------------------------------

// Validates the id, binds it and applies the smoothing flag; null when rejected.
const SpriteRecord* bindForDrawing(double id, bool allowNone) {
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, allowNone, &slot)) return nullptr;
    BindSprite(slot);
    applySmoothing();
    setTextureEnvMode(GL_MODULATE);  // sprites take the blend alpha from the current colour
    static const SpriteRecord kNone{};
    return slot >= 0 ? &g->sprites[static_cast<std::size_t>(slot)] : &kNone;
}

bool textured(const SpriteRecord& rec) { return rec.texture != 0; }

float invSide(std::int16_t side) { return side > 0 ? 1.0f / static_cast<float>(side) : 0.0f; }

TexRect imageRect(const SpriteRecord& rec) { return {0.0f, rec.uExtent, 0.0f, rec.vExtent}; }

// Frame n of an animation strip; false without a frame size.
bool frameRect(const SpriteRecord& rec, std::int32_t frame, TexRect* out) {
    const std::int32_t fw = rec.frameWidth;
    const std::int32_t fh = rec.frameHeight;
    if (fw <= 0 || fh <= 0) return false;
    const std::int32_t perRow = rec.width / fw;
    const double column = perRow > 0 ? frame % perRow : frame;
    const double row = perRow > 0 ? frame / perRow : 0;
    const double iu = invSide(rec.textureWidth);
    const double iv = invSide(rec.textureHeight);
    out->u0 = static_cast<float>(column * fw * iu);
    out->u1 = out->u0 + static_cast<float>(fw * iu);
    out->v0 = static_cast<float>((rec.height - fh * (row + 1)) * iv);
    out->v1 = out->v0 + static_cast<float>(fh * iv);
    return true;
}

// Moves the rectangle half a texel inwards, so rotated quads never sample their neighbours.
TexRect insetHalfTexel(const SpriteRecord& rec, TexRect r) {
    const float du = 0.5f * invSide(rec.textureWidth);
    const float dv = 0.5f * invSide(rec.textureHeight);
    return {r.u0 + du, r.u1 - du, r.v0 + dv, r.v1 - dv};
}

// Axis-aligned textured quad from (x0, y0) to (x1, y1), immediate mode, repeating.
void immediateQuad(float x0, float y0, float x1, float y1, const TexRect& t) {
    setTextureWrap(GL_REPEAT);
    glBegin(GL_QUADS);
    glTexCoord2f(t.u1, t.v1); glVertex2f(x1, y0);
    glTexCoord2f(t.u0, t.v1); glVertex2f(x0, y0);
    glTexCoord2f(t.u0, t.v0); glVertex2f(x0, y1);
    glTexCoord2f(t.u1, t.v0); glVertex2f(x1, y1);
    glEnd();
}

// Axis-aligned quad from (x0, y0) to (x1, y1) through the shared quad routine.
void stretchedQuad(const SpriteRecord& rec, float x0, float y0, float x1, float y1,
                   const TexRect& t) {
    const QuadVertex quad[4] = {
        {x0, y1, t.u0, t.v0}, {x1, y1, t.u1, t.v0}, {x1, y0, t.u1, t.v1}, {x0, y0, t.u0, t.v1}};
    drawQuad(quad, textured(rec));
}

void stretchSprite(const SpriteRecord& rec, double x, double y, double w, double h) {
    stretchedQuad(rec, toFloat(x), toFloat(y), toFloat(x + w), toFloat(y + h), imageRect(rec));
}

}  // namespace

// ---- [SECTION] blend and sampling state ------------------------------------------------

void SetBlendAlpha(double a) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    // Only the sign and a magnitude up to 1 matter; the clamp keeps the float conversion
    // defined. Tiny values still round to 0.0f and switch blending off.
    const float alpha = std::isnan(a) ? 0.0f : static_cast<float>(std::clamp(a, -2.0, 2.0));
    if (alpha == 0.0f) {
        setCapability(GL_BLEND, false);
    } else {
        setCapability(GL_BLEND, true);
        glBlendFunc(GL_SRC_ALPHA, alpha < 0.0f ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    }
    g->blendAlpha = alpha == 0.0f ? 1.0f : std::min(std::fabs(alpha), 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, g->blendAlpha);
}

void SetAlphaThreshold(double t) {
    GraphicsContext* g = graphics();
    if (g == nullptr || std::isnan(t)) return;
    if (t >= 1.0) {
        setCapability(GL_ALPHA_TEST, false);
        return;
    }
    g->alphaThreshold = static_cast<float>(std::max(t, -1.0));
    setCapability(GL_ALPHA_TEST, true);
    glAlphaFunc(GL_GREATER, g->alphaThreshold);
}

void SetSmoothing(double on) {
    if (GraphicsContext* g = graphics()) g->smoothing = truncToInt(on) != 0 ? 1 : 0;
}

// ---- [SECTION] primitives --------------------------------------------------------------

void FillRect(double x, double y, double w, double h, double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    double px = truncToInt(x), py = truncToInt(y), pw = truncToInt(w), ph = truncToInt(h);
    normaliseSpan(&px, &pw);
    normaliseSpan(&py, &ph);
    const std::uint32_t c = packedColour(colour);
    beginPrimitive(*g, c);
    const float x0 = static_cast<float>(px), y0 = static_cast<float>(py);
    const float x1 = static_cast<float>(px + pw), y1 = static_cast<float>(py + ph);
    const QuadVertex quad[4] = {{x0, y1, 0, 0}, {x1, y1, 0, 0}, {x1, y0, 0, 0}, {x0, y0, 0, 0}};
    // A key-coloured rectangle writes alpha 0 on purpose: it punches transparent holes.
    const bool keyed = matchesKey(c, g->spriteKey);
    if (keyed) setCapability(GL_ALPHA_TEST, false);
    drawQuad(quad, false);
    endPrimitive(*g);
    restoreAlphaTest(*g);
}

void DrawLine(double x1, double y1, double x2, double y2, double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    const float ax = static_cast<float>(truncToInt(x1)), ay = static_cast<float>(truncToInt(y1));
    const float bx = static_cast<float>(truncToInt(x2)), by = static_cast<float>(truncToInt(y2));
    beginPrimitive(*g, packedColour(colour));
    glBegin(GL_LINES);
    glVertex2f(ax, ay);
    glVertex2f(bx, by);
    glEnd();
    // GL lines leave out their last pixel.
    glBegin(GL_POINTS);
    glVertex2f(bx, by);
    glEnd();
    endPrimitive(*g);
}

void DrawPoint(double x, double y, double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    beginPrimitive(*g, packedColour(colour));
    glBegin(GL_POINTS);
    glVertex2f(static_cast<float>(truncToInt(x)), static_cast<float>(truncToInt(y)));
    glEnd();
    endPrimitive(*g);
}

// ---- [SECTION] sprites -----------------------------------------------------------------

void DrawSpriteAt(double id, double x, double y) {
    const SpriteRecord* rec = bindForDrawing(id, false);
    if (rec == nullptr) return;
    const float x0 = static_cast<float>(truncToInt(x)), y0 = static_cast<float>(truncToInt(y));
    immediateQuad(x0, y0, x0 + rec->width, y0 + rec->height, imageRect(*rec));
}

void DrawSpriteStretched(double id, double x, double y, double w, double h) {
    const SpriteRecord* rec = bindForDrawing(id, true);
    if (rec == nullptr) return;
    stretchSprite(*rec, truncToInt(x), truncToInt(y), truncToInt(w), truncToInt(h));
}

void DrawSpriteZoomed(double id, double x, double y, double sx, double sy) {
    const SpriteRecord* rec = bindForDrawing(id, false);
    if (rec == nullptr) return;
    const double w = truncToInt(rec->width * sx);
    const double h = truncToInt(rec->height * sy);
    // Integer halves of the growth, as the sizes themselves are whole pixels.
    const std::int32_t growX = truncToInt(rec->width * sx - rec->width);
    const std::int32_t growY = truncToInt(rec->height * sy - rec->height);
    const double left = static_cast<double>(truncToInt(x)) - growX / 2;
    const double top = static_cast<double>(truncToInt(y)) - growY / 2;
    stretchSprite(*rec, left, top, w, h);
}

void DrawSpriteRotoZoomed(double id, double x, double y, double angle, double zoom) {
    const SpriteRecord* rec = bindForDrawing(id, false);
    if (rec == nullptr) return;
    const float a = toFloat(rec->width * zoom / 2.0);
    const float b = toFloat(rec->height * zoom / 2.0);
    const TexRect t = insetHalfTexel(*rec, {0.0f, rec->width * invSide(rec->textureWidth), 0.0f,
                                            rec->height * invSide(rec->textureHeight)});
    glPushMatrix();
    glTranslatef(static_cast<float>(truncToInt(x) + rec->width / 2),
                 static_cast<float>(truncToInt(y) + rec->height / 2), 0.0f);
    // About -z: with y pointing down, positive angles turn counter-clockwise on screen.
    glRotatef(toFloat(angle), 0.0f, 0.0f, -1.0f);
    stretchedQuad(*rec, -a, -b, a, b, t);
    glPopMatrix();
}

void DrawSpriteRotated(double id, double x, double y, double angle) {
    DrawSpriteRotoZoomed(id, x, y, angle, 1.0);
}

void SetSpriteFrameSize(double id, double frameWidth, double frameHeight) {
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, false, &slot)) return;
    SpriteRecord& rec = g->sprites[static_cast<std::size_t>(slot)];
    if (rec.width <= 0) return;
    rec.frameWidth = static_cast<std::int16_t>(std::clamp(truncToInt(frameWidth), -32768, 32767));
    rec.frameHeight = static_cast<std::int16_t>(std::clamp(truncToInt(frameHeight), -32768, 32767));
}

namespace {

// The sprite of a frame draw, bound, with the frame's texture rectangle; null (nothing
// bound) for a bad id or a sprite without a frame size.
const SpriteRecord* bindFrame(double id, double frame, TexRect* t) {
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, false, &slot)) return nullptr;
    const SpriteRecord& rec = g->sprites[static_cast<std::size_t>(slot)];
    if (!frameRect(rec, truncToInt(frame), t)) return nullptr;
    bindForDrawing(slot, false);
    return &rec;
}

}  // namespace

void DrawSpriteFrame(double id, double frame, double x, double y) {
    TexRect t;
    const SpriteRecord* found = bindFrame(id, frame, &t);
    if (found == nullptr) return;
    const SpriteRecord& rec = *found;
    const float x0 = static_cast<float>(truncToInt(x)), y0 = static_cast<float>(truncToInt(y));
    immediateQuad(x0, y0, x0 + rec.frameWidth, y0 + rec.frameHeight, t);
}

void DrawSpriteFrameStretched(double id, double frame, double x, double y, double w, double h) {
    TexRect t;
    const SpriteRecord* found = bindFrame(id, frame, &t);
    if (found == nullptr) return;
    const SpriteRecord& rec = *found;
    const double x0 = truncToInt(x), y0 = truncToInt(y);
    // The extra tenth of a pixel closes the seam between neighbouring stretched frames.
    stretchedQuad(rec, toFloat(x0), toFloat(y0), toFloat(x0 + truncToInt(w) + 0.1),
                  toFloat(y0 + truncToInt(h) + 0.1), t);
}

void DrawSpriteFrameRotoZoomed(double id, double frame, double x, double y, double angle,
                               double zoom) {
    TexRect t;
    const SpriteRecord* found = bindFrame(id, frame, &t);
    if (found == nullptr) return;
    const SpriteRecord& rec = *found;
    t = insetHalfTexel(rec, t);
    const double cx = truncToInt(x) + rec.frameWidth / 2;
    const double cy = truncToInt(y) + rec.frameHeight / 2;
    const double c = std::cos(angle * kDegreesToRadians), s = std::sin(angle * kDegreesToRadians);
    const double a = rec.frameWidth * zoom / 2.0, b = rec.frameHeight * zoom / 2.0;
    const QuadVertex quad[4] = {
        {toFloat(cx - a * c - b * s), toFloat(cy - b * c + a * s), t.u0, t.v1},   // top-left
        {toFloat(cx - a * c + b * s), toFloat(cy + b * c + a * s), t.u0, t.v0},   // bottom-left
        {toFloat(cx + a * c + b * s), toFloat(cy + b * c - a * s), t.u1, t.v0},   // bottom-right
        {toFloat(cx + a * c - b * s), toFloat(cy - b * c - a * s), t.u1, t.v1}};  // top-right
    drawQuad(quad, textured(rec));
}

}  // namespace qvt
