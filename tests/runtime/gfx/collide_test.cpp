// Pixel-exact collisions: touching versus overlapping rectangles, transparent parts, the
// picture's orientation in its texture, animation frames and the cached masks.
#include <gtest/gtest.h>

#include "gfx/collide.h"
#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/sprites.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

constexpr std::uint32_t kOpaque = 0xFFFFFFFFu;
constexpr std::uint32_t kClear = 0x00FFFFFFu;

constexpr int kSolid = 1;     // 10 x 10, all opaque
constexpr int kLeftHalf = 2;  // 10 x 10, opaque where x < 5
constexpr int kTopRow = 3;    // 10 x 10, opaque only in its top row
constexpr int kOnePixel = 4;  // 10 x 10, opaque only at (7, 3)
constexpr int kStrip = 5;     // 20 x 20 of 10 x 10 frames: frames 0 and 3 opaque

class CollideTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::uploadTexture(kSolid, test::makeImage(10, 10, [](int, int) { return kOpaque; }));
        test::uploadTexture(kLeftHalf, test::makeImage(10, 10, [](int x, int) {
                                return x < 5 ? kOpaque : kClear;
                            }));
        test::uploadTexture(
            kTopRow, test::makeImage(10, 10, [](int, int y) { return y == 0 ? kOpaque : kClear; }));
        test::uploadTexture(kOnePixel, test::makeImage(10, 10, [](int x, int y) {
                                return x == 7 && y == 3 ? kOpaque : kClear;
                            }));
        test::uploadTexture(kStrip, test::makeImage(20, 20, [](int x, int y) {
                                const int frame = y / 10 * 2 + x / 10;
                                return frame == 0 || frame == 3 ? kOpaque : kClear;
                            }));
    }
};

TEST_F(CollideTest, TouchingRectanglesDoNotCollideOverlappingOnesDo) {
    EXPECT_FALSE(SpritesCollide(kSolid, 0, 0, kSolid, 10, 0)) << "side by side";
    EXPECT_FALSE(SpritesCollide(kSolid, 0, 0, kSolid, 0, 10)) << "one above the other";
    EXPECT_FALSE(SpritesCollide(kSolid, 0, 0, kSolid, 10, 10)) << "corner to corner";
    EXPECT_TRUE(SpritesCollide(kSolid, 0, 0, kSolid, 9, 0));
    EXPECT_TRUE(SpritesCollide(kSolid, 0, 0, kSolid, 9, 9)) << "one shared pixel";
    EXPECT_TRUE(SpritesCollide(kSolid, 100, 100, kSolid, 91, 91));
    EXPECT_TRUE(SpritesCollide(kSolid, 9.9, 0, kSolid, 0, 0)) << "positions are truncated";
    EXPECT_FALSE(SpritesCollide(kSolid, -10, 0, kSolid, 0, 0));
}

TEST_F(CollideTest, OnlyOpaquePixelsCollide) {
    EXPECT_FALSE(SpritesCollide(kLeftHalf, 0, 0, kSolid, 5, 0)) << "the overlap is the clear half";
    EXPECT_TRUE(SpritesCollide(kLeftHalf, 0, 0, kSolid, 4, 0));
    EXPECT_TRUE(SpritesCollide(kSolid, 0, 0, kOnePixel, 0, 0)) << "a single pixel is found";
    EXPECT_TRUE(SpritesCollide(kOnePixel, 0, 0, kSolid, 7, 3));
    EXPECT_FALSE(SpritesCollide(kOnePixel, 0, 0, kSolid, 8, 3));
    EXPECT_FALSE(SpritesCollide(kOnePixel, 0, 0, kSolid, 7, 4));
    EXPECT_FALSE(SpritesCollide(kOnePixel, 0, 0, kLeftHalf, 0, 0)) << "opaque in one mask only";
}

TEST_F(CollideTest, MasksAreReadTheRightWayUp) {
    EXPECT_TRUE(SpritesCollide(kTopRow, 0, 0, kSolid, 0, -9)) << "overlaps the top row";
    EXPECT_FALSE(SpritesCollide(kTopRow, 0, 0, kSolid, 0, 9)) << "overlaps only the bottom row";
}

TEST_F(CollideTest, FramesAreTestedOnTheirOwn) {
    SetSpriteFrameSize(kStrip, 10, 10);
    EXPECT_TRUE(SpriteFramesCollide(kStrip, 0, 0, 0, kSolid, 0, 5, 5));
    EXPECT_FALSE(SpriteFramesCollide(kStrip, 1, 0, 0, kSolid, 0, 5, 5)) << "frame 1 is clear";
    EXPECT_FALSE(SpriteFramesCollide(kStrip, 2, 0, 0, kSolid, 0, 5, 5));
    EXPECT_TRUE(SpriteFramesCollide(kStrip, 3, 0, 0, kSolid, 0, 5, 5))
        << "frame 3: column 1, row 1";
    EXPECT_FALSE(SpriteFramesCollide(kStrip, 0, 0, 0, kSolid, 0, 10, 0)) << "a frame is 10 wide";
    EXPECT_FALSE(SpriteFramesCollide(kStrip, 9, 0, 0, kSolid, 0, 0, 0)) << "beyond the picture";
    EXPECT_FALSE(SpriteFramesCollide(kStrip, -1, 0, 0, kSolid, 0, 0, 0)) << "before the picture";
    // kSolid has no frame size and is tested whole.
    EXPECT_TRUE(SpriteFramesCollide(kSolid, 5, 0, 0, kSolid, 7, 9, 9));
    EXPECT_TRUE(SpritesCollide(kStrip, 0, 0, kSolid, 15, 15)) << "without frames the whole picture";
}

TEST_F(CollideTest, EmptySlotsAndBadIdsNeverCollide) {
    EXPECT_FALSE(SpritesCollide(kSolid, 0, 0, 99, 0, 0));
    EXPECT_FALSE(SpritesCollide(70000, 0, 0, kSolid, 0, 0));
    EXPECT_FALSE(SpritesCollide(-1, 0, 0, kSolid, 0, 0));
    EXPECT_FALSE(CacheSpriteAlpha(99));
}

TEST_F(CollideTest, TheMaskIsCachedUntilTheSlotIsFreed) {
    ASSERT_TRUE(CacheSpriteAlpha(kTopRow));
    const std::uint8_t* mask = graphics()->alphaMasks[kTopRow].get();
    ASSERT_NE(mask, nullptr);
    const int textureWidth = graphics()->sprites[kTopRow].textureWidth;
    EXPECT_EQ(mask[9 * textureWidth], 255) << "the top row is texture row 9";
    EXPECT_EQ(mask[0], 0);
    EXPECT_TRUE(CacheSpriteAlpha(kTopRow));
    EXPECT_EQ(graphics()->alphaMasks[kTopRow].get(), mask) << "read once";

    // A new picture in the slot drops the old mask.
    test::uploadTexture(
        kTopRow, test::makeImage(10, 10, [](int, int y) { return y == 9 ? kOpaque : kClear; }));
    EXPECT_EQ(graphics()->alphaMasks[kTopRow], nullptr);
    EXPECT_TRUE(SpritesCollide(kTopRow, 0, 0, kSolid, 0, 9));
}

}  // namespace
}  // namespace qvt
