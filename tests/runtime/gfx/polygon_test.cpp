// Polygon batches read back from the frame: texture mapping, colours, modes, strip splits,
// buffer growth and rejected ids.
#include "gfx/polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::readPixel;
using test::scan;
using test::Rgb;

const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
constexpr int kRedSlot = 1;    // 8 x 8 red
constexpr int kSplitSlot = 2;  // 32 x 32: top half red, bottom half green

class PolygonTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kRedSlot, test::makeImage(8, 8, [](int, int) { return test::opaque(kRed); }));
        test::uploadTexture(kSplitSlot, test::makeImage(32, 32, [](int, int y) { return test::opaque(y < 16 ? kRed : kGreen); }));
    }
    // A strip quad: top-left, bottom-left, top-right, bottom-right, texture pixels 0..32.
    static void stripQuad(double x, double y, double w, double h, double colour = 0xFFFFFF) {
        AddPolygonVertex(x, y, 0, 0, colour);
        AddPolygonVertex(x, y + h, 0, 32, colour);
        AddPolygonVertex(x + w, y, 32, 0, colour);
        AddPolygonVertex(x + w, y + h, 32, 32, colour);
    }
    static void drawQuad(double id, double x, double y, double size, double colour = 0xFFFFFF, double mode = kPolygonStrip) {
        BeginPolygon(id, mode);
        stripQuad(x, y, size, size, colour);
        EndPolygon();
    }
    static const PolygonBatch& batch() { return *CurrentPolygonBatch(); }
};

TEST_F(PolygonTest, TexturesAndColours) {
    drawQuad(kSplitSlot, 100, 100, 32);
    EXPECT_EQ(std::pair(batch().vertices[0].v, batch().vertices[2].u), std::pair(1.0f, 1.0f)) << "ty 0 is the image's top";
    drawQuad(kSplitSlot, 200, 100, 32, 0x00FF00);  // a green vertex colour keeps only green
    drawQuad(3, 300, 100, 10);                     // after a textured batch, an empty slot: no stale texture
    drawQuad(-1, 400, 100, 10, 0xFF0000);          // untextured
    EXPECT_EQ(scan(116, 116, 101) + scan(116, 116, 130) + scan(216, 216, 101) + scan(216, 216, 130) + scan(305, 305, 105) +
                  scan(405, 405, 105),
              "RGKGWB");
    SetBlendAlpha(-0.5);
    drawQuad(kRedSlot, 300, 200, 8);
    EXPECT_TRUE(test::nearColour(readPixel(304, 204), {128, 0, 0}, 1)) << "a white batch takes the blend alpha";
}

TEST_F(PolygonTest, ModesFanTrianglesStripAndNothingElse) {
    BeginPolygon(-1, kPolygonFan);
    for (auto [x, y] : {std::pair{10, 10}, {30, 10}, {30, 30}, {10, 30}}) AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
    EndPolygon();
    BeginPolygon(-1, kPolygonTriangles);
    for (auto [x, y] : {std::pair{50, 10}, {70, 10}, {70, 30}, {50, 30}}) AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
    EndPolygon();
    EXPECT_EQ(scan(12, 12, 28) + scan(28, 28, 12) + scan(68, 68, 12) + scan(52, 52, 28), "WWWK")
        << "a fan of four corners fills the square; triangles take vertices three at a time";
    for (double mode : {3.0, -1.0}) {
        drawQuad(-1, 100, 10, 20, 0xFFFFFF, mode);
        EXPECT_EQ(readPixel(110, 20), kBlack) << "mode " << mode;
    }
}

TEST_F(PolygonTest, SplitJoinsSeparateQuadsInOneStrip) {
    BeginPolygon(kSplitSlot, kPolygonStrip);
    SplitPolygonStrip();
    EXPECT_EQ(batch().count, 0) << "nothing to copy in an empty batch";
    stripQuad(10, 10, 20, 20);
    SplitPolygonStrip();
    SplitPolygonStrip();
    EXPECT_EQ(batch().count, 5) << "a second split adds no second copy";
    stripQuad(50, 10, 20, 20);
    EXPECT_EQ(batch().count, 10) << "the next vertex is written twice";
    FillRect(200, 200, 5, 5, 0xFF0000);  // unbinds texturing
    EndPolygon();
    EXPECT_EQ(scan(20, 20, 12) + scan(60, 60, 12) + scan(40, 40, 12) + scan(40, 40, 28), "RRKK")
        << "the batch binds its texture again; the joining triangles have no area";
    DrawSpriteAt(kRedSlot, 300, 300);
    SetClearColour(0);
    EndPolygon();  // the same batch again, after another sprite was bound
    EXPECT_EQ(readPixel(20, 28), kGreen);
}

TEST_F(PolygonTest, BufferGrowsTo512ThenInStepsOf128AndNeverShrinks) {
    EXPECT_EQ(batch().capacity, 0);
    BeginPolygon(-1, kPolygonTriangles);
    EXPECT_EQ(batch().capacity, 512);
    for (int i = 0; i < 512; ++i) AddPolygonVertex(i, 0, 0, 0, 0xFFFFFF);
    EXPECT_EQ(batch().capacity, 512);
    for (int i = 512; i < 640; ++i) AddPolygonVertex(i, 0, 0, 0, 0xFFFFFF);
    EXPECT_EQ(batch().capacity, 640);
    SplitPolygonStrip();
    EXPECT_EQ(batch().capacity, 768) << "needed 641: the next multiple of 128 above";
    EXPECT_FLOAT_EQ(batch().vertices[639].x, 639.0f) << "old vertices copied";
    BeginPolygon(-1, kPolygonTriangles);
    EXPECT_EQ(batch().capacity, 768);
}

TEST_F(PolygonTest, IdsOutsideTheTableAreRejected) {
    for (double id : {65536.0, -2.0, 1e12, -1e12}) {
        BeginPolygon(id, kPolygonStrip);
        stripQuad(10, 10, 20, 20);
        EXPECT_EQ(batch().count, 0) << "id " << id;
        EndPolygon();
        EXPECT_EQ(readPixel(20, 20), kBlack) << "id " << id;
    }
    drawQuad(65535, 10, 10, 20);
    EXPECT_EQ(readPixel(20, 20), kWhite) << "65535 is an (empty) slot";
}


// ---- batch identity: a strip of many split quads draws the same frame as its quads drawn
// one per draw call, whatever EndPolygon hands the driver.

struct IdentityQuad {
    double x, y, side, angle;   // top-left corner before turning, size on screen, degrees
    std::uint32_t colour[4];    // per corner; kDefaultSpriteKey drops that corner's alpha
};

// Soft disc: alpha fades over the outer rim, so blending and the alpha test both matter.
DecodedImage discImage() {
    return test::makeImage(32, 32, [](int x, int y) {
        const int dx = 2 * x - 31, dy = 2 * y - 31, r2 = dx * dx + dy * dy;
        const std::uint32_t a = r2 >= 32 * 32 ? 0 : 255 - static_cast<std::uint32_t>(r2 / 5);
        return (std::min(a, 255u) << 24) | (static_cast<std::uint32_t>(x * 8) << 8) | 0x30000Fu;
    });
}

std::vector<IdentityQuad> identityQuads() {
    std::vector<IdentityQuad> quads;
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return seed / 65536u % n;
    };
    const double sides[] = {4, 7, 32, 45.5};  // minified to texel edges, 1:1, magnified
    for (int i = 0; i < 400; ++i) {
        IdentityQuad q{next(600) + 0.25 * next(4), next(440) + 0.25 * next(4), sides[i % 4],
                       i % 5 == 0 ? static_cast<double>(next(360)) : 0.0, {}};
        for (std::uint32_t& c : q.colour) {
            c = next(4) == 0 ? 0xFFFFFF : next(0x1000000);
        }
        if (i % 7 == 0) q.colour[next(4)] = kDefaultSpriteKey;
        quads.push_back(q);
    }
    return quads;
}

// Corners in strip order (top-left, bottom-left, top-right, bottom-right), turned about the
// quad's centre; texture pixels in the same order.
void quadCorners(const IdentityQuad& q, double xs[4], double ys[4]) {
    const double c = std::cos(q.angle * 0.017453292), s = std::sin(q.angle * 0.017453292);
    const double h = q.side / 2, cx = q.x + h, cy = q.y + h;
    const double ox[4] = {-h, -h, h, h}, oy[4] = {-h, h, -h, h};
    for (int k = 0; k < 4; ++k) {
        xs[k] = cx + ox[k] * c - oy[k] * s;
        ys[k] = cy + ox[k] * s + oy[k] * c;
    }
}
constexpr double kCornerTx[4] = {0, 0, 32, 32}, kCornerTy[4] = {0, 32, 0, 32};

std::vector<std::uint8_t> readFrame() {
    std::vector<std::uint8_t> pixels(test::kScreenWidth * test::kScreenHeight * 4);
    glFinish();
    glReadPixels(0, 0, test::kScreenWidth, test::kScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    return pixels;
}

// The frame through one batch, every quad split from the next.
std::vector<std::uint8_t> drawBatched(const std::vector<IdentityQuad>& quads) {
    glClear(GL_COLOR_BUFFER_BIT);
    BeginPolygon(kSplitSlot, kPolygonStrip);
    for (const IdentityQuad& q : quads) {
        double xs[4], ys[4];
        quadCorners(q, xs, ys);
        for (int k = 0; k < 4; ++k) {
            AddPolygonVertex(xs[k], ys[k], kCornerTx[k], kCornerTy[k], q.colour[k]);
        }
        SplitPolygonStrip();
    }
    EndPolygon();
    return readFrame();
}

// The batch's own vertices, each quad (six vertices apart) drawn as a strip of its own, in
// the state of a batch with vertex colours.
std::vector<std::uint8_t> drawOneByOne(const PolygonBatch& batch, int smoothing) {
    glClear(GL_COLOR_BUFFER_BIT);
    BindSprite(batch.spriteId);
    const GLint filter = smoothing != 0 ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DITHER);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (std::int32_t first = 0; first + 4 <= batch.count; first += 6) {
        const PolygonVertex* v = &batch.vertices[first];
        glVertexPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->u);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolygonVertex), &v->r);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    glDisable(GL_DITHER);
    glColor4f(1, 1, 1, graphics()->blendAlpha);
    return readFrame();
}

TEST_F(PolygonTest, SplitBatchDrawsTheFrameOfItsQuadsDrawnOneByOne) {
    test::uploadTexture(kSplitSlot, discImage());
    const std::vector<IdentityQuad> quads = identityQuads();
    struct Case {
        double blend;
        int smoothing;
    };
    for (const Case& c : {Case{-1, 1}, Case{-1, 0}, Case{-0.6, 1}, Case{0.5, 0}, Case{0, 1}}) {
        SetBlendAlpha(c.blend);
        SetSmoothing(c.smoothing);
        const std::vector<std::uint8_t> batched = drawBatched(quads);
        forgetCapabilities();
        ASSERT_EQ(batch().count, static_cast<std::int32_t>(quads.size() * 6 - 1));
        const std::vector<std::uint8_t> reference = drawOneByOne(batch(), c.smoothing);
        forgetCapabilities();
        std::size_t differing = 0, first = batched.size();
        for (std::size_t i = 0; i < batched.size(); i += 4) {
            if (std::memcmp(&batched[i], &reference[i], 3) != 0) {
                ++differing;
                first = std::min(first, i / 4);
            }
        }
        EXPECT_EQ(differing, 0u) << "blend " << c.blend << ", smoothing " << c.smoothing
                                 << ", first at pixel " << first;
        EXPECT_NE(std::count(batched.begin(), batched.end(), 0), static_cast<long>(batched.size()))
            << "the frame is not empty";
    }
}

TEST_F(PolygonTest, ColouredBatchAfterAWhiteOneStillModulates) {
    for (int frame = 0; frame < 2; ++frame) {
        BeginPolygon(kSplitSlot, kPolygonStrip);  // white: the texture alone
        stripQuad(100, 100, 32, 32);
        EndPolygon();
        BeginPolygon(kSplitSlot, kPolygonStrip);
        stripQuad(200, 100, 32, 32, 0x00FF00);
        EndPolygon();
        EXPECT_EQ(readPixel(216, 101), kBlack) << "red texels times green, frame " << frame;
        EXPECT_EQ(readPixel(216, 130), kGreen) << "frame " << frame;
        EndFrameState();  // forgets the cached state
    }
}

TEST_F(PolygonTest, BatchesRepeatAndStretchedSpritesClampInAnyOrder) {
    for (int round = 0; round < 3; ++round) {
        DrawSpriteStretched(kSplitSlot, 200, 100, 256, 256);  // 8x: the top row is filtered
        EXPECT_EQ(readPixel(300, 100), kRed) << "clamped at the top edge, round " << round;
        BeginPolygon(kSplitSlot, kPolygonStrip);  // the picture twice, one below the other
        AddPolygonVertex(100, 100, 0, 0, 0xFFFFFF);
        AddPolygonVertex(100, 164, 0, 64, 0xFFFFFF);
        AddPolygonVertex(132, 100, 32, 0, 0xFFFFFF);
        AddPolygonVertex(132, 164, 32, 64, 0xFFFFFF);
        EndPolygon();
        EXPECT_EQ(readPixel(116, 140), kRed) << "repeated, round " << round;
        EXPECT_EQ(readPixel(116, 156), kGreen) << "round " << round;
        if (round == 1) EndFrameState();
    }
}

}  // namespace
}  // namespace qvt
