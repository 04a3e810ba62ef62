// Screen state: clearing, viewport and orientation, and the reset after every frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "platform/window.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::Rgb;
using test::readPixel;

const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlack{0, 0, 0};

class ScreenTest : public test::GlTest {
protected:
    // What ShowScreen does around the swap.
    void showFrame() {
        EndFrameState();
        platform::swapWindow();
        BeginFrame();
    }
};

TEST_F(ScreenTest, ClearColourIsPackedWithRedInTheLowByte) {
    SetClearColour(0xFF0000);
    EXPECT_EQ(readPixel(0, 0), (Rgb{0, 0, 255})) << "0xFF0000 is blue, cleared at once";
    EXPECT_EQ(readPixel(639, 479), (Rgb{0, 0, 255}));
    SetClearColour(0x204060);
    showFrame();
    EXPECT_EQ(readPixel(320, 240), (Rgb{0x60, 0x40, 0x20})) << "every frame is cleared";
}

TEST_F(ScreenTest, ClearColourMinusOneKeepsThePreviousPicture) {
    SetClearColour(0x0000FF);
    FillRect(10, 10, 20, 20, test::packed(kGreen));
    SetClearColour(-1);
    EXPECT_EQ(readPixel(15, 15), kGreen) << "-1 clears nothing itself";
    showFrame();
    showFrame();
    EXPECT_EQ(readPixel(15, 15), kGreen) << "frames are no longer cleared";
    EXPECT_EQ(readPixel(100, 100), kRed);
    SetClearColour(0);
    showFrame();
    EXPECT_EQ(readPixel(15, 15), kBlack) << "a colour switches clearing back on";
}

TEST_F(ScreenTest, ViewportMovesTheOriginAndClips) {
    SetViewport(100, 50, 200, 100);
    int x = 0, y = 0, w = 0, h = 0;
    GetViewport(&x, &y, &w, &h);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
    DrawPoint(0, 0, test::packed(kRed));
    EXPECT_EQ(readPixel(100, 50), kRed) << "(0, 0) is the viewport's corner";
    EXPECT_EQ(readPixel(99, 50), kBlack);
    EXPECT_EQ(readPixel(0, 0), kBlack);
    FillRect(190, 90, 30, 30, test::packed(kGreen));
    EXPECT_EQ(readPixel(299, 149), kGreen) << "last pixel inside the viewport";
    EXPECT_EQ(readPixel(300, 149), kBlack) << "x >= 200 is clipped";
    EXPECT_EQ(readPixel(299, 150), kBlack) << "y >= 100 is clipped";
}

TEST_F(ScreenTest, EmptyViewportSizeSelectsTheWholeScreen) {
    SetViewport(100, 50, 0, 10);
    int x = -1, y = -1, w = 0, h = 0;
    GetViewport(&x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    DrawPoint(639, 479, test::packed(kRed));
    EXPECT_EQ(readPixel(639, 479), kRed);
}

TEST_F(ScreenTest, FrameEndRestoresTheDefaultState) {
    SetViewport(100, 50, 200, 100);
    SetBlendAlpha(-0.5);
    SetAlphaThreshold(2.0);
    SetSmoothing(0);
    showFrame();

    int x = -1, y = -1, w = 0, h = 0;
    GetViewport(&x, &y, &w, &h);
    EXPECT_EQ((std::array<int, 4>{x, y, w, h}), (std::array<int, 4>{0, 0, 640, 480}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending off";
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST)) << "alpha test back on";
    EXPECT_FLOAT_EQ(graphics()->alphaThreshold, 0.05f);
    EXPECT_EQ(graphics()->smoothing, 1);
    EXPECT_FLOAT_EQ(graphics()->blendAlpha, 1.0f);

    FillRect(0, 0, 10, 10, test::packed(kRed));
    EXPECT_EQ(readPixel(0, 0), kRed) << "full viewport, opaque: translucency did not carry over";
    BeginPolygon(-1, 0);
    AddPolygonVertex(20, 0, 0, 0, 0xFFFFFF);
    AddPolygonVertex(30, 0, 0, 0, 0xFFFFFF);
    AddPolygonVertex(30, 10, 0, 0, 0xFFFFFF);
    AddPolygonVertex(20, 10, 0, 0, 0xFFFFFF);
    EndPolygon();
    EXPECT_EQ(readPixel(25, 5), (Rgb{255, 255, 255})) << "a batch after the frame is opaque";
}

TEST_F(ScreenTest, OrientationTurnsThePicture) {
    SetOrientation(2);
    FillRect(0, 0, 10, 10, test::packed(kRed));
    EXPECT_EQ(readPixel(639, 479), kRed) << "half turn: top-left lands bottom-right";
    EXPECT_EQ(readPixel(630, 470), kRed);
    EXPECT_EQ(readPixel(629, 470), kBlack);
    EXPECT_EQ(readPixel(0, 0), kBlack);

    SetOrientation(7);
    int x = 0, y = 0, w = 0, h = 0;
    GetViewport(&x, &y, &w, &h);
    EXPECT_EQ(graphics()->orientation, 3) << "clamped to 0..3";
    EXPECT_EQ(w, 480) << "quarter turn swaps the screen's sides";
    EXPECT_EQ(h, 640);
}

TEST_F(ScreenTest, ViewportFollowsTheOrientation) {
    // Where the 2D screen pixel (px, py) shows in the window for each orientation.
    using Map = std::pair<int, int> (*)(int, int);
    const Map maps[4] = {
        [](int px, int py) { return std::pair{px, py}; },
        [](int px, int py) { return std::pair{639 - py, px}; },  // (x, y) -> (y, -x)
        [](int px, int py) { return std::pair{639 - px, 479 - py}; },
        [](int px, int py) { return std::pair{py, 479 - px}; },  // (x, y) -> (-y, x)
    };
    for (int n = 0; n < 4; ++n) {
        SetOrientation(n);
        SetClearColour(0);
        SetViewport(30, 40, 50, 60);
        DrawPoint(0, 0, test::packed(kRed));
        DrawPoint(49, 59, test::packed(kGreen));
        DrawPoint(50, 0, test::packed(kRed));
        auto [ax, ay] = maps[n](30, 40);
        auto [bx, by] = maps[n](79, 99);
        auto [cx, cy] = maps[n](80, 40);
        EXPECT_EQ(readPixel(ax, ay), kRed) << "orientation " << n << ": viewport origin";
        EXPECT_EQ(readPixel(bx, by), kGreen) << "orientation " << n << ": last viewport pixel";
        EXPECT_EQ(readPixel(cx, cy), kBlack) << "orientation " << n << ": clipped";
    }
}

}  // namespace
}  // namespace qvt
