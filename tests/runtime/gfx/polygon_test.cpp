// Polygon batches: texture mapping, modes, strip splitting, buffer growth, rejected input.
#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
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

}  // namespace
}  // namespace qvt
