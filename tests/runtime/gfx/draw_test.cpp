// Immediate drawing read back from the frame: blend alpha, the alpha test with the colour
// key, the capability cache, rectangles, lines, points, sprite quads and animation frames.
#include "gfx/draw.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>
#include <vector>

#include "gfx/context.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::readPixel;
using test::scan;
using test::Rgb;

const Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};
const Rgb kBackground{100, 50, 200}, kPaint{200, 100, 0};
constexpr double kKey = 0x8000FF;

// An untextured 10 x 10 quad at (x, y), every vertex in colour.
void quad(double x, double y, double colour) {
    BeginPolygon(-1, 0);
    for (auto [dx, dy] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) AddPolygonVertex(x + dx, y + dy, 0, 0, colour);
    EndPolygon();
}

class DrawTest : public test::GlTest {};

TEST_F(DrawTest, BlendAlphaZeroOpaqueNegativeTranslucentPositiveAdditive) {
    // kPaint by FillRect and white by a batch, over kBackground; -0.5 is a byte alpha of 127
    // and -3 is capped at opacity 1. The batch's vertices as alpha * 1000 + red.
    const std::tuple<double, Rgb, Rgb, int> cases[] = {
        {0, kPaint, kWhite, 255255},
        {-0.5, {150, 75, 100}, {177, 152, 227}, 127255},
        {0.5, {200, 100, 200}, {227, 177, 255}, 127255},
        {-3, kPaint, kWhite, 255255}};
    for (const auto& [alpha, rect, whiteQuad, vertex] : cases) {
        SetClearColour(test::packed(kBackground));
        SetBlendAlpha(-0.5);
        SetBlendAlpha(alpha);
        FillRect(0, 0, 10, 10, test::packed(kPaint));
        quad(20, 0, 0xFFFFFF);
        const PolygonVertex* v = CurrentPolygonBatch()->vertices.get();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].a * 1000 + v[i].r, vertex) << alpha << ", " << i;
        EXPECT_TRUE(test::nearColour(readPixel(5, 5), rect, 1)) << "rectangle at " << alpha;
        EXPECT_TRUE(test::nearColour(readPixel(25, 5), whiteQuad, 1)) << "batch at " << alpha;
    }
}

TEST_F(DrawTest, KeyColourAndAlphaTest) {
    SetClearColour(test::packed(kBackground));
    quad(0, 0, kKey);               // alpha 0 fails the default alpha test
    FillRect(20, 0, 10, 10, kKey);  // writes, with alpha 0, and puts the alpha test back
    quad(40, 0, kKey);
    SetAlphaThreshold(1.0);         // switches the test off, keeps the stored threshold
    FillRect(60, 0, 10, 10, kKey);  // so the test comes back on after it
    quad(80, 0, kKey);
    SetBlendAlpha(-0.4);  // vertex alpha 102/255
    SetAlphaThreshold(0.5);
    quad(100, 0, test::packed(kPaint));
    SetAlphaThreshold(0.3);
    quad(120, 0, test::packed(kPaint));
    EXPECT_EQ((std::vector{readPixel(5, 5), readPixel(25, 5), readPixel(45, 5), readPixel(105, 5)}),
              (std::vector<Rgb>{kBackground, {255, 0, 128}, kBackground, kBackground}));
    EXPECT_NE(readPixel(125, 5), kBackground) << "threshold 0.3 lets alpha 0.4 through";
    EXPECT_EQ(readPixel(85, 5), kBackground) << "a rectangle turns the alpha test back on";
}

TEST_F(DrawTest, CapabilityCacheSkipsRedundantCallsUntilForgotten) {
    setCapability(GL_BLEND, true);
    ASSERT_EQ(cachedCapability(GL_BLEND), 1);
    glDisable(GL_BLEND);  // behind the cache's back
    setCapability(GL_BLEND, true);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "same flag: no GL call";
    forgetCapabilities();
    EXPECT_EQ(cachedCapability(GL_BLEND), kCapUnknown);
    setCapability(GL_BLEND, true);
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "unknown flag: the call reaches GL";
}

TEST_F(DrawTest, RectanglesLinesAndPointsLandOnExactPixels) {
    // What is drawn in red, and the box it must fill exactly.
    const std::pair<std::function<void()>, std::array<int, 4>> cases[] = {
        {[] { FillRect(20, 30, 5, 4, 0xFF); }, {20, 30, 24, 33}},
        {[] { FillRect(10, 10, -5, -5, 0xFF); }, {6, 6, 10, 10}},  // reaches back, corner included
        {[] { DrawLine(50, 40, 59, 40, 0xFF); }, {50, 40, 59, 40}},           // both ends included
        {[] { DrawPoint(33, 64, 0xFF); }, {33, 64, 33, 64}},
    };
    for (const auto& [draw, box] : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        const std::vector<Rgb> frame = test::readFrameRect(0, 0, 128, 128);
        std::array<int, 4> found{128, 128, -1, -1};
        int red = 0;
        for (int i = 0; i < 128 * 128; ++i) {
            if (frame[i] != kRed) continue;
            found = {std::min(found[0], i % 128), std::min(found[1], i / 128), std::max(found[2], i % 128), i / 128};
            ++red;
        }
        EXPECT_EQ(found, box) << box[0] << "," << box[1];
        EXPECT_EQ(red, (box[2] - box[0] + 1) * (box[3] - box[1] + 1)) << "all red and nothing else, " << box[0];
    }
}

// ---- Sprites ------------------------------------------------------------------------------

constexpr int kQuadrants = 1;  // 32 x 32: red top-left, green top-right, blue bottom-left, white
constexpr int kFrames = 2;     // 64 x 32 in 16 x 16 frames, each in its own colour

Rgb frameColour(int frame) { return {40 * frame, 255 - 30 * frame, frame % 2 == 0 ? 60 : 180}; }

class SpriteDrawTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kQuadrants, test::makeImage(32, 32, [](int x, int y) {
                                return test::opaque(y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite));
                            }));
        test::uploadTexture(kFrames, test::makeImage(64, 32, [](int x, int y) {
                                return test::opaque(frameColour(y / 16 * 4 + x / 16));
                            }));
        SetSmoothing(0);
    }
};

// The letters near the top-left, top-right, bottom-left and bottom-right corners of a square.
std::string corners(int x, int y, int s) {
    const int in = s / 8;
    return scan(x + in, x + in, y + in) + scan(x + s - 1 - in, x + s - 1 - in, y + in) +
           scan(x + in, x + in, y + s - 1 - in) + scan(x + s - 1 - in, x + s - 1 - in, y + s - 1 - in);
}

TEST_F(SpriteDrawTest, PlacedStretchedMirroredZoomedAndTurned) {
    const std::string reds(16, 'R'), greens(16, 'G'), blues(16, 'B'), whites(16, 'W');
    DrawSpriteAt(kQuadrants, 50, 60);
    EXPECT_EQ(scan(49, 82, 60) + scan(49, 82, 91) + scan(50, 50, 59) + scan(50, 50, 92),
              "K" + reds + greens + "K" + "K" + blues + whites + "K" + "KK");
    DrawSpriteStretched(kQuadrants, 100, 100, 64, 32);
    EXPECT_EQ(scan(99, 164, 100), "K" + reds + reds + greens + greens + "K");
    DrawSpriteStretched(kQuadrants, 232, 60, -32, 32);
    EXPECT_EQ(scan(200, 231, 61), greens + reds) << "mirrored left to right";
    DrawSpriteStretched(-1, 300, 60, 10, 10);
    EXPECT_EQ(scan(300, 309, 65), std::string(10, 'W')) << "-1 fills the quad untextured";
    DrawSpriteZoomed(kQuadrants, 300, 200, 2, 2);
    EXPECT_EQ(scan(283, 348, 184) + scan(300, 300, 247) + scan(300, 300, 248),
              "K" + reds + reds + greens + greens + "K" + "BK")
        << "64 x 64 about the centre";
    DrawSpriteRotated(kQuadrants, 400, 100, 90);
    EXPECT_EQ(corners(400, 100, 32), "GWRB") << "a quarter turn to the left";
    DrawSpriteRotoZoomed(kQuadrants, 500, 300, 180, 2);
    EXPECT_EQ(corners(484, 284, 64), "WBGR") << "half turn at zoom 2";
}

TEST_F(SpriteDrawTest, FramesRunLeftToRightThenDown) {
    DrawSpriteFrame(kFrames, 5, 100, 100);
    EXPECT_EQ(scan(110, 110, 110), "K") << "no frame size: nothing drawn";
    SetSpriteFrameSize(kFrames, 16, 16);
    DrawSpriteFrame(kFrames, 5, 100, 100);  // column 1 of row 1
    DrawSpriteFrameStretched(kFrames, 6, 100, 200, 40, 20);
    EXPECT_EQ(scan(99, 116, 100, '5', frameColour(5)) + scan(99, 116, 115, '5', frameColour(5)) + scan(108, 108, 116),
              "K" + std::string(16, '5') + "K" + "K" + std::string(16, '5') + "K" + "K");
    EXPECT_EQ(scan(99, 140, 219, '6', frameColour(6)) + scan(100, 100, 220),
              "K" + std::string(40, '6') + "KK");
    SetSpriteFrameSize(kQuadrants, 32, 32);
    DrawSpriteFrameRotoZoomed(kQuadrants, 0, 400, 100, 90, 1);
    EXPECT_EQ(corners(400, 100, 32), "GWRB") << "same turn as DrawSpriteRotated";
}

TEST_F(SpriteDrawTest, BadIdsDrawNothing) {
    SetSpriteFrameSize(kFrames, 16, 16);
    for (double id : {-2.0, 65536.0, 1e10}) {
        DrawSpriteAt(id, 10, 10);
        DrawSpriteStretched(id, 10, 10, 20, 20);  // the one draw that takes -1
        DrawSpriteFrame(id, 0, 10, 10);
    }
    DrawSpriteAt(-1, 10, 10);
    EXPECT_EQ(readPixel(15, 15), kBlack) << "bad ids, and -1 has no image to draw";
}

}  // namespace
}  // namespace qvt
