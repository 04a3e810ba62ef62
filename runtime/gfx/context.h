// The one 2D graphics state of the process: sprite table, colour keys, capability cache,
// draw state, screen and viewport. Created by InitGraphics, destroyed by ShutdownGraphics;
// used by the main thread only.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>

#include "gfx/image.h"
#include "gfx/polygon.h"

namespace qvt {

// ---- Sizes and defaults ----------------------------------------------------------------

inline constexpr std::int32_t kSpriteRecordCount = 65537;  // records 0..65536
inline constexpr std::int32_t kSpriteIdLimit = 65536;      // accepted ids 0..65535
inline constexpr std::int32_t kFirstFontSprite = 65504;    // font n lives in 65504 + n
inline constexpr std::int32_t kNoSprite = -1;              // "no texture" in drawing calls
inline constexpr std::uint32_t kDefaultSpriteKey = 0x8000FF;  // red 255, green 0, blue 128
inline constexpr std::uint32_t kDefaultFontKey = 0x000000;
inline constexpr float kDefaultAlphaThreshold = 0.05f;
inline constexpr std::int32_t kFontCount = 32;     // font numbers 0..31
inline constexpr std::int32_t kGlyphCount = 256;   // one glyph record per byte value
// Texture sides never exceed this, whatever GL offers, so they fit the record's 16 bits.
inline constexpr std::int32_t kMaxTextureSide = 16384;

// ---- Records ---------------------------------------------------------------------------

// One sprite slot. Empty: no textures, extents 1.0, texture sizes -1, image size 0.
struct SpriteRecord {
    std::uint32_t texture = 0;        // GL texture name, 0 when empty
    std::uint32_t mipTexture = 0;     // GL name of the square mipmapped copy (sprites only)
    float uExtent = 1.0f;             // image width / texture width
    float vExtent = 1.0f;             // image height / texture height
    std::int16_t textureWidth = -1;   // power of two >= 16
    std::int16_t textureHeight = -1;
    std::int16_t width = 0;           // image size in pixels
    std::int16_t height = 0;
    std::int16_t frameWidth = 0;      // animation frame size; survives FreeSprite
    std::int16_t frameHeight = 0;
    // Wrap mode last set on the texture (both axes) and the cache generation it was set in;
    // a stale generation means unknown.
    std::int32_t wrap = 0;
    std::uint32_t wrapGeneration = 0;
};

// One glyph of a bitmap font. Start and width are pixels inside the glyph's cell (wider than
// a byte, so cells of huge font images keep their true widths).
struct Glyph {
    std::uint16_t start = 0;  // first column with a visible pixel
    std::uint16_t width = 0;  // proportional advance, pixels
    float u0 = 0.0f;          // texture u of the left edge
    float u1 = 0.0f;          // texture u of the right edge
};
using GlyphTable = std::array<Glyph, kGlyphCount>;

// Capabilities toggled through the cache (anything else goes straight to GL).
enum class Capability : std::int32_t {
    Blend, AlphaTest, Dither, ColorMaterial, DepthTest, CullFace, Fog, Lighting, LineSmooth,
    PointSmooth, StencilTest, Normalize, PolygonSmooth, PolygonOffsetPoint, AutoNormal, Count
};
inline constexpr std::int8_t kCapUnknown = -1;

using ActiveTextureFn = void(GLAPIENTRY*)(GLenum unit);

struct GraphicsContext {
    std::array<SpriteRecord, kSpriteRecordCount> sprites{};
    // Cached alpha masks for pixel queries, one per id; released whenever a slot is freed.
    std::array<std::unique_ptr<std::uint8_t[]>, kSpriteIdLimit> alphaMasks;
    std::uint32_t spriteKey = kDefaultSpriteKey;  // colour key of sprite images and vertices
    std::uint32_t fontKey = kDefaultFontKey;      // colour key of font images

    std::array<std::int8_t, static_cast<std::size_t>(Capability::Count)> capabilities{};

    // Draw state; ResetScreenState puts it back every frame.
    float blendAlpha = 1.0f;                         // 0 < a <= 1
    float alphaThreshold = kDefaultAlphaThreshold;   // fragments with alpha <= this are dropped
    std::uint8_t smoothing = 1;                      // 1 GL_LINEAR, 0 GL_NEAREST
    std::int32_t boundSprite = kNoSprite;            // sprite of the last bind
    std::int32_t textureEnvMode = 0;                 // last GL_TEXTURE_ENV_MODE set; 0 unknown
    bool unitOneOff = false;                         // texturing known off on texture unit 1
    std::uint32_t cacheGeneration = 1;               // bumped when the caches are forgotten

    // Screen.
    std::int32_t screenWidth = 0, screenHeight = 0;  // drawing area, pixels
    std::int32_t orientation = 0;                    // quarter turns, 0..3
    std::int32_t viewportX = 0, viewportY = 0;       // last viewport, 2D screen coordinates
    std::int32_t viewportWidth = 0, viewportHeight = 0;
    std::uint8_t clearColourFlag = 1;                // clear the colour buffer every frame
    std::uint8_t depthClearFlag = 1;                 // clear depth at the next frame only

    PolygonBatch batch;
    PolygonBatch textBatch;  // DrawText's own strip, so text never disturbs the user's batch

    // Fonts: glyph tables of the 32 slots (textures in sprite slots 65504 + n).
    std::array<GlyphTable, kFontCount> fonts{};
    std::int32_t currentFont = 0;

    // Scratch picture of the loaders; keeps its buffer between loads.
    DecodedImage decoded;
    ActiveTextureFn activeTexture = nullptr;  // glActiveTextureARB when multitexture exists
};

// The context, or null outside InitGraphics .. ShutdownGraphics.
GraphicsContext* graphics();
// Installs a new context (the previous one must have been released) / releases it.
GraphicsContext& createGraphicsContext(std::int32_t width, std::int32_t height);
void destroyGraphicsContext();

// ---- Numbers at the API ----------------------------------------------------------------

// Truncates toward zero, clamping to the int32 range; NaN gives 0.
std::int32_t truncToInt(double value);
// A packed RGB colour from an API number: truncated, taken modulo 2^32 (so -1 is all ones).
std::uint32_t packedColour(double value);
// The colour equals the key, all 32 bits.
inline bool matchesKey(std::uint32_t colour, std::uint32_t key) { return colour == key; }

// Alpha of a drawn colour: 0 for the sprite key, else the blend alpha in bytes (truncated).
inline std::uint8_t colourAlpha(const GraphicsContext& g, std::uint32_t colour) {
    if (matchesKey(colour, g.spriteKey)) return 0;
    if (g.blendAlpha == 1.0f) return 255;
    return static_cast<std::uint8_t>(g.blendAlpha * 255.0f);
}
// A float from an API number, clamped to the float range (NaN stays NaN).
float toFloat(double value);

// ---- Sprite ids ------------------------------------------------------------------------

// The one check of a sprite id: accepts 0..65535, and -1 when allowNone. On success stores
// the id in *id. Non-integral values are truncated first.
bool checkSpriteId(double value, bool allowNone, std::int32_t* id);
// The same check for ids already inside the runtime: a slot of the table, 0..65535.
inline bool spriteSlotValid(std::int32_t id) { return id >= 0 && id < kSpriteIdLimit; }

// ---- Capability cache ------------------------------------------------------------------

// Enables or disables cap; the GL call is made only when the cached flag differs.
void setCapability(GLenum cap, bool on);
// Every flag (and the texture environment mode) becomes unknown, so the next change always
// reaches GL.
void forgetCapabilities();
// Sets the texture environment mode of unit 0 (GL_MODULATE or GL_REPLACE) through the same
// cache: a mode change makes the driver pick another fragment program, which costs more
// than a short batch's drawing.
void setTextureEnvMode(GLenum mode);
// Sets wrap S and T of the bound sprite's texture (nothing when none is bound) through a
// per-texture cache: sprite quads clamp and batches repeat, and changing a texture's
// sampling state makes the driver validate it again before the next draw.
void setTextureWrap(GLenum mode);
// The cached flag of cap: 0, 1 or kCapUnknown (also for capabilities not cached).
std::int8_t cachedCapability(GLenum cap);

// ---- Texture binding -------------------------------------------------------------------

// Binds the sprite's texture on unit 0 (an empty slot binds texture 0 and draws
// untextured); -1 turns texturing off. id must be -1 or 0..65535. The wrap mode is left to
// the draw (setTextureWrap), which sets what it samples with.
void BindSprite(std::int32_t id);
// Sets the bound sprite's filters from the smoothing flag (nothing when none is bound).
void applySmoothing();

}  // namespace qvt
