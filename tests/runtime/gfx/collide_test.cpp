// Pixel-exact collisions: touching versus overlapping, transparent parts, the picture's
// orientation in its texture, animation frames and the cached masks.
#include "gfx/collide.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gfx/draw.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

constexpr int kSolid = 1, kLeftHalf = 2, kTopRow = 3, kOnePixel = 4;  // 10 x 10
constexpr int kStrip = 5;  // 32 x 32 of 16 x 16 frames: frames 1 and 2 opaque

class CollideTest : public test::GlTest {
protected:
    static void upload(int id, int size, bool (*opaque)(int x, int y)) {
        test::uploadTexture(id, test::makeImage(size, size, [opaque](int x, int y) {
                                return opaque(x, y) ? 0xFFFFFFFFu : 0x00FFFFFFu;
                            }));
    }
    void SetUp() override {
        GlTest::SetUp();
        upload(kSolid, 10, [](int, int) { return true; });
        upload(kLeftHalf, 10, [](int x, int) { return x < 5; });
        upload(kTopRow, 10, [](int, int y) { return y == 0; });
        upload(kOnePixel, 10, [](int x, int y) { return x == 7 && y == 3; });
        upload(kStrip, 32, [](int x, int y) { return (y / 16 * 2 + x / 16) % 3 != 0; });
    }
};

TEST_F(CollideTest, OnlyOverlappingOpaquePixelsCollide) {
    // Sprite a at (ax, ay) against sprite b at (bx, by).
    const std::tuple<int, double, double, int, double, double, bool> cases[] = {
        {kSolid, 0, 0, kSolid, 10, 0, false},   {kSolid, 0, 0, kSolid, 0, 10, false},
        {kLeftHalf, 0, 0, kSolid, 5, 0, false}, {kSolid, 9.9, 0, kSolid, 0, 0, true},  // truncated
        {kLeftHalf, 0, 0, kSolid, 4, 0, true},  {kOnePixel, 0, 0, kSolid, 7, 3, true},
        {kOnePixel, 0, 0, kSolid, 7, 4, false}, {kSolid, 0, 0, 99, 0, 0, false},
        {kTopRow, 0, 0, kSolid, 0, -9, true},   {kTopRow, 0, 0, kSolid, 0, 9, false},  // right way up
        {70000, 0, 0, kSolid, 0, 0, false},     {kSolid, 0, 0, -1, 0, 0, false},
    };
    for (const auto& [a, ax, ay, b, bx, by, hit] : cases) {
        EXPECT_EQ(SpritesCollide(a, ax, ay, b, bx, by), hit) << a << " at " << ax << "," << ay << " against " << b
                                                             << " at " << bx << "," << by;
    }
}

TEST_F(CollideTest, FramesAreTestedOnTheirOwn) {
    SetSpriteFrameSize(kStrip, 16, 16);
    // Frame -1 lies left of the picture, not at the end of the row above.
    const std::pair<int, bool> frames[] = {{0, false}, {1, true}, {2, true}, {3, false}, {9, false}, {-1, false}};
    for (auto [frame, hit] : frames) EXPECT_EQ(SpriteFramesCollide(kStrip, frame, 0, 0, kSolid, 0, 5, 5), hit) << frame;
    EXPECT_FALSE(SpriteFramesCollide(kStrip, 1, 0, 0, kSolid, 0, 16, 0)) << "a frame is 16 wide";
}

TEST_F(CollideTest, ANewPictureReplacesTheCachedMask) {
    EXPECT_FALSE(CacheSpriteAlpha(99)) << "an empty slot";
    ASSERT_TRUE(CacheSpriteAlpha(kTopRow));
    upload(kTopRow, 10, [](int, int y) { return y == 9; });
    EXPECT_TRUE(SpritesCollide(kTopRow, 0, 0, kSolid, 0, 9));
}

}  // namespace
}  // namespace qvt
