// Sprite quads and animation frames, checked by where each part of the picture lands.
#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;
using test::readPixel;

const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};
const Rgb kWhite{255, 255, 255};

// 32 x 32: red top-left, green top-right, blue bottom-left, white bottom-right.
constexpr int kQuadrants = 1;
// 64 x 32 in 16 x 16 frames, each in its own colour.
constexpr int kFrames = 2;

Rgb frameColour(int frame) { return {40 * frame, 255 - 30 * frame, frame % 2 == 0 ? 60 : 180}; }

class SpriteDrawTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kQuadrants, test::makeImage(32, 32, [](int x, int y) {
                                const Rgb c =
                                    y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
                                return test::opaque(c);
                            }));
        test::uploadTexture(kFrames, test::makeImage(64, 32, [](int x, int y) {
                                return test::opaque(frameColour(y / 16 * 4 + x / 16));
                            }));
        SetSmoothing(0);
    }
    // The quadrant picture drawn upright with its top-left corner at (x, y), size s.
    static ::testing::AssertionResult upright(int x, int y, int s) {
        return corners(x, y, s, {kRed, kGreen, kBlue, kWhite});
    }
    // Colours near the top-left, top-right, bottom-left and bottom-right corners.
    static ::testing::AssertionResult corners(int x, int y, int s, std::array<Rgb, 4> want) {
        const int in = s / 8;
        const std::array<std::pair<int, int>, 4> at = {{{x + in, y + in},
                                                        {x + s - 1 - in, y + in},
                                                        {x + in, y + s - 1 - in},
                                                        {x + s - 1 - in, y + s - 1 - in}}};
        for (int i = 0; i < 4; ++i) {
            const Rgb got = readPixel(at[i].first, at[i].second);
            if (got != want[i]) {
                return ::testing::AssertionFailure()
                       << "corner " << i << " at (" << at[i].first << ", " << at[i].second
                       << ") is " << got << ", expected " << want[i];
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(SpriteDrawTest, DrawSpriteAtPlacesTheImageUpright) {
    DrawSpriteAt(kQuadrants, 50, 60);
    EXPECT_TRUE(upright(50, 60, 32));
    EXPECT_EQ(readPixel(50, 60), kRed) << "first pixel";
    EXPECT_EQ(readPixel(81, 91), kWhite) << "last pixel";
    EXPECT_EQ(readPixel(82, 60), kBlack);
    EXPECT_EQ(readPixel(50, 92), kBlack);
}

TEST_F(SpriteDrawTest, StretchedFillsTheRectangleAndNegativeSizesMirror) {
    DrawSpriteStretched(kQuadrants, 100, 60, 64, 32);
    EXPECT_EQ(readPixel(100, 60), kRed);
    EXPECT_EQ(readPixel(163, 91), kWhite);
    EXPECT_EQ(readPixel(164, 91), kBlack);
    DrawSpriteStretched(kQuadrants, 232, 60, -32, 32);
    EXPECT_TRUE(corners(200, 60, 32, {kGreen, kRed, kWhite, kBlue})) << "mirrored left to right";
    DrawSpriteStretched(-1, 300, 60, 10, 10);
    EXPECT_EQ(readPixel(305, 65), kWhite) << "-1 fills the quad untextured";
}

TEST_F(SpriteDrawTest, ZoomGrowsAboutTheCentre) {
    DrawSpriteZoomed(kQuadrants, 300, 100, 2, 2);
    EXPECT_TRUE(upright(284, 84, 64)) << "64 x 64 at (300 - 16, 100 - 16)";
    EXPECT_EQ(readPixel(283, 84), kBlack);
    EXPECT_EQ(readPixel(347, 147), kWhite);
    EXPECT_EQ(readPixel(348, 147), kBlack);
}

TEST_F(SpriteDrawTest, PositiveAnglesTurnCounterClockwise) {
    DrawSpriteRotated(kQuadrants, 400, 100, 90);
    // A quarter turn to the left: the right half moves to the top.
    EXPECT_TRUE(corners(400, 100, 32, {kGreen, kWhite, kRed, kBlue}));
    DrawSpriteRotoZoomed(kQuadrants, 500, 100, 180, 2);
    EXPECT_TRUE(corners(484, 84, 64, {kWhite, kBlue, kGreen, kRed}))
        << "half turn at zoom 2 about the centre";
}

TEST_F(SpriteDrawTest, FrameFiveOfFourPerRowIsColumnOneOfRowOne) {
    DrawSpriteFrame(kFrames, 5, 100, 100);
    EXPECT_EQ(readPixel(110, 110), kBlack) << "no frame size: nothing drawn";
    SetSpriteFrameSize(kFrames, 16, 16);
    DrawSpriteFrame(kFrames, 5, 100, 100);
    for (auto [x, y] : {std::pair{100, 100}, {115, 100}, {100, 115}, {115, 115}, {108, 108}}) {
        EXPECT_EQ(readPixel(x, y), frameColour(5)) << x << ", " << y;
    }
    EXPECT_EQ(readPixel(116, 108), kBlack);
    EXPECT_EQ(readPixel(108, 116), kBlack);
    DrawSpriteFrame(kFrames, 2, 200, 100);
    EXPECT_EQ(readPixel(208, 108), frameColour(2)) << "row 0";
}

TEST_F(SpriteDrawTest, FrameVariantsStretchAndTurnOneFrame) {
    SetSpriteFrameSize(kFrames, 16, 16);
    DrawSpriteFrameStretched(kFrames, 6, 100, 100, 40, 20);
    EXPECT_EQ(readPixel(100, 100), frameColour(6));
    EXPECT_EQ(readPixel(139, 119), frameColour(6));
    EXPECT_EQ(readPixel(141, 110), kBlack);

    SetSpriteFrameSize(kQuadrants, 32, 32);
    DrawSpriteFrameRotoZoomed(kQuadrants, 0, 400, 100, 90, 1);
    EXPECT_TRUE(corners(400, 100, 32, {kGreen, kWhite, kRed, kBlue}))
        << "same turn as DrawSpriteRotated";
}

TEST_F(SpriteDrawTest, FrameSizeNeedsALoadedSprite) {
    SetSpriteFrameSize(9, 16, 16);
    EXPECT_EQ(graphics()->sprites[9].frameWidth, 0);
}

TEST_F(SpriteDrawTest, BadIdsDrawNothing) {
    SetSpriteFrameSize(kFrames, 16, 16);
    for (double id : {-2.0, 65536.0, 1e10}) {
        DrawSpriteAt(id, 10, 10);
        DrawSpriteStretched(id, 10, 10, 20, 20);
        DrawSpriteZoomed(id, 10, 10, 1, 1);
        DrawSpriteRotated(id, 10, 10, 0);
        DrawSpriteFrame(id, 0, 10, 10);
        DrawSpriteFrameStretched(id, 0, 10, 10, 20, 20);
        DrawSpriteFrameRotoZoomed(id, 0, 10, 10, 0, 1);
        EXPECT_EQ(readPixel(15, 15), kBlack) << "id " << id;
    }
    DrawSpriteFrame(-1, 0, 10, 10);
    DrawSpriteAt(-1, 10, 10);
    EXPECT_EQ(readPixel(15, 15), kBlack) << "-1 has no image to draw";
}

TEST_F(SpriteDrawTest, SpriteDrawsUseTheBlendAlpha) {
    SetBlendAlpha(-0.5);
    DrawSpriteAt(kQuadrants, 50, 60);
    EXPECT_TRUE(test::nearColour(readPixel(55, 65), {128, 0, 0}, 1))
        << "white * (1, 1, 1, 0.5) over black";
}

}  // namespace
}  // namespace qvt
