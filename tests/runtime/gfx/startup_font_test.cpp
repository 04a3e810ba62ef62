// Start-up installs the default font: the built-in font as font 0, current, ready to draw.
#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/font.h"
#include "support/headless.h"
#include "support/pixels.h"

namespace qvt {
namespace {

using StartupFontTest = test::HeadlessTest;

TEST_F(StartupFontTest, FontZeroIsReadyAfterStartUp) {
    ASSERT_TRUE(runtime->started());
    const SpriteRecord& rec = graphics()->sprites[kFirstFontSprite];
    // The test program's folder holds no smalfont file, so the built-in font stays.
    EXPECT_EQ(rec.width, 128);
    EXPECT_EQ(rec.height, 64);
    EXPECT_EQ(CurrentFont(), 0);
    EXPECT_EQ(GetTextWidth("READY", 1), 40);
    DrawText("!", 0, 0, 0);
    EXPECT_EQ(test::readFramePixel(3, 2), (test::FramePixel{255, 255, 255}));
}

}  // namespace
}  // namespace qvt
