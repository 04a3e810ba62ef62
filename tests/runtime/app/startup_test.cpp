// Start-up on the offscreen driver: the log it leaves, the window it makes (shown or hidden,
// caption, full screen) and the current folder.
#include "app/startup.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/renderer_window.h"
#include "core/log.h"
#include "gfx/glext.h"
#include "platform/os.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt {
namespace {

namespace fs = std::filesystem;

std::string windowTitle() { return SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()); }

using StartUpTest = test::HeadlessTest;

TEST_F(StartUpTest, LogWindowAndFolder) {
    const std::string exeFolder = fs::path(platform::executablePath()).parent_path().string();
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(extensions, nullptr);
    EXPECT_EQ(runtime->logText(),
              "Start new log...\ntimer\nvxlt\nvxlt init\nWIN32 init video\n"
              "*** OpenGL Software Emulation - update driver!\nget accurate timer - 1st call\nflip - 1st call\n" +
                  (GlExt().bgra ? "BGRA ext supported\n" : "BGRA ext NOT supported\n" + std::string(extensions) + "\n") +
                  "Texture size limit: " + std::to_string(GlExt().maxTextureSize) +
                  "\ninit fbo\n2D VP\nOGVX init [OK]\nCptn\nNetwork\nInput\nWindow mode\nCreate DXin\nreptr\n"
                  "getexe\ncd\nexepath=curdir= " + exeFolder + "\nInit Finalized\n");
    EXPECT_EQ(fs::path(runtime->tempDir()) / "ErrorLog.txt", fs::path(LogPath())) << "in the private folder";
    EXPECT_EQ(fs::current_path(), fs::path(exeFolder));
    EXPECT_TRUE(platform::windowVisible() && !platform::windowFullScreen());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
    EXPECT_EQ(WindowRecord().clientWidth * 1000 + WindowRecord().clientHeight, 640480);
}

// The offscreen driver offers every size as a full-screen mode, so the fallback to a window
// cannot be provoked here.
TEST(StartUpOptionsTest, FullScreenUnlessHiddenAndCaptionsInUtf8) {
    for (bool hidden : {false, true}) {
        test::HeadlessOptions options;
        options.fullScreen = true;
        options.showState = hidden ? kShowHidden : kShowDefault;
        options.caption = "F\xFC" "r Jos\xE9 \x80 5";  // Windows-1252
        test::HeadlessRuntime runtime(options);
        ASSERT_TRUE(runtime.started());
        EXPECT_EQ(windowTitle(), "F\xC3\xBCr Jos\xC3\xA9 \xE2\x82\xAC 5");
        EXPECT_EQ(platform::windowFullScreen(), !hidden) << "a hidden window leaves full screen";
        EXPECT_EQ(WindowRecord().fullScreen, !hidden);
        runtime.frames(3, 5.0);
        const bool stillHidden = (SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_HIDDEN) != 0;
        EXPECT_EQ(stillHidden, hidden) << "after frames";
    }
}

}  // namespace
}  // namespace qvt
