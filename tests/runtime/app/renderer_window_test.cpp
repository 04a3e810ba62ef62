// The renderer window: switching between window and full-screen mode.
#include "app/renderer_window.h"

#include <gtest/gtest.h>

#include "gfx/screen.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt {
namespace {

TEST(RendererWindowTest, FullScreenSwitchesBothWaysAndResetTheViewport) {
    test::HeadlessOptions options;
    options.multisample = 64;
    test::HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started()) << "a multisample request the driver cannot grant";
    SetViewport(10, 10, 20, 20);
    EXPECT_TRUE(SwitchToFullScreen());
    for (bool full : {true, false}) {  // each switch sets the viewport to the whole screen
        EXPECT_EQ(platform::windowFullScreen(), full);
        EXPECT_EQ(WindowRecord().fullScreen, full);
        int x = -1, y = -1, w = 0, h = 0;
        GetViewport(&x, &y, &w, &h);
        EXPECT_EQ(w * 1000 + h, 640480) << full;
        SetViewport(10, 10, 20, 20);
        SwitchToWindowMode(false);
    }
}

}  // namespace
}  // namespace qvt
