// Loading image files into sprite slots.
#include "core/errors.h"
#include "files/resolver.h"
#include "gfx/context.h"
#include "gfx/image_decode.h"
#include "gfx/sprites.h"

namespace qvt {

namespace {

// The loaders' scratch picture keeps its buffer up to this size for the next load; a larger
// one is given back, so one huge picture does not pin its memory for the whole run.
constexpr std::size_t kKeptDecodeBytes = std::size_t{16} << 20;

// Loaded sprites get no mip texture: only a 3D renderer would sample it, and this runtime
// has none. On Mesa's llvmpipe it cost 3 ms per 512 x 512 picture, more than half again
// the decode itself (bench/image_bench).
constexpr bool kSpriteMipTextures = false;

void releaseLargeBuffer(DecodedImage& image) {
    if (image.pixels.capacity() > kKeptDecodeBytes) std::vector<std::uint8_t>().swap(image.pixels);
}

bool loadInto(GraphicsContext& g, const RuntimeString& path, std::int32_t slot) {
    RuntimeString resolved;
    if (!ResolveMediaFile(kMediaResolver, path, resolved, true)) return false;
    DecodedImage& image = g.decoded;
    bool ok = DecodeImageFile(resolved, DecoderSet::Sprite, g.spriteKey, image);
    if (ok && image.keyed == 0) FillEdgeColours(image);
    ok = ok && CreateSpriteTexture(image, slot, kSpriteMipTextures, false);
    releaseLargeBuffer(image);
    return ok;
}

}  // namespace

void LoadSpriteFile(const RuntimeString& path, double id) {
    ClearLastError();
    GraphicsContext* g = graphics();
    std::int32_t slot = 0;
    if (g == nullptr || !checkSpriteId(id, false, &slot)) {
        SetLastError(kErrOutOfMemory);
        return;
    }
    FreeSprite(slot);
    if (path.empty()) return;
    if (!loadInto(*g, path, slot)) {
        FreeSprite(slot);
        SetLastError(kErrNoSuchFile);
    }
}

}  // namespace qvt
