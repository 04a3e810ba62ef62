// Polygon batches: texture mapping, modes, strip splitting, buffer growth, rejected input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;
using test::readPixel;

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};
constexpr int kRedSlot = 1;
constexpr int kSplitSlot = 2;  // top half red, bottom half green, 32 x 32
constexpr int kEmptySlot = 3;

class PolygonTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kRedSlot,
                            test::makeImage(8, 8, [](int, int) { return test::opaque(kRed); }));
        test::uploadTexture(kSplitSlot, test::makeImage(32, 32, [](int, int y) {
                                return test::opaque(y < 16 ? kRed : kGreen);
                            }));
    }
    // Appends the quad (x, y, w, h) as a strip: top-left, bottom-left, top-right, bottom-right.
    static void stripQuad(double x, double y, double w, double h, double colour = 0xFFFFFF) {
        AddPolygonVertex(x, y, 0, 0, colour);
        AddPolygonVertex(x, y + h, 0, 32, colour);
        AddPolygonVertex(x + w, y, 32, 0, colour);
        AddPolygonVertex(x + w, y + h, 32, 32, colour);
    }
    static const PolygonBatch& batch() { return *CurrentPolygonBatch(); }
};

TEST_F(PolygonTest, TextureCoordinatesArePixelsFromTheImagesTopLeft) {
    BeginPolygon(kSplitSlot, kPolygonStrip);
    stripQuad(100, 100, 32, 32);
    EndPolygon();
    EXPECT_EQ(readPixel(116, 101), kRed) << "image top on top";
    EXPECT_EQ(readPixel(116, 130), kGreen);
    EXPECT_FLOAT_EQ(batch().vertices[0].v, 1.0f)
        << "ty 0 is the image's top: v = height / texture height";
    EXPECT_FLOAT_EQ(batch().vertices[1].v, 0.0f);
    EXPECT_FLOAT_EQ(batch().vertices[2].u, 1.0f);
}

TEST_F(PolygonTest, VertexColoursModulateTheTexture) {
    BeginPolygon(kSplitSlot, kPolygonStrip);
    stripQuad(100, 100, 32, 32, 0x00FF00);  // green: keeps only the green channel
    EndPolygon();
    EXPECT_EQ(readPixel(116, 101), kBlack);
    EXPECT_EQ(readPixel(116, 130), kGreen);
}

TEST_F(PolygonTest, WhiteBatchLeavesModulationForLaterDraws) {
    BeginPolygon(kSplitSlot, kPolygonStrip);
    stripQuad(100, 100, 32, 32);
    EndPolygon();
    SetBlendAlpha(-0.5);
    DrawSpriteAt(kRedSlot, 200, 100);
    EXPECT_TRUE(test::nearColour(readPixel(204, 104), {128, 0, 0}, 1))
        << "sprite still takes the blend alpha";
    BeginPolygon(kRedSlot, kPolygonStrip);
    stripQuad(300, 100, 8, 8);
    EndPolygon();
    EXPECT_TRUE(test::nearColour(readPixel(304, 104), {128, 0, 0}, 1))
        << "a white batch at alpha 0.5 too";
}

TEST_F(PolygonTest, EmptySlotDrawsUntextured) {
    DrawSpriteAt(kRedSlot, 0, 0);  // leaves a red texture bound
    BeginPolygon(kEmptySlot, kPolygonStrip);
    stripQuad(100, 100, 10, 10);
    EndPolygon();
    EXPECT_EQ(readPixel(105, 105), kWhite) << "no stale texture, just the vertex colour";
    BeginPolygon(-1, kPolygonStrip);
    stripQuad(200, 100, 10, 10, 0xFF0000);
    EndPolygon();
    EXPECT_EQ(readPixel(205, 105), kBlue) << "-1 means untextured";
}

TEST_F(PolygonTest, ModesFanTrianglesStrip) {
    BeginPolygon(-1, kPolygonFan);
    AddPolygonVertex(10, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(30, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(30, 30, 0, 0, 0xFFFFFF);
    AddPolygonVertex(10, 30, 0, 0, 0xFFFFFF);
    EndPolygon();
    EXPECT_EQ(readPixel(12, 28), kWhite) << "a fan of four corners fills the square";
    EXPECT_EQ(readPixel(28, 12), kWhite);

    BeginPolygon(-1, kPolygonTriangles);
    AddPolygonVertex(50, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(70, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(70, 30, 0, 0, 0xFFFFFF);
    AddPolygonVertex(50, 30, 0, 0, 0xFFFFFF);  // incomplete second triangle: ignored
    EndPolygon();
    EXPECT_EQ(readPixel(68, 12), kWhite);
    EXPECT_EQ(readPixel(52, 28), kBlack) << "triangles take vertices three at a time";
}

TEST_F(PolygonTest, ModesOutsideTheRangeDrawNothing) {
    for (double mode : {3.0, -1.0, 100.0}) {
        BeginPolygon(-1, mode);
        stripQuad(10, 10, 20, 20);
        EndPolygon();
        EXPECT_EQ(readPixel(20, 20), kBlack) << "mode " << mode;
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
    EndPolygon();
    EXPECT_EQ(readPixel(20, 12), kRed);
    EXPECT_EQ(readPixel(60, 12), kRed);
    EXPECT_EQ(readPixel(40, 12), kBlack) << "the joining triangles have no area";
    EXPECT_EQ(readPixel(40, 28), kBlack);
}

TEST_F(PolygonTest, BufferGrowsTo512ThenInStepsOf128AndNeverShrinks) {
    EXPECT_EQ(batch().capacity, 0);
    BeginPolygon(-1, kPolygonTriangles);
    EXPECT_EQ(batch().capacity, 512) << "room for a triangle at once";
    for (int i = 0; i < 512; ++i) AddPolygonVertex(i, 0, 0, 0, 0xFFFFFF);
    EXPECT_EQ(batch().capacity, 512);
    AddPolygonVertex(0, 0, 0, 0, 0xFFFFFF);
    EXPECT_EQ(batch().capacity, 640);
    for (int i = 513; i < 640; ++i) AddPolygonVertex(i, 0, 0, 0, 0xFFFFFF);
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
    BeginPolygon(65535, kPolygonStrip);
    stripQuad(10, 10, 20, 20);
    EndPolygon();
    EXPECT_EQ(readPixel(20, 20), kWhite) << "65535 is a (empty) slot";
}

TEST_F(PolygonTest, DrawingBetweenBeginAndEndKeepsTheBatchTexture) {
    BeginPolygon(kSplitSlot, kPolygonStrip);
    stripQuad(100, 100, 32, 32);
    FillRect(0, 0, 5, 5, 0xFF0000);  // unbinds texturing
    EndPolygon();
    EXPECT_EQ(readPixel(116, 101), kRed);
    DrawSpriteAt(kRedSlot, 200, 200);  // binds another sprite
    EndPolygon();                      // the same batch again
    EXPECT_EQ(readPixel(116, 130), kGreen);
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
