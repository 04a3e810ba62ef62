// Polygon batches read back from the frame: texture mapping, colours, modes, strip splits,
// buffer growth and rejected ids.
#include "gfx/polygon.h"

#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
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

}  // namespace
}  // namespace qvt
