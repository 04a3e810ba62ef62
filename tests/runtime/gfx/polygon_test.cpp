// Polygon batches read back from the frame: texture mapping, colours, modes, strip splits,
// buffer growth, rejected ids, and split batches against their quads drawn one by one.
#include "gfx/polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/sprites.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::readPixel;
using test::scan;

const test::Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0};
constexpr int kSplitSlot = 2;  // 32 x 32: top half red, bottom half green

class PolygonTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kSplitSlot, test::makeImage(32, 32, [](int, int y) { return test::opaque(y < 16 ? kRed : kGreen); }));
    }
    // A strip quad: top-left, bottom-left, top-right, bottom-right, texture pixels 0..32 (ty to th).
    static void stripQuad(double x, double y, double w, double h, double colour = 0xFFFFFF, double th = 32) {
        AddPolygonVertex(x, y, 0, 0, colour);
        AddPolygonVertex(x, y + h, 0, th, colour);
        AddPolygonVertex(x + w, y, 32, 0, colour);
        AddPolygonVertex(x + w, y + h, 32, th, colour);
    }
    static void drawQuad(double id, double x, double y, double size, double colour = 0xFFFFFF, double mode = kPolygonStrip) {
        BeginPolygon(id, mode);
        stripQuad(x, y, size, size, colour);
        EndPolygon();
    }
    static const PolygonBatch& batch() { return *CurrentPolygonBatch(); }
};

TEST_F(PolygonTest, TexturesColoursModesAndRejectedIds) {
    drawQuad(kSplitSlot, 100, 100, 32);
    drawQuad(3, 300, 100, 10);             // an empty slot after a textured one: no stale texture
    drawQuad(-1, 400, 100, 10, 0xFF0000);  // untextured
    for (double mode : {3.0, -1.0}) drawQuad(-1, 500, 100, 10, 0xFFFFFF, mode);
    // Ids outside the table are rejected and draw nothing.
    for (double id : {65536.0, -2.0, 1e12, -1e12}) drawQuad(id, 520, 100, 10);
    drawQuad(65535, 540, 100, 10);  // an (empty) slot
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{10, 10}, {30, 10}, {30, 30}, {10, 30}}) AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
    EndPolygon();
    BeginPolygon(-1, kPolygonTriangles);
    for (auto [x, y] : {std::pair{50, 10}, {70, 10}, {70, 30}, {50, 30}}) AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
    EndPolygon();
    // A fan of four corners fills the square; triangles take vertices three at a time;
    // modes 3 and -1 and ids outside the table draw nothing.
    EXPECT_EQ(scan(116, 116, 101) + scan(116, 116, 130) + scan(305, 305, 105) +
                  scan(405, 405, 105) + scan(505, 505, 105) + scan(525, 525, 105) +
                  scan(545, 545, 105) + scan(12, 12, 28) + scan(28, 28, 12) + scan(68, 68, 12) +
                  scan(52, 52, 28),
              "RGWBKKWWWWK");
}

TEST_F(PolygonTest, SplitsCopyOnceAndTheBufferGrowsInStepsOf128) {
    BeginPolygon(-1, kPolygonTriangles);
    SplitPolygonStrip();
    EXPECT_EQ(batch().count, 0) << "nothing to copy in an empty batch";
    for (int i = 0; i < 640; ++i) AddPolygonVertex(i, 0, 0, 0, 0xFFFFFF);
    SplitPolygonStrip();
    SplitPolygonStrip();
    // 641 needed: the next multiple of 128; a second split adds no second copy.
    EXPECT_EQ(std::tuple(batch().capacity, batch().count, batch().vertices[639].x),
              std::tuple(768, 641, 639.0f));
}

TEST_F(PolygonTest, CachedStateSurvivesWhiteAndColouredBatchesAndStretchedSprites) {
    BeginPolygon(kSplitSlot, kPolygonStrip);  // white: the texture alone
    stripQuad(100, 100, 32, 32);
    EndPolygon();
    drawQuad(kSplitSlot, 200, 100, 32, 0x00FF00);
    EXPECT_EQ(scan(216, 216, 101) + scan(216, 216, 130), "KG") << "red texels times green";
    DrawSpriteStretched(kSplitSlot, 300, 100, 256, 256);  // 8x: the top row is filtered
    EXPECT_EQ(readPixel(400, 100), kRed) << "clamped at the top edge";
    BeginPolygon(kSplitSlot, kPolygonStrip);  // the picture twice, one below the other
    stripQuad(100, 300, 32, 64, 0xFFFFFF, 64);
    EndPolygon();
    EXPECT_EQ(scan(116, 116, 340) + scan(116, 116, 356), "RG") << "repeated";
}

// ---- Batch identity: a strip of many split quads draws the same frame as its quads drawn
// one per draw call, whatever EndPolygon hands the driver.

// 400 quads of four sizes (minified to texel edges, 1:1, magnified), every fifth turned and
// every seventh with a keyed corner, each split from the next.
void addSplitQuads() {
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return seed / 65536u % n;
    };
    for (int i = 0; i < 400; ++i) {
        const double h = std::array{2.0, 3.5, 16.0, 22.75}[i % 4], turn = i % 5 == 0 ? next(360) * 0.017453292 : 0.0;
        const double cx = next(600) + 0.25 * next(4) + h, cy = next(440) + 0.25 * next(4) + h;
        const int keyed = i % 7 == 0 ? static_cast<int>(next(4)) : -1;
        for (int k = 0; k < 4; ++k) {  // strip order, turned about the centre
            const double ox = k < 2 ? -h : h, oy = k % 2 == 0 ? -h : h;
            const std::uint32_t colour = next(4) == 0 ? 0xFFFFFF : next(0x1000000);
            AddPolygonVertex(cx + ox * std::cos(turn) - oy * std::sin(turn), cy + ox * std::sin(turn) + oy * std::cos(turn),
                             k < 2 ? 0 : 32, k % 2 == 0 ? 0 : 32, k == keyed ? kDefaultSpriteKey : colour);
        }
        SplitPolygonStrip();
    }
}

// The batch's own vertices, each quad (six vertices apart) drawn as a strip of its own, in
// the state of a batch with vertex colours.
void drawOneByOne(const PolygonBatch& batch, int smoothing) {
    glClear(GL_COLOR_BUFFER_BIT);
    BindSprite(batch.spriteId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, smoothing != 0 ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smoothing != 0 ? GL_LINEAR : GL_NEAREST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DITHER);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY}) glEnableClientState(array);
    for (std::int32_t first = 0; first + 4 <= batch.count; first += 6) {
        const PolygonVertex* v = &batch.vertices[first];
        glVertexPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->u);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolygonVertex), &v->r);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    for (GLenum array : {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY}) glDisableClientState(array);
    glShadeModel(GL_FLAT);
    glDisable(GL_DITHER);
    glColor4f(1, 1, 1, graphics()->blendAlpha);
}

TEST_F(PolygonTest, SplitBatchDrawsTheFrameOfItsQuadsDrawnOneByOne) {
    // A soft disc: alpha fades over the outer rim, so blending and the alpha test both matter.
    test::uploadTexture(kSplitSlot, test::makeImage(32, 32, [](int x, int y) {
                            const int r2 = (2 * x - 31) * (2 * x - 31) + (2 * y - 31) * (2 * y - 31);
                            const std::uint32_t a = r2 >= 32 * 32 ? 0 : std::min(255u, 255 - static_cast<std::uint32_t>(r2 / 5));
                            return a << 24 | static_cast<std::uint32_t>(x * 8) << 8 | 0x30000Fu;
                        }));
    for (auto [blend, smoothing] : {std::pair{-1.0, 1}, {-1.0, 0}, {-0.6, 1}, {0.5, 0}, {0.0, 1}}) {
        SetBlendAlpha(blend);
        SetSmoothing(smoothing);
        glClear(GL_COLOR_BUFFER_BIT);
        BeginPolygon(kSplitSlot, kPolygonStrip);
        addSplitQuads();
        EndPolygon();
        const std::vector<test::Rgb> batched = test::readFrameRect(0, 0, test::kScreenWidth, test::kScreenHeight);
        forgetCapabilities();
        ASSERT_EQ(batch().count, 400 * 6 - 1);
        drawOneByOne(batch(), smoothing);
        const std::vector<test::Rgb> reference = test::readFrameRect(0, 0, test::kScreenWidth, test::kScreenHeight);
        forgetCapabilities();
        const auto differ = std::mismatch(batched.begin(), batched.end(), reference.begin());
        EXPECT_TRUE(differ.first == batched.end()) << "blend " << blend << ", smoothing " << smoothing << ", first at pixel "
                                               << differ.first - batched.begin();
        EXPECT_NE(std::count(batched.begin(), batched.end(), kBlack), static_cast<long>(batched.size())) << "an empty frame";
    }
}

}  // namespace
}  // namespace qvt
