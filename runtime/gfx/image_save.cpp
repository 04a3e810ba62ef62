// Saving a sprite or the screen to an image file.
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "core/errors.h"
#include "files/filesystem.h"
#include "files/memfile.h"
#include "gfx/context.h"
#include "gfx/image_encode.h"
#include "gfx/sprites.h"
#include "platform/fs.h"

namespace qvt {

namespace {

bool resizeBytes(std::vector<std::uint8_t>& bytes, std::size_t count) {
    try {
        bytes.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool allocate(DecodedImage& image, std::int32_t width, std::int32_t height) {
    image.width = width;
    image.height = height;
    return resizeBytes(image.pixels, image.byteCount());
}

// The part of the texture that holds the picture, turned upright.
bool readSpritePicture(GraphicsContext& g, std::int32_t slot, DecodedImage& image) {
    const SpriteRecord& rec = g.sprites[static_cast<std::size_t>(slot)];
    if (rec.texture == 0 || rec.textureWidth <= 0 || rec.textureHeight <= 0) return false;
    const std::int32_t width = std::min<std::int32_t>(rec.width, rec.textureWidth);
    const std::int32_t height = std::min<std::int32_t>(rec.height, rec.textureHeight);
    if (width <= 0 || height <= 0 || !allocate(image, width, height)) return false;
    std::vector<std::uint8_t> texels;
    if (!resizeBytes(texels, static_cast<std::size_t>(rec.textureWidth) * rec.textureHeight * 4)) {
        return false;
    }
    glBindTexture(GL_TEXTURE_2D, rec.texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    BindSprite(g.boundSprite);
    const std::size_t texStride = static_cast<std::size_t>(rec.textureWidth) * 4;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(height - 1 - y);
        const std::uint8_t* src = texels.data() + texStride * row;
        std::copy(src, src + stride, image.pixels.data() + stride * static_cast<std::size_t>(y));
    }
    return true;
}

// The window's pixels as shown, alpha forced to opaque (the window may or may not keep one).
bool readScreen(const GraphicsContext& g, DecodedImage& image) {
    if (g.screenWidth <= 0 || g.screenHeight <= 0) return false;
    std::vector<std::uint8_t> rows;
    if (!allocate(image, g.screenWidth, g.screenHeight) || !resizeBytes(rows, image.byteCount())) {
        return false;
    }
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::size_t row = static_cast<std::size_t>(image.height - 1 - y);
        const std::uint8_t* src = rows.data() + stride * row;
        std::uint8_t* dst = image.pixels.data() + stride * static_cast<std::size_t>(y);
        std::copy(src, src + stride, dst);
        for (std::size_t x = 3; x < stride; x += 4) dst[x] = 255;
    }
    return true;
}

std::vector<std::uint8_t> encodeFor(const RuntimeString& path, const DecodedImage& image) {
    switch (FormatForPath(path.c_str())) {
    case ImageFormat::Png: return EncodePng(image);
    case ImageFormat::Jpeg: return EncodeJpeg(image);
    default: return EncodeBmp(image);
    }
}

bool writeWholeFile(const RuntimeString& path, const std::vector<std::uint8_t>& bytes) {
    const std::string os = osPath(path);
    const int fd = platform::openFile(os.c_str(), platform::FileAccess::ReadWriteNew);
    if (fd < 0) return false;
    const bool ok = platform::writeFile(fd, bytes.data(), bytes.size());
    platform::closeFile(fd);
    // A half-written picture is worse than none.
    if (!ok) platform::removeFile(os.c_str());
    return ok;
}

bool saveImage(const RuntimeString& path, const DecodedImage& image) {
    if (path.empty() || IsMemoryFileName(path.view())) return false;
    const std::vector<std::uint8_t> bytes = encodeFor(path, image);
    return !bytes.empty() && writeWholeFile(path, bytes);
}

bool failSave() {
    SetLastError(kErrNoSuchFile);
    return false;
}

}  // namespace

bool SaveSpriteImage(double id, const RuntimeString& path) {
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, false, &slot)) return failSave();
    DecodedImage image;
    if (!readSpritePicture(*g, slot, image) || !saveImage(path, image)) return failSave();
    return true;
}

bool SaveScreenImage(const RuntimeString& path) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return failSave();
    DecodedImage image;
    if (!readScreen(*g, image) || !saveImage(path, image)) return failSave();
    return true;
}

}  // namespace qvt
