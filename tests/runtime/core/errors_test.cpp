// Error texts, debug outputs and what a breakpoint does to the running program.
#include "core/errors.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "input/input.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "support/headless.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

TEST(ErrorStateTest, TextsOfTheCodesAndSilentDebugOutput) {
    const std::pair<std::int32_t, const char*> texts[] = {
        {kErrNoSuchFile, "0003 no such file"}, {12345, "12345 unknown error"}};
    for (auto [code, text] : texts) {
        SetLastError(code);
        EXPECT_EQ(LastErrorCode(), code);
        EXPECT_STREQ(LastErrorText().c_str(), text);
    }
    ClearLastError();
    EXPECT_STREQ(LastErrorText().c_str(), "0000 success");

    ASSERT_FALSE(DebuggerAttached()) << "run the suite without a debugger";
    testing::internal::CaptureStderr();
    DebugOut(RuntimeString("hello"));
    DebugBreakpoint(255);
    ErrorOut(RuntimeString("to stderr"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr");
}

// With a debugger attached a breakpoint lets the mouse go, samples the keyboard without a
// frame, and brings the window to the front at the next frame, taking the mouse back.
TEST(DebugBreakpointTest, ReleasesTheMousePollsAndAsksForTheWindow) {
    test::HeadlessOptions options;
    options.showState = kShowHidden;
    test::HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    InitInput(true);  // the mouse read relatively, the pointer hidden
    test::ScriptedInput keys;
    keys.press(30);
    platform::pretendDebuggerAttached(true);
    testing::internal::CaptureStderr();
    DebugBreakpoint(0x2A);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "TXBP2a");
    platform::pretendDebuggerAttached(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "the pointer is let go";
    EXPECT_EQ(KeyDown(30), 1) << "the keyboard was sampled";
    EXPECT_FALSE(platform::windowVisible());
    runtime.frame();
    EXPECT_TRUE(platform::windowVisible()) << "activated at the next frame";
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "and the mouse taken back";
}

}  // namespace
}  // namespace qvt
