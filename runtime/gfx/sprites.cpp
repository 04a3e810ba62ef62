#include "gfx/sprites.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gfx/context.h"

namespace qvt {

namespace {

// The record stores sizes in 16 bits.
constexpr std::int32_t kMaxImageSide = 32767;

using PixelBuffer = std::unique_ptr<std::uint8_t[]>;

PixelBuffer allocatePixels(std::size_t bytes) {
    return PixelBuffer(new (std::nothrow) std::uint8_t[bytes]());
}

std::int32_t maxTextureSide() {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    return std::clamp<std::int32_t>(limit, 16, kMaxTextureSide);
}

// The image's top-left copyW x copyH pixels, upside down at row 0 of a zeroed
// texWidth x texHeight buffer.
PixelBuffer layoutTexture(const DecodedImage& image, std::int32_t copyW, std::int32_t copyH,
                          std::int32_t texWidth, std::int32_t texHeight) {
    PixelBuffer texels = allocatePixels(static_cast<std::size_t>(texWidth) * texHeight * 4);
    if (!texels) return texels;
    const std::size_t srcStride = static_cast<std::size_t>(image.width) * 4;
    const std::size_t dstStride = static_cast<std::size_t>(texWidth) * 4;
    for (std::int32_t row = 0; row < copyH; ++row) {
        const std::uint8_t* src = image.pixels.data() + srcStride * row;
        std::uint8_t* dst = texels.get() + dstStride * (copyH - 1 - row);
        std::memcpy(dst, src, static_cast<std::size_t>(copyW) * 4);
    }
    return texels;
}

void setUnpackState() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

void drainGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// Halves the wider side (truncated mean of neighbouring texels) until the buffer is
// square; works in place because every texel is written at or before the ones it reads.
std::int32_t squareInPlace(std::uint8_t* texels, std::int32_t width, std::int32_t height) {
    while (width > height) {
        const std::int32_t half = width / 2;
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < half; ++x) {
                const std::uint8_t* a = texels + (static_cast<std::size_t>(y) * width + 2 * x) * 4;
                std::uint8_t* d = texels + (static_cast<std::size_t>(y) * half + x) * 4;
                for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>((a[c] + a[c + 4]) / 2);
            }
        }
        width = half;
    }
    while (height > width) {
        const std::size_t stride = static_cast<std::size_t>(width) * 4;
        for (std::int32_t y = 0; y < height / 2; ++y) {
            const std::uint8_t* a = texels + stride * (2 * y);
            const std::uint8_t* b = a + stride;
            std::uint8_t* d = texels + stride * y;
            for (std::size_t i = 0; i < stride; ++i) {
                d[i] = static_cast<std::uint8_t>((a[i] + b[i]) / 2);
            }
        }
        height /= 2;
    }
    return width;
}

// The square mipmapped copy. Levels come from GL's own box-filtered generation, which
// keeps every level centred on the picture (a weighted 2 x 2 reduction favouring one
// corner would drift by a fraction of a texel per level).
GLuint makeMipTexture(std::uint8_t* texels, std::int32_t texWidth, std::int32_t texHeight) {
    const std::int32_t side = squareInPlace(texels, texWidth, texHeight);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setUnpackState();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

bool imageUsable(const DecodedImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    if (image.width > kMaxImageSide || image.height > kMaxImageSide) return false;
    return image.pixels.size() >= image.byteCount();
}

}  // namespace

void SetColourKey(double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    // Kept whole: a key above 24 bits, such as -1, matches no colour at all.
    const std::uint32_t key = packedColour(colour);
    g->spriteKey = key;
    g->fontKey = key;
}

void GetSpriteSize(double id, int* width, int* height) {
    std::int32_t slot = 0;
    const GraphicsContext* g = graphics();
    const bool ok = g != nullptr && checkSpriteId(id, false, &slot);
    const SpriteRecord* rec = ok ? &g->sprites[static_cast<std::size_t>(slot)] : nullptr;
    if (width != nullptr) *width = rec != nullptr ? rec->width : 0;
    if (height != nullptr) *height = rec != nullptr ? rec->height : 0;
}

void FreeSprite(std::int32_t id) {
    GraphicsContext* g = graphics();
    if (g == nullptr || !spriteSlotValid(id)) return;
    g->alphaMasks[static_cast<std::size_t>(id)].reset();
    BindSprite(kNoSprite);
    SpriteRecord& rec = g->sprites[static_cast<std::size_t>(id)];
    if (rec.texture != 0) glDeleteTextures(1, &rec.texture);
    if (rec.mipTexture != 0) glDeleteTextures(1, &rec.mipTexture);
    const std::int16_t frameWidth = rec.frameWidth;
    const std::int16_t frameHeight = rec.frameHeight;
    rec = SpriteRecord{};
    rec.frameWidth = frameWidth;
    rec.frameHeight = frameHeight;
}

std::int32_t textureSide(std::int32_t side) {
    std::int32_t size = 8;
    do {
        size *= 2;
    } while (size < side && size < kMaxTextureSide);
    return size;
}

bool CreateSpriteTexture(const DecodedImage& image, std::int32_t id, bool makeMip, bool isFont) {
    GraphicsContext* g = graphics();
    if (g == nullptr || !spriteSlotValid(id)) return false;
    FreeSprite(id);
    if (!imageUsable(image)) return false;

    const std::int32_t limit = maxTextureSide();
    const std::int32_t copyW = std::min(image.width, limit);
    const std::int32_t copyH = std::min(image.height, limit);
    const std::int32_t texWidth = textureSide(copyW);
    const std::int32_t texHeight = textureSide(copyH);
    PixelBuffer texels = layoutTexture(image, copyW, copyH, texWidth, texHeight);
    if (!texels) return false;

    drainGlErrors();
    setUnpackState();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint filter = isFont ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texWidth, texHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.get());
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return false;
    }

    SpriteRecord& rec = g->sprites[static_cast<std::size_t>(id)];
    rec.texture = name;
    rec.wrap = GL_REPEAT;
    rec.wrapGeneration = g->cacheGeneration;
    if (makeMip && !isFont) rec.mipTexture = makeMipTexture(texels.get(), texWidth, texHeight);
    rec.textureWidth = static_cast<std::int16_t>(texWidth);
    rec.textureHeight = static_cast<std::int16_t>(texHeight);
    rec.width = static_cast<std::int16_t>(image.width);
    rec.height = static_cast<std::int16_t>(image.height);
    // Extents cover what the texture really holds (the cut part of an oversized image).
    rec.uExtent = static_cast<float>(copyW) / static_cast<float>(texWidth);
    rec.vExtent = static_cast<float>(copyH) / static_cast<float>(texHeight);
    return true;
}

}  // namespace qvt
