#include "gfx/polygon.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "gfx/context.h"

namespace qvt {

namespace {

// Far beyond any frame's needs; keeps the growth arithmetic inside 32 bits.
constexpr std::int32_t kMaxPolygonVertices = 1 << 26;

constexpr std::uint32_t kWhite = 0xFFFFFF;

PolygonVertex makeVertex(const GraphicsContext& g, double x, double y, double tx, double ty,
                         std::uint32_t colour, bool* coloured) {
    const PolygonBatch& batch = g.batch;
    PolygonVertex v{};
    v.x = toFloat(x);
    v.y = toFloat(y);
    if (batch.spriteId >= 0) {
        const SpriteRecord& rec = g.sprites[static_cast<std::size_t>(batch.spriteId)];
        v.u = toFloat(tx * batch.invTextureWidth);
        v.v = toFloat((rec.height - ty) * batch.invTextureHeight);
    }
    if (colour == kWhite) {
        v.r = v.g = v.b = 255;
    } else {
        v.r = static_cast<std::uint8_t>(colour & 0xFF);
        v.g = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
        v.b = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
        *coloured = true;
    }
    v.a = colourAlpha(g, colour);
    return v;
}

GLenum primitiveFor(std::int32_t mode) {
    switch (mode) {
    case kPolygonFan: return GL_TRIANGLE_FAN;
    case kPolygonTriangles: return GL_TRIANGLES;
    case kPolygonStrip: return GL_TRIANGLE_STRIP;
    default: return 0;
    }
}

void enableColourArray(const PolygonVertex* vertices) {
    setCapability(GL_DITHER, true);
    glShadeModel(GL_SMOOTH);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolygonVertex), &vertices[0].r);
}

void disableColourArray(const GraphicsContext& g) {
    glColor4f(1.0f, 1.0f, 1.0f, g.blendAlpha);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    setCapability(GL_DITHER, false);
}

}  // namespace

std::int32_t polygonGrowth(std::int32_t current, std::int32_t needed) {
    if (current == 0 && needed <= kPolygonFirstCapacity) return kPolygonFirstCapacity;
    return (needed / kPolygonGrowthStep + 1) * kPolygonGrowthStep;
}

bool PolygonBatch::reserve(std::int32_t needed) {
    if (needed <= capacity) return true;
    if (needed > kMaxPolygonVertices) return false;
    const std::int32_t grown = polygonGrowth(capacity, needed);
    std::unique_ptr<PolygonVertex[]> fresh(new (std::nothrow) PolygonVertex[grown]);
    if (!fresh) return false;
    if (count > 0) std::memcpy(fresh.get(), vertices.get(), sizeof(PolygonVertex) * count);
    vertices = std::move(fresh);
    capacity = grown;
    return true;
}

void BeginPolygon(double id, double mode) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    PolygonBatch& batch = g->batch;
    batch.count = 0;
    batch.coloursUsed = false;
    batch.splitPending = false;
    std::int32_t slot = kNoSprite;
    batch.rejected = !checkSpriteId(id, true, &slot);
    if (batch.rejected) return;
    BindSprite(slot);
    batch.spriteId = slot;
    batch.mode = truncToInt(mode);
    batch.reserve(3);
    batch.invTextureWidth = 0.0f;
    batch.invTextureHeight = 0.0f;
    if (slot >= 0) {
        const SpriteRecord& rec = g->sprites[static_cast<std::size_t>(slot)];
        if (rec.textureWidth > 0) batch.invTextureWidth = 1.0f / rec.textureWidth;
        if (rec.textureHeight > 0) batch.invTextureHeight = 1.0f / rec.textureHeight;
    }
}

void AddPolygonVertex(double x, double y, double tx, double ty, double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr || g->batch.rejected) return;
    PolygonBatch& batch = g->batch;
    const std::int32_t copies = batch.splitPending ? 2 : 1;
    if (!batch.reserve(batch.count + copies)) return;
    const PolygonVertex v = makeVertex(*g, x, y, tx, ty, packedColour(colour), &batch.coloursUsed);
    for (std::int32_t i = 0; i < copies; ++i) batch.vertices[batch.count++] = v;
    batch.splitPending = false;
}

void SplitPolygonStrip() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    PolygonBatch& batch = g->batch;
    if (batch.rejected || batch.count == 0 || batch.splitPending) return;
    if (!batch.reserve(batch.count + 1)) return;
    batch.vertices[batch.count] = batch.vertices[batch.count - 1];
    ++batch.count;
    batch.splitPending = true;
}

void DrawPolygonBatch(PolygonBatch& batch, bool useSmoothing) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    const GLenum primitive = primitiveFor(batch.mode);
    if (batch.rejected || primitive == 0 || batch.count == 0) return;
    // Another draw between Begin and End may have bound something else.
    if (g->boundSprite != batch.spriteId) BindSprite(batch.spriteId);

    const PolygonVertex* vertices = batch.vertices.get();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(PolygonVertex), &vertices[0].x);
    if (batch.spriteId >= 0) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(PolygonVertex), &vertices[0].u);
    }
    if (batch.coloursUsed || g->blendAlpha != 1.0f) {
        batch.coloursUsed = true;
        enableColourArray(vertices);
    }
    setTextureWrap(GL_REPEAT);
    if (useSmoothing) applySmoothing();
    // Modulating by the current colour, white here, changes nothing; GL_REPLACE gives the
    // same pixels and spares software rasterisers a multiply per fragment (about a quarter
    // of the fill time on llvmpipe). The mode stays for the next batch; sprite draws put
    // GL_MODULATE back.
    if (batch.spriteId >= 0) setTextureEnvMode(batch.coloursUsed ? GL_MODULATE : GL_REPLACE);
    // The strip goes to the driver as it is. Triangle lists, indexed or not, and quads were
    // measured: only quads are faster on llvmpipe (its rectangle path, and only without a
    // depth buffer), and every other form moves texels where sampling meets a texel edge.
    glDrawArrays(primitive, 0, batch.count);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (batch.coloursUsed) disableColourArray(*g);
}

void EndPolygon() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    DrawPolygonBatch(g->batch, true);
}

const PolygonBatch* CurrentPolygonBatch() {
    const GraphicsContext* g = graphics();
    return g != nullptr ? &g->batch : nullptr;
}

}  // namespace qvt
