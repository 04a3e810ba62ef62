// Pixel-exact collisions from cached alpha masks.
#include "gfx/collide.h"

#include <algorithm>
#include <new>

#include "gfx/context.h"

namespace qvt {

namespace {

constexpr std::size_t kMinMaskBytes = 64;

// One sprite (or one of its frames) placed on the screen.
struct Shape {
    const std::uint8_t* mask = nullptr;  // texture rows, bottom row first
    std::int64_t textureWidth = 0;
    std::int64_t pictureWidth = 0;       // texels that hold the picture
    std::int64_t pictureHeight = 0;
    std::int64_t originX = 0;            // the frame's top-left corner inside the picture
    std::int64_t originY = 0;
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;  // screen, right/bottom excluded
};

bool cacheSlot(GraphicsContext& g, std::int32_t slot) {
    if (g.alphaMasks[static_cast<std::size_t>(slot)]) return true;
    const SpriteRecord& rec = g.sprites[static_cast<std::size_t>(slot)];
    if (rec.texture == 0) return false;
    glBindTexture(GL_TEXTURE_2D, rec.texture);
    GLint width = 0, height = 0, alignment = 4;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    bool ok = width == rec.textureWidth && height == rec.textureHeight;
    const std::size_t bytes = std::max(static_cast<std::size_t>(width) * height, kMinMaskBytes);
    std::unique_ptr<std::uint8_t[]> mask(ok ? new (std::nothrow) std::uint8_t[bytes]() : nullptr);
    if (mask) {
        glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, mask.get());
        glPixelStorei(GL_PACK_ALIGNMENT, alignment);
        g.alphaMasks[static_cast<std::size_t>(slot)] = std::move(mask);
    }
    BindSprite(g.boundSprite);
    return g.alphaMasks[static_cast<std::size_t>(slot)] != nullptr;
}

// Where frame n of the record starts inside the picture (frames left to right, then down).
void frameOrigin(const SpriteRecord& rec, std::int64_t n, std::int64_t* x, std::int64_t* y) {
    const std::int64_t perRow = rec.width / rec.frameWidth;
    const std::int64_t column = perRow > 0 ? n % perRow : n;
    const std::int64_t row = perRow > 0 ? n / perRow : 0;
    *x = column * rec.frameWidth;
    *y = row * rec.frameHeight;
}

// The shape's rectangle; false for a bad id.
bool placeShape(const GraphicsContext& g, double id, bool frames, double frame, double x,
                double y, std::int32_t* slot, Shape& s) {
    if (!checkSpriteId(id, false, slot)) return false;
    const SpriteRecord& rec = g.sprites[static_cast<std::size_t>(*slot)];
    std::int64_t w = rec.width, h = rec.height;
    if (frames && rec.frameWidth > 0 && rec.frameHeight > 0) {
        frameOrigin(rec, truncToInt(frame), &s.originX, &s.originY);
        w = rec.frameWidth;
        h = rec.frameHeight;
    }
    s.textureWidth = rec.textureWidth;
    s.pictureWidth = std::min<std::int64_t>(rec.width, rec.textureWidth);
    s.pictureHeight = std::min<std::int64_t>(rec.height, rec.textureHeight);
    s.left = truncToInt(x);
    s.top = truncToInt(y);
    s.right = s.left + std::max<std::int64_t>(w, 0);
    s.bottom = s.top + std::max<std::int64_t>(h, 0);
    return true;
}

bool opaqueAt(const Shape& s, std::int64_t sx, std::int64_t sy) {
    const std::int64_t ix = s.originX + (sx - s.left);
    const std::int64_t iy = s.originY + (sy - s.top);
    if (ix < 0 || iy < 0 || ix >= s.pictureWidth || iy >= s.pictureHeight) return false;
    return s.mask[(s.pictureHeight - 1 - iy) * s.textureWidth + ix] != 0;
}

// The centre first, then every second pixel in four interleaved passes, so a large overlap
// is usually decided after a few probes.
bool masksMeet(const Shape& a, const Shape& b, std::int64_t left, std::int64_t top,
               std::int64_t right, std::int64_t bottom) {
    const std::int64_t cx = left + (right - left) / 2;
    const std::int64_t cy = top + (bottom - top) / 2;
    if (opaqueAt(a, cx, cy) && opaqueAt(b, cx, cy)) return true;
    for (int pass = 0; pass < 4; ++pass) {
        for (std::int64_t y = top + pass / 2; y < bottom; y += 2) {
            for (std::int64_t x = left + pass % 2; x < right; x += 2) {
                if (opaqueAt(a, x, y) && opaqueAt(b, x, y)) return true;
            }
        }
    }
    return false;
}

bool collide(double id1, double frame1, double x1, double y1, double id2, double frame2,
             double x2, double y2, bool frames) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return false;
    Shape a, b;
    std::int32_t slotA = 0, slotB = 0;
    if (!placeShape(*g, id1, frames, frame1, x1, y1, &slotA, a) ||
        !placeShape(*g, id2, frames, frame2, x2, y2, &slotB, b)) {
        return false;
    }
    const std::int64_t left = std::max(a.left, b.left), right = std::min(a.right, b.right);
    const std::int64_t top = std::max(a.top, b.top), bottom = std::min(a.bottom, b.bottom);
    if (left >= right || top >= bottom) return false;
    if (!cacheSlot(*g, slotA) || !cacheSlot(*g, slotB)) return false;
    a.mask = g->alphaMasks[static_cast<std::size_t>(slotA)].get();
    b.mask = g->alphaMasks[static_cast<std::size_t>(slotB)].get();
    return masksMeet(a, b, left, top, right, bottom);
}

}  // namespace

bool CacheSpriteAlpha(double id) {
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, false, &slot)) return false;
    return cacheSlot(*g, slot);
}

bool SpritesCollide(double id1, double x1, double y1, double id2, double x2, double y2) {
    return collide(id1, 0, x1, y1, id2, 0, x2, y2, false);
}

bool SpriteFramesCollide(double id1, double frame1, double x1, double y1, double id2,
                         double frame2, double x2, double y2) {
    return collide(id1, frame1, x1, y1, id2, frame2, x2, y2, true);
}

}  // namespace qvt
