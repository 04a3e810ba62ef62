// Start-up on the offscreen driver: the log it leaves, the window it makes (hidden, caption,
// full-screen fallback, multisample), the current folder, and the software-renderer notice.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/testing.h"
#include "gfx/glext.h"
#include "core/log.h"
#include "core/random.h"
#include "app/renderer_window.h"
#include "platform/os.h"
#include "platform/window.h"
#include "support/headless.h"

namespace qvt {
namespace {

namespace fs = std::filesystem;
using test::HeadlessOptions;
using test::HeadlessRuntime;

std::string windowTitle() {
    SDL_Window* w = SDL_GL_GetCurrentWindow();
    return w != nullptr ? SDL_GetWindowTitle(w) : "<no window>";
}

std::string expectedStartUpLog(const std::string& bgraLine, const std::string& exeFolder) {
    return "Start new log...\n"
           "timer\n"
           "vxlt\n"
           "vxlt init\n"
           "WIN32 init video\n"
           "*** OpenGL Software Emulation - update driver!\n"
           "get accurate timer - 1st call\n"
           "flip - 1st call\n" +
           bgraLine +
           "Texture size limit: " + std::to_string(GlExt().maxTextureSize) + "\n"
           "init fbo\n"
           "2D VP\n"
           "OGVX init [OK]\n"
           "Cptn\n"
           "Network\n"
           "Input\n"
           "Window mode\n"
           "Create DXin\n"
           "reptr\n"
           "getexe\n"
           "cd\n"
           "exepath=curdir= " + exeFolder + "\n"
           "Init Finalized\n";
}

class StartUpTest : public test::HeadlessTest {};

TEST_F(StartUpTest, LogHasEveryLineInOrder) {
    std::string exeFolder = fs::path(platform::executablePath()).parent_path().string();
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::string bgra = GlExt().bgra ? "BGRA ext supported\n"
                                    : "BGRA ext NOT supported\n" + std::string(extensions) + "\n";
    EXPECT_EQ(runtime->logText(), expectedStartUpLog(bgra, exeFolder));
    EXPECT_GT(GlExt().maxTextureSize, 0);
    EXPECT_EQ(fs::path(runtime->tempDir()) / "ErrorLog.txt", fs::path(LogPath()))
        << "the log lives in the private temporary folder";
}

TEST_F(StartUpTest, LeavesTheExecutablesFolderCurrentAndTheWindowShown) {
    EXPECT_EQ(fs::current_path(), fs::path(platform::executablePath()).parent_path());
    EXPECT_TRUE(platform::windowVisible());
    EXPECT_FALSE(platform::windowFullScreen());
    EXPECT_EQ(windowTitle(), "AKQZ08_Rayvaulter");
    EXPECT_EQ(WindowRecord().clientWidth, 640);
    EXPECT_EQ(WindowRecord().clientHeight, 480);
    EXPECT_GT(WindowRecord().colourDepth, 0) << "depth 0 takes the desktop's";
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(StartUpTest, ExtensionEntryPointsAreFetched) {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(extensions, nullptr);
    if (std::strstr(extensions, "GL_ARB_multitexture") == nullptr) GTEST_SKIP();
    EXPECT_NE(GlExt().activeTexture, nullptr);
    EXPECT_NE(GlExt().clientActiveTexture, nullptr);
    EXPECT_NE(GlExt().genBuffers, nullptr);
    EXPECT_NE(GlExt().getBufferParameteriv, nullptr);
}

TEST(StartUpShowStateTest, HiddenShowStateKeepsTheWindowHidden) {
    HeadlessOptions options;
    options.showState = kShowHidden;
    HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    SDL_Window* w = SDL_GL_GetCurrentWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_NE(SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN, 0u) << "hidden after start-up";
    runtime.frames(3, 5.0);
    EXPECT_NE(SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN, 0u) << "and still after frames";
    EXPECT_NE(runtime.logText().find("Init Finalized\n"), std::string::npos);
}

// On the virtual clock both start-ups read the same times, so a seed taken from the clock
// would replay the same game.
TEST(StartUpSeedTest, EveryRunGetsItsOwnRandomNumbers) {
    auto draws = [] {
        HeadlessRuntime runtime;
        EXPECT_TRUE(runtime.started());
        std::vector<std::int32_t> out;
        for (int i = 0; i < 4; ++i) out.push_back(Random(1000000000));
        return out;
    };
    EXPECT_NE(draws(), draws());
}

TEST(StartUpCaptionTest, CaptionIsShownInUtf8) {
    HeadlessOptions options;
    options.caption = "F\xFC" "r Jos\xE9 \x80 5";  // Windows-1252
    HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    EXPECT_EQ(windowTitle(), "F\xC3\xBCr Jos\xC3\xA9 \xE2\x82\xAC 5");
}

// The offscreen driver offers every size as a full-screen mode, so the fallback to a window
// cannot be provoked here.
TEST(StartUpFullScreenTest, FullScreenStartTakesTheMode) {
    HeadlessOptions options;
    options.fullScreen = true;
    HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    EXPECT_TRUE(platform::windowFullScreen());
    EXPECT_TRUE(WindowRecord().fullScreen);
    EXPECT_EQ(runtime.logText().find("No Fullscreen Mode available"), std::string::npos);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
}

TEST(StartUpFullScreenTest, HiddenShowStateLeavesFullScreen) {
    HeadlessOptions options;
    options.fullScreen = true;
    options.showState = kShowHidden;
    HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    EXPECT_FALSE(platform::windowFullScreen());
    EXPECT_FALSE(WindowRecord().fullScreen);
    EXPECT_FALSE(platform::windowVisible());
}

TEST(StartUpMultisampleTest, RequestIsHalvedUntilGranted) {
    HeadlessOptions options;
    options.multisample = 64;
    HeadlessRuntime runtime(options);
    ASSERT_TRUE(runtime.started());
    int granted = platform::grantedMultisample();
    EXPECT_LE(granted, 64);
    EXPECT_EQ(granted & (granted - 1), 0) << granted << " is 64 halved, or 0";
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_EQ(samples, granted) << "the context has what was reported";
    EXPECT_EQ(WindowRecord().multisample, 64) << "the record keeps the request";
}

// ---- The software-renderer notice ---------------------------------------------------------

std::vector<std::pair<std::string, std::string>> boxes;

void recordBox(const char* title, const char* text) { boxes.emplace_back(title, text); }

// Start-up runs in a scratch folder that may hold "opengldriver.txt".
class DriverNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        boxes.clear();
        char tmpl[] = "/tmp/qvt-notice-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        folder = tmpl;
        previous = fs::current_path();
        fs::current_path(folder);
        platform::setMessageBoxHandler(recordBox);
    }
    void TearDown() override {
        platform::setMessageBoxHandler(nullptr);
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    void startUp() {
        HeadlessRuntime runtime;
        ASSERT_TRUE(runtime.started());
        EXPECT_NE(runtime.logText().find("*** OpenGL Software Emulation - update driver!\n"),
                  std::string::npos)
            << "llvmpipe is a software renderer";
    }

    fs::path folder;
    fs::path previous;
};

TEST_F(DriverNoticeTest, NoFileNoBox) {
    startUp();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DriverNoticeTest, FileTextIsShownUpTo2047Bytes) {
    const std::string head = "Install the \xC4 driver\n";  // Windows-1252 A-umlaut
    std::ofstream(folder / "opengldriver.txt", std::ios::binary)
        << head << std::string(3000, 'z');
    startUp();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "No OpenGL Hardware Drivers");
    const std::string shownHead = "Install the \xC3\x84 driver\n";
    EXPECT_EQ(boxes[0].second.substr(0, shownHead.size()), shownHead);
    EXPECT_EQ(boxes[0].second.size(), shownHead.size() + (2047 - head.size()))
        << "2047 bytes of the file, the A-umlaut taking two bytes in UTF-8";
}

TEST_F(DriverNoticeTest, EmptyFileShowsTheBuiltInText) {
    std::ofstream(folder / "opengldriver.txt");
    startUp();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second,
              "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
              "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\n"
              "per HARDWARE unterst\xC3\xBCtzt!");
}

TEST(SoftwareRendererTest, KnownSoftwareRasterisersAreRecognised) {
    EXPECT_TRUE(IsSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(IsSoftwareRenderer("Gallium 0.4 on softpipe"));
    EXPECT_TRUE(IsSoftwareRenderer("Mesa DRI Intel(R) Software Rasterizer"));
    EXPECT_TRUE(IsSoftwareRenderer("Mesa Windows GDI Driver"));
    EXPECT_FALSE(IsSoftwareRenderer("Mesa Windows GDI Driver v2")) << "only the exact name";
    EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)"))
        << "LLVM in a hardware driver's name is not llvmpipe";
    EXPECT_FALSE(IsSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(IsSoftwareRenderer(nullptr));
}

}  // namespace
}  // namespace qvt
