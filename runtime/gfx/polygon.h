// Polygon batches: many textured, coloured triangles drawn with one glDrawArrays.
//
// The vertex buffer is one per process, reused by every batch; it only grows.
#pragma once

#include <cstdint>
#include <memory>

namespace qvt {

// One batch vertex, laid out for client arrays (stride 20 bytes).
struct PolygonVertex {
    float x, y;                  // 2D position, pixels
    float u, v;                  // texture coordinates (0 when the batch has no sprite)
    std::uint8_t r, g, b, a;     // colour; alpha carries the blend alpha or the colour key
};
static_assert(sizeof(PolygonVertex) == 20, "client arrays use a 20-byte stride");

// First allocation of the vertex buffer, in vertices.
inline constexpr std::int32_t kPolygonFirstCapacity = 512;
// Later growths round the needed count up past the next multiple of this.
inline constexpr std::int32_t kPolygonGrowthStep = 128;

// Primitive modes of a batch.
inline constexpr std::int32_t kPolygonFan = 0;
inline constexpr std::int32_t kPolygonTriangles = 1;
inline constexpr std::int32_t kPolygonStrip = 2;

// The batch under construction (one per graphics context).
struct PolygonBatch {
    std::unique_ptr<PolygonVertex[]> vertices;  // capacity entries, count in use
    std::int32_t count = 0;
    std::int32_t capacity = 0;
    std::int32_t spriteId = -1;        // sprite the batch was begun with, -1 for none
    float invTextureWidth = 0.0f;      // 1 / texture width of that sprite (0 when empty)
    float invTextureHeight = 0.0f;
    std::int32_t mode = kPolygonFan;
    bool coloursUsed = false;          // a vertex colour other than white, or blend alpha < 1
    bool splitPending = false;         // the next vertex is written twice
    bool rejected = false;             // begun with a bad sprite id: takes nothing, draws nothing

    // Makes room for needed vertices in total; false (batch unchanged) when out of memory.
    bool reserve(std::int32_t needed);
};

// Capacity the buffer grows to when `needed` vertices do not fit into `current`.
std::int32_t polygonGrowth(std::int32_t current, std::int32_t needed);

// Starts a batch with sprite id (-1 for untextured) and mode (0 fan, 1 triangles, 2 strip).
void BeginPolygon(double id, double mode);
// Appends a vertex at (x, y) pixels; (tx, ty) are pixels in the sprite image from its
// top-left corner; colour is packed RGB, 0xFFFFFF keeps the vertex uncoloured.
void AddPolygonVertex(double x, double y, double tx, double ty, double colour);
// Ends the current strip so the next vertex starts a new one (degenerate joining triangles).
void SplitPolygonStrip();
// Draws the batch; it stays filled and can be drawn again until the next BeginPolygon.
void EndPolygon();

// Draws a batch (binding its sprite when another is bound): one glDrawArrays over client
// arrays. useSmoothing sets the texture's filters from the smoothing flag first; fonts keep
// their nearest filtering.
void DrawPolygonBatch(PolygonBatch& batch, bool useSmoothing);

// The batch as it stands, for inspection (null before InitGraphics).
const PolygonBatch* CurrentPolygonBatch();

}  // namespace qvt
