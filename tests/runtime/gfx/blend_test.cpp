// Blend alpha, the alpha test with the colour key, and the capability cache.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;
using test::readPixel;

const Rgb kBackground{100, 50, 200};
const Rgb kPaint{200, 100, 0};
constexpr double kKey = 0x8000FF;

class BlendTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        SetClearColour(test::packed(kBackground));
    }
    // An untextured quad at (x, y), 10 x 10, every vertex in colour.
    static void quad(double x, double y, double colour) {
        BeginPolygon(-1, 0);
        AddPolygonVertex(x, y, 0, 0, colour);
        AddPolygonVertex(x + 10, y, 0, 0, colour);
        AddPolygonVertex(x + 10, y + 10, 0, 0, colour);
        AddPolygonVertex(x, y + 10, 0, 0, colour);
        EndPolygon();
    }
    static Rgb translucent(const Rgb& src, const Rgb& dst, double a) {
        auto mix = [a](int s, int d) { return static_cast<int>(std::lround(s * a + d * (1 - a))); };
        return {mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b)};
    }
    static Rgb additive(const Rgb& src, const Rgb& dst, double a) {
        auto add = [a](int s, int d) {
            return std::min(255, static_cast<int>(std::lround(s * a + d)));
        };
        return {add(src.r, dst.r), add(src.g, dst.g), add(src.b, dst.b)};
    }
    static std::array<float, 4> glColour() {
        std::array<float, 4> c{};
        glGetFloatv(GL_CURRENT_COLOR, c.data());
        return c;
    }
};

// The byte alpha a primitive or vertex carries at blend alpha |a| < 1.
constexpr double kHalf = 127.0 / 255.0;

TEST_F(BlendTest, ZeroSwitchesBlendingOffAndDrawsOpaque) {
    SetBlendAlpha(-0.5);
    SetBlendAlpha(0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glColour(), (std::array<float, 4>{1, 1, 1, 1}));
    FillRect(0, 0, 10, 10, test::packed(kPaint));
    EXPECT_TRUE(test::nearColour(readPixel(5, 5), kPaint, 0));
}

TEST_F(BlendTest, NegativeIsTranslucent) {
    SetBlendAlpha(-0.5);
    EXPECT_EQ(glColour(), (std::array<float, 4>{1, 1, 1, 0.5f}));
    FillRect(0, 0, 10, 10, test::packed(kPaint));
    EXPECT_TRUE(test::nearColour(readPixel(5, 5), translucent(kPaint, kBackground, kHalf), 1));
    quad(20, 0, test::packed(kPaint));
    EXPECT_TRUE(test::nearColour(readPixel(25, 5), translucent(kPaint, kBackground, kHalf), 1))
        << "batches carry the blend alpha in their vertices";
}

TEST_F(BlendTest, PositiveIsAdditive) {
    SetBlendAlpha(0.5);
    FillRect(0, 0, 10, 10, test::packed(kPaint));
    EXPECT_TRUE(test::nearColour(readPixel(5, 5), additive(kPaint, kBackground, kHalf), 1));
    quad(20, 0, 0xFFFFFF);
    EXPECT_TRUE(
        test::nearColour(readPixel(25, 5), additive({255, 255, 255}, kBackground, kHalf), 1));
}

TEST_F(BlendTest, MagnitudeAboveOneIsCapped) {
    SetBlendAlpha(-3);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FLOAT_EQ(graphics()->blendAlpha, 1.0f);
    GLint dst = 0;
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA) << "the sign still picks translucent blending";
    FillRect(0, 0, 10, 10, test::packed(kPaint));
    EXPECT_TRUE(test::nearColour(readPixel(5, 5), kPaint, 0)) << "opacity 1";
}

TEST_F(BlendTest, WhiteVertexAtHalfBlendCarriesAlpha127) {
    SetClearColour(0);
    SetBlendAlpha(-0.5);
    quad(0, 0, 0xFFFFFF);
    const PolygonBatch* batch = CurrentPolygonBatch();
    ASSERT_EQ(batch->count, 4);
    for (int i = 0; i < batch->count; ++i) {
        EXPECT_EQ(batch->vertices[i].a, 127) << "vertex " << i;
        EXPECT_EQ(batch->vertices[i].r, 255) << "vertex " << i;
    }
    EXPECT_TRUE(batch->coloursUsed) << "blend alpha below 1 needs the colour array";
    // Over black, white at alpha 127/255 gives exactly 127; alpha 128 would give 128.
    EXPECT_EQ(readPixel(5, 5), (Rgb{127, 127, 127}));
}

TEST_F(BlendTest, AllWhiteOpaqueBatchNeedsNoColours) {
    quad(0, 0, 0xFFFFFF);
    EXPECT_FALSE(CurrentPolygonBatch()->coloursUsed);
    EXPECT_EQ(readPixel(5, 5), (Rgb{255, 255, 255}));
    quad(20, 0, 0x0000FF);
    EXPECT_TRUE(CurrentPolygonBatch()->coloursUsed);
    EXPECT_EQ(readPixel(25, 5), (Rgb{255, 0, 0}));
    EXPECT_EQ(glColour(), (std::array<float, 4>{1, 1, 1, 1}))
        << "colour restored after a coloured batch";
}

TEST_F(BlendTest, KeyColouredVertexIsDiscarded) {
    quad(0, 0, kKey);
    EXPECT_EQ(CurrentPolygonBatch()->vertices[0].a, 0);
    EXPECT_EQ(readPixel(5, 5), kBackground) << "alpha 0 fails the default alpha test";
    SetAlphaThreshold(1.0);
    quad(20, 0, kKey);
    EXPECT_EQ(readPixel(25, 5), (Rgb{255, 0, 128})) << "with the test off the key colour is drawn";
}

TEST_F(BlendTest, KeyColouredRectanglePunchesThroughTheAlphaTestOnly) {
    FillRect(0, 0, 10, 10, kKey);
    EXPECT_EQ(readPixel(5, 5), (Rgb{255, 0, 128})) << "FillRect in the key writes (alpha 0)";
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST)) << "and puts the alpha test back";
    quad(20, 0, kKey);
    EXPECT_EQ(readPixel(25, 5), kBackground);
}

TEST_F(BlendTest, AlphaThresholdCutsTranslucentVertices) {
    SetBlendAlpha(-0.4);  // vertex alpha 102/255 = 0.4
    SetAlphaThreshold(0.5);
    quad(0, 0, test::packed(kPaint));
    EXPECT_EQ(readPixel(5, 5), kBackground);
    SetAlphaThreshold(0.3);
    quad(0, 0, test::packed(kPaint));
    EXPECT_NE(readPixel(5, 5), kBackground);
}

TEST_F(BlendTest, CapabilityCacheSkipsRedundantCallsUntilForgotten) {
    setCapability(GL_BLEND, true);
    ASSERT_EQ(cachedCapability(GL_BLEND), 1);
    glDisable(GL_BLEND);  // behind the cache's back
    setCapability(GL_BLEND, true);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "same flag: no GL call";
    ResetScreenState();
    EXPECT_EQ(cachedCapability(GL_FOG), 0) << "reset leaves known flags for what it set";
    forgetCapabilities();
    EXPECT_EQ(cachedCapability(GL_BLEND), kCapUnknown);
    setCapability(GL_BLEND, true);
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "unknown flag: the call reaches GL";
}

}  // namespace
}  // namespace qvt
