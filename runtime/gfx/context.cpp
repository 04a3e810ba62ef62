#include "gfx/context.h"

#include <cmath>
#include <limits>
#include <new>

namespace qvt {

namespace {

std::unique_ptr<GraphicsContext> context;

// Indexed by Capability.
constexpr std::array<GLenum, static_cast<std::size_t>(Capability::Count)> kCachedCaps = {
    GL_BLEND,       GL_ALPHA_TEST,   GL_DITHER,         GL_COLOR_MATERIAL,
    GL_DEPTH_TEST,  GL_CULL_FACE,    GL_FOG,            GL_LIGHTING,
    GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_STENCIL_TEST,   GL_NORMALIZE,
    GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL,
};

int capabilityIndex(GLenum cap) {
    for (std::size_t i = 0; i < kCachedCaps.size(); ++i) {
        if (kCachedCaps[i] == cap) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

GraphicsContext* graphics() { return context.get(); }

GraphicsContext& createGraphicsContext(std::int32_t width, std::int32_t height) {
    context = std::make_unique<GraphicsContext>();
    context->screenWidth = width;
    context->screenHeight = height;
    context->viewportWidth = width;
    context->viewportHeight = height;
    context->capabilities.fill(kCapUnknown);
    return *context;
}

void destroyGraphicsContext() { context.reset(); }

std::int32_t truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t packedColour(double value) {
    if (!std::isfinite(value)) return 0;
    // 2^63 bounds keep the conversion defined; the colour lives in the low 32 bits anyway.
    constexpr double kLimit = 9.2e18;
    if (value > kLimit || value < -kLimit) return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
}

float toFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) return std::numeric_limits<float>::max();
    if (value < -kMax) return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

bool checkSpriteId(double value, bool allowNone, std::int32_t* id) {
    if (std::isnan(value)) return false;
    const std::int32_t n = truncToInt(value);
    if (spriteSlotValid(n) || (allowNone && n == kNoSprite)) {
        *id = n;
        return true;
    }
    return false;
}

void setCapability(GLenum cap, bool on) {
    const int index = capabilityIndex(cap);
    GraphicsContext* g = graphics();
    const std::int8_t want = on ? 1 : 0;
    if (index >= 0 && g != nullptr) {
        std::int8_t& flag = g->capabilities[static_cast<std::size_t>(index)];
        if (flag == want) return;
        flag = want;
    }
    if (on) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
}

void forgetCapabilities() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    g->capabilities.fill(kCapUnknown);
    g->textureEnvMode = 0;
    g->unitOneOff = false;
    ++g->cacheGeneration;
}

void setTextureWrap(GLenum mode) {
    GraphicsContext* g = graphics();
    if (g == nullptr || !spriteSlotValid(g->boundSprite)) return;
    SpriteRecord& rec = g->sprites[static_cast<std::size_t>(g->boundSprite)];
    if (rec.texture == 0) return;
    const bool known = rec.wrapGeneration == g->cacheGeneration;
    if (known && rec.wrap == static_cast<std::int32_t>(mode)) return;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(mode));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(mode));
    rec.wrap = static_cast<std::int32_t>(mode);
    rec.wrapGeneration = g->cacheGeneration;
}

void setTextureEnvMode(GLenum mode) {
    GraphicsContext* g = graphics();
    if (g == nullptr || g->textureEnvMode == static_cast<std::int32_t>(mode)) return;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(mode));
    g->textureEnvMode = static_cast<std::int32_t>(mode);
}

std::int8_t cachedCapability(GLenum cap) {
    const int index = capabilityIndex(cap);
    GraphicsContext* g = graphics();
    if (index < 0 || g == nullptr) return kCapUnknown;
    return g->capabilities[static_cast<std::size_t>(index)];
}

void BindSprite(std::int32_t id) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    g->boundSprite = id;
    if (g->activeTexture != nullptr && !g->unitOneOff) {
        // The 2D calls never texture unit 1, but the 3D side may have left it on. Once per
        // frame is enough: switching units makes the driver validate texturing again.
        g->activeTexture(GL_TEXTURE1);
        glDisable(GL_TEXTURE_2D);
        g->activeTexture(GL_TEXTURE0);
        g->unitOneOff = true;
    }
    if (!spriteSlotValid(id)) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    const GLuint name = g->sprites[static_cast<std::size_t>(id)].texture;
    glBindTexture(GL_TEXTURE_2D, name);
    if (name == 0) {
        // Texture object 0 has no image; switching texturing off makes "untextured" explicit
        // instead of relying on the incomplete-texture rule.
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
}

void applySmoothing() {
    GraphicsContext* g = graphics();
    if (g == nullptr || g->boundSprite < 0) return;
    if (g->sprites[static_cast<std::size_t>(g->boundSprite)].texture == 0) return;
    const GLint filter = g->smoothing != 0 ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

}  // namespace qvt
