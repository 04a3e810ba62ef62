// Blend and alpha-test state around the primitives.
#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/draw.h"
#include "gfx/polygon.h"
#include "support/gl_fixture.h"

namespace qvt {
namespace {

using test::readPixel;
using test::Rgb;

class DrawTest : public test::GlTest {};

// ---- fidelity

// FillRect turns the alpha test back on at the stored threshold, even after
// SetAlphaThreshold(1) switched it off: key-coloured vertices drawn later are cut out.
TEST_F(DrawTest, FillRectRestoresTheAlphaTestFromTheThreshold) {
    SetAlphaThreshold(1.0);
    FillRect(0, 0, 4, 4, 0x00FF00);
    BeginPolygon(-1, kPolygonFan);
    AddPolygonVertex(100, 100, 0, 0, kDefaultSpriteKey);
    AddPolygonVertex(120, 100, 0, 0, kDefaultSpriteKey);
    AddPolygonVertex(120, 120, 0, 0, kDefaultSpriteKey);
    AddPolygonVertex(100, 120, 0, 0, kDefaultSpriteKey);
    EndPolygon();
    EXPECT_EQ(readPixel(110, 110), (Rgb{0, 0, 0})) << "key-coloured vertices have alpha 0";
}

}  // namespace
}  // namespace qvt
