// Screen state read back from the frame: clearing, viewport and orientation, and the reset
// after every frame.
#include "gfx/screen.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "platform/window.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::readPixel;
using test::Rgb;

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlack{0, 0, 0};

std::array<int, 4> viewport() {
    std::array<int, 4> v{-1, -1, -1, -1};
    GetViewport(&v[0], &v[1], &v[2], &v[3]);
    return v;
}

class ScreenTest : public test::GlTest {
protected:
    // What ShowScreen does around the swap.
    static void showFrame() {
        EndFrameState();
        platform::swapWindow();
        BeginFrame();
    }
};

TEST_F(ScreenTest, ClearColourIsPackedAndMinusOneKeepsThePicture) {
    SetClearColour(0x0000FF);
    FillRect(10, 10, 20, 20, test::packed(kGreen));
    SetClearColour(-1);
    const std::string kept = test::scan(15, 15, 15);
    showFrame();
    EXPECT_EQ(kept + test::scan(15, 15, 15) + test::scan(100, 100, 100), "GGR") << "-1: no clearing, now or later";
    SetClearColour(0);
    showFrame();
    EXPECT_EQ(test::scan(15, 15, 15), "K") << "a colour switches clearing back on";
}

TEST_F(ScreenTest, FrameEndRestoresTheDefaultState) {
    SetViewport(100, 50, 200, 100);
    SetBlendAlpha(-0.5);
    SetAlphaThreshold(2.0);
    SetSmoothing(0);
    showFrame();
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 640, 480}));
    EXPECT_EQ(std::tuple(glIsEnabled(GL_BLEND), glIsEnabled(GL_ALPHA_TEST), graphics()->alphaThreshold, graphics()->smoothing,
                         graphics()->blendAlpha),
              std::tuple(GL_FALSE, GL_TRUE, 0.05f, 1, 1.0f));
    FillRect(0, 0, 10, 10, 0xFFFFFF);
    EXPECT_EQ(readPixel(5, 5), (Rgb{255, 255, 255})) << "full viewport, opaque after the frame";
}

TEST_F(ScreenTest, ViewportsFollowTheOrientation) {
    SetViewport(100, 50, 0, 10);
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 640, 480})) << "an empty size selects the whole screen";
    SetOrientation(7);
    EXPECT_EQ(graphics()->orientation, 3) << "clamped to 0..3";
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 480, 640})) << "quarter turns swap the sides";
    SetOrientation(1);
    SetClearColour(0);
    SetViewport(30, 40, 50, 60);
    DrawPoint(0, 0, test::packed(kRed));
    FillRect(40, 50, 20, 20, test::packed(kGreen));  // clipped at 50 x 60
    // A quarter turn shows screen pixel (x, y) at window pixel (639 - y, x): the point at
    // (30, 40), the rectangle's last pixel at (79, 99), nothing at (80, 95), (75, 100), (29, 40).
    EXPECT_EQ(test::scan(599, 599, 30) + test::scan(540, 540, 79) + test::scan(544, 544, 80) +
                  test::scan(539, 539, 75) + test::scan(599, 599, 29),
              "RGKKK");
}

}  // namespace
}  // namespace qvt
