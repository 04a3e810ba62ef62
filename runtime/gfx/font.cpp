// Bitmap fonts: glyph tables, the built-in font, font slots and text drawing.
#include "gfx/font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "files/resolver.h"
#include "gfx/image_decode.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"

namespace qvt {

namespace {

constexpr int kCellsPerRow = 16;
constexpr std::int32_t kSpaceCode = 32;
constexpr std::int32_t kLetterJ = 106;

// ---- Built-in font -----------------------------------------------------------------------

constexpr int kBuiltInWidth = 128;
constexpr int kBuiltInHeight = 64;
constexpr int kBuiltInCell = 8;
constexpr int kShapeColumns = 5;
constexpr int kShapeRows = 6;
constexpr int kFirstShape = 32;  // codes 32..127 have shapes
constexpr std::uint8_t kOutlineGrey = 8;

// Bit (row * 5 + column) lights that pixel of the 5 x 6 shape; code 32 first.
constexpr std::array<std::uint32_t, 96> kGlyphMasks = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E,
    0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E,
    0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5,
    0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800,
    0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400,
    0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};

// Lit pixel of a shape; anything outside the 5 x 6 shape is unlit.
bool shapeLit(std::uint32_t mask, int column, int row) {
    if (column < 0 || row < 0 || column >= kShapeColumns || row >= kShapeRows) return false;
    return (mask >> (row * kShapeColumns + column) & 1u) != 0;
}

void paintBuiltInCell(DecodedImage& image, int code) {
    const std::uint32_t mask = kGlyphMasks[static_cast<std::size_t>(code - kFirstShape)];
    const int cellX = (code % kCellsPerRow) * kBuiltInCell;
    const int cellY = (code / kCellsPerRow) * kBuiltInCell;
    for (int y = 0; y < kBuiltInCell; ++y) {
        for (int x = 0; x < kBuiltInCell; ++x) {
            // The shape sits one pixel in from the cell's top-left corner.
            const int sx = x - 1, sy = y - 1;
            const std::size_t at = static_cast<std::size_t>(cellY + y) * kBuiltInWidth + cellX + x;
            std::uint8_t* p = &image.pixels[at * 4];
            if (shapeLit(mask, sx, sy)) {
                p[0] = p[1] = p[2] = p[3] = 255;
            } else if (shapeLit(mask, sx - 1, sy) || shapeLit(mask, sx + 1, sy) ||
                       shapeLit(mask, sx, sy - 1) || shapeLit(mask, sx, sy + 1)) {
                p[0] = p[1] = p[2] = kOutlineGrey;
                p[3] = 255;
            }
        }
    }
}

// ---- Glyph tables -------------------------------------------------------------------------

struct FontLayout {
    std::int32_t cellWidth = 0;
    std::int32_t cellHeight = 0;
    std::int32_t glyphs = 128;
    std::int32_t lastRow = 7;
};

FontLayout layoutFor(std::int32_t width, std::int32_t height) {
    if (width < height) return {width / kCellsPerRow, height / 16, 256, 15};
    return {width / kCellsPerRow, height / 8, 128, 7};
}

bool columnVisible(const DecodedImage& image, std::int32_t x, std::int32_t top, std::int32_t rows) {
    for (std::int32_t y = top; y < top + rows; ++y) {
        if (image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3] != 0) return true;
    }
    return false;
}

// Start and proportional width of one cell; an empty cell is a whole cell wide.
Glyph measureCell(const DecodedImage& image, const FontLayout& l, std::int32_t code) {
    const std::int32_t left = (code % kCellsPerRow) * l.cellWidth;
    const std::int32_t top = (code / kCellsPerRow) * l.cellHeight;
    std::int32_t start = 0;
    while (start < l.cellWidth && !columnVisible(image, left + start, top, l.cellHeight)) ++start;
    Glyph glyph;
    if (start == l.cellWidth) {
        glyph.width = static_cast<std::uint16_t>(l.cellWidth);
        return glyph;
    }
    std::int32_t last = l.cellWidth - 1;
    while (last > start && !columnVisible(image, left + last, top, l.cellHeight)) --last;
    std::int32_t width = last - start + 1;
    if (start + width < l.cellWidth) ++width;  // one blank column before the next glyph
    glyph.start = static_cast<std::uint16_t>(start);
    glyph.width = static_cast<std::uint16_t>(width);
    return glyph;
}

// ---- Drawing -----------------------------------------------------------------------------

std::int32_t fontSlot(std::int32_t font) { return kFirstFontSprite + font; }

bool fontNumber(double value, std::int32_t* font) {
    if (std::isnan(value)) return false;
    const std::int32_t n = truncToInt(value);
    if (n < 0 || n >= kFontCount) return false;
    *font = n;
    return true;
}

// What DrawText reads from the font's sprite record.
struct TextMetrics {
    FontLayout layout;
    float uCell = 0.0f;
    float vCell = 0.0f;
};

TextMetrics metricsOf(const SpriteRecord& rec) {
    TextMetrics m;
    m.layout = layoutFor(rec.width, rec.height);
    m.uCell = rec.uExtent / 16.0f;
    m.vCell = rec.vExtent / static_cast<float>(m.layout.lastRow + 1);
    return m;
}

// Glyph code of a text byte, 0 where the text ends.
std::int32_t glyphCode(char byte, std::int32_t glyphs) {
    return static_cast<std::uint8_t>(byte) % glyphs;
}

void appendGlyph(PolygonBatch& batch, float x, float y, float w, float h, float u0, float u1,
                 float vBottom, float vTop, std::uint8_t alpha) {
    const PolygonVertex corners[4] = {
        {x, y + h, u0, vBottom, 255, 255, 255, alpha},
        {x, y, u0, vTop, 255, 255, 255, alpha},
        {x + w, y + h, u1, vBottom, 255, 255, 255, alpha},
        {x + w, y, u1, vTop, 255, 255, 255, alpha},
    };
    for (const PolygonVertex& v : corners) batch.vertices[batch.count++] = v;
}

bool loadFontImage(GraphicsContext& g, const RuntimeString& resolved, std::int32_t font) {
    DecodedImage& image = g.decoded;
    if (!DecodeImageFile(resolved, DecoderSet::Font, g.fontKey, image)) {
        FreeSprite(fontSlot(font));
        return false;
    }
    GlyphTable table;
    BuildGlyphTable(image, table);
    if (!CreateSpriteTexture(image, fontSlot(font), false, true)) return false;
    g.fonts[static_cast<std::size_t>(font)] = table;
    return true;
}

}  // namespace

DecodedImage BuiltInFontImage() {
    DecodedImage image;
    image.width = kBuiltInWidth;
    image.height = kBuiltInHeight;
    image.pixels.assign(image.byteCount(), 0);
    for (int code = kFirstShape; code < 128; ++code) paintBuiltInCell(image, code);
    return image;
}

void BuildGlyphTable(const DecodedImage& image, GlyphTable& table) {
    table = GlyphTable{};
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() < image.byteCount()) return;
    const FontLayout l = layoutFor(image.width, image.height);
    const float textureWidth = static_cast<float>(textureSide(image.width));
    for (std::int32_t i = 0; i < l.glyphs; ++i) {
        Glyph glyph = measureCell(image, l, i);
        const std::int32_t left = (i % kCellsPerRow) * l.cellWidth + glyph.start;
        glyph.u0 = static_cast<float>(left) / textureWidth;
        glyph.u1 = static_cast<float>(left + glyph.width) / textureWidth;
        table[static_cast<std::size_t>(i)] = glyph;
        if (i == kLetterJ) {
            // The space's cell is column 0 of its row, so u0 = 0 is its own left edge.
            Glyph& space = table[kSpaceCode];
            space.width = glyph.width;
            space.u0 = 0.0f;
            space.u1 = glyph.u1 - glyph.u0;
        }
        // Copied as the scan goes, so code 160 keeps the space from before the j rule.
        if (l.glyphs == 128) {
            table[static_cast<std::size_t>(i + 128)] = table[static_cast<std::size_t>(i)];
        }
    }
}

void InstallBuiltInFont(std::int32_t font) {
    GraphicsContext* g = graphics();
    if (g == nullptr || font < 0 || font >= kFontCount) return;
    if (!CreateSpriteTexture(BuiltInFontImage(), fontSlot(font), false, true)) return;
    GlyphTable& table = g->fonts[static_cast<std::size_t>(font)];
    const float cell = static_cast<float>(kBuiltInCell) / kBuiltInWidth;
    for (std::int32_t c = 0; c < kGlyphCount; ++c) {
        Glyph& glyph = table[static_cast<std::size_t>(c)];
        glyph.start = 0;
        glyph.width = kBuiltInCell;
        glyph.u0 = static_cast<float>(c % kCellsPerRow) * cell;
        glyph.u1 = glyph.u0 + cell;
    }
}

void LoadFontFile(const RuntimeString& path, double font) {
    ClearLastError();
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    std::int32_t n = 0;
    const bool valid = fontNumber(font, &n);
    if (path.empty()) {
        // Before the number is checked: no error and no font change. A number beyond the
        // fonts has no texture slot to empty.
        if (valid) FreeSprite(fontSlot(n));
        return;
    }
    if (valid) {
        g->currentFont = n;
    } else {
        SetLastError(kErrOutOfMemory);
        n = g->currentFont;
    }
    RuntimeString resolved;
    const bool found = ResolveMediaFile(kMediaResolver, path, resolved, true);
    if (!found || !loadFontImage(*g, resolved, n)) {
        SetLastError(kErrNoSuchFile);
        InstallBuiltInFont(n);
    }
}

void SelectFont(double font) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    std::int32_t n = 0;
    if (fontNumber(font, &n)) {
        g->currentFont = n;
    } else {
        SetLastError(kErrOutOfMemory);
    }
}

std::int32_t CurrentFont() {
    const GraphicsContext* g = graphics();
    return g != nullptr ? g->currentFont : 0;
}

void DrawText(const RuntimeString& text, double x, double y, double proportional) {
    GraphicsContext* g = graphics();
    if (g == nullptr || text.empty()) return;
    PolygonBatch& batch = g->textBatch;
    constexpr std::uint32_t kMaxTextBytes = 1u << 22;
    if (text.length() > kMaxTextBytes) return;
    if (!batch.reserve(static_cast<std::int32_t>(text.length()) * 4)) return;
    const std::int32_t slot = fontSlot(g->currentFont);
    const TextMetrics m = metricsOf(g->sprites[static_cast<std::size_t>(slot)]);
    const GlyphTable& glyphs = g->fonts[static_cast<std::size_t>(g->currentFont)];
    const bool fixed = proportional == 0.0;
    const std::uint8_t alpha =
        g->blendAlpha == 1.0f ? 255 : static_cast<std::uint8_t>(g->blendAlpha * 255.0f);
    const float cellHeight = static_cast<float>(m.layout.cellHeight);
    float px = toFloat(std::ceil(x));
    const float py = toFloat(std::ceil(y));
    batch.count = 0;
    for (const char byte : text.view()) {
        const std::int32_t c = glyphCode(byte, m.layout.glyphs);
        if (c == 0) break;
        const Glyph& glyph = glyphs[static_cast<std::size_t>(c)];
        const float u0 = fixed ? static_cast<float>(c % kCellsPerRow) * m.uCell : glyph.u0;
        const float u1 = fixed ? u0 + m.uCell : glyph.u1;
        const float w = static_cast<float>(fixed ? m.layout.cellWidth : glyph.width);
        // The texture is stored upside down.
        const float vBottom = static_cast<float>(m.layout.lastRow - c / kCellsPerRow) * m.vCell;
        appendGlyph(batch, px, py, w, cellHeight, u0, u1, vBottom, vBottom + m.vCell, alpha);
        px += w;
    }
    batch.spriteId = slot;
    batch.mode = kPolygonStrip;
    batch.coloursUsed = false;
    batch.splitPending = false;
    batch.rejected = false;
    if (batch.count > 0) DrawPolygonBatch(batch, false);
}

std::int32_t GetTextWidth(const RuntimeString& text, double proportional) {
    const GraphicsContext* g = graphics();
    if (g == nullptr) return 0;
    const std::int32_t slot = fontSlot(g->currentFont);
    const SpriteRecord& rec = g->sprites[static_cast<std::size_t>(slot)];
    const FontLayout l = layoutFor(rec.width, rec.height);
    const GlyphTable& glyphs = g->fonts[static_cast<std::size_t>(g->currentFont)];
    // Every byte up to a zero byte counts by its own record (a 128-glyph font's upper half
    // holds copies), unlike DrawText, which stops at byte 128 of such a font.
    std::int64_t width = 0;
    for (const char byte : text.view()) {
        const auto c = static_cast<std::uint8_t>(byte);
        if (c == 0) break;
        width += proportional != 0.0 ? glyphs[c].width : l.cellWidth;
    }
    constexpr std::int64_t kMaxWidth = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(width, kMaxWidth));
}

void GetFontCellSize(std::int32_t* width, std::int32_t* height) {
    const GraphicsContext* g = graphics();
    FontLayout l;
    if (g != nullptr) {
        const SpriteRecord& rec = g->sprites[static_cast<std::size_t>(fontSlot(g->currentFont))];
        l = layoutFor(rec.width, rec.height);
    }
    if (width != nullptr) *width = g != nullptr ? l.cellWidth : 0;
    if (height != nullptr) *height = g != nullptr ? l.cellHeight : 0;
}

void LoadDefaultFont() {
    if (graphics() == nullptr) return;
    InstallBuiltInFont(0);
    static const char* const kDefaultFonts[] = {"Media/smalfont.png", "Media/smalfont.bmp",
                                                 "smalfont.png", "smalfont.bmp"};
    for (const char* name : kDefaultFonts) {
        RuntimeString found;
        // The name handed out (a file or a pack entry in memory) is loaded as it stands.
        if (ResolveMediaFile(kMediaResolver, RuntimeString(name), found, true)) {
            LoadFontFile(found, 0);
            break;
        }
    }
    SelectFont(0);
}

}  // namespace qvt
