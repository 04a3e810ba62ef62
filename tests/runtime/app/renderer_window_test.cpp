// The renderer window: window and full-screen mode, the software-renderer notice.
#include "app/renderer_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/testing.h"
#include "gfx/screen.h"
#include "platform/window.h"
#include "support/files.h"
#include "support/headless.h"

namespace qvt {
namespace {

namespace fs = std::filesystem;

std::vector<std::pair<std::string, std::string>> boxes;

TEST(RendererWindowTest, FullScreenSwitchesAndTheSoftwareRendererNotice) {
    const std::pair<const char*, bool> names[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true}, {"Gallium 0.4 on softpipe", true},
        {"Mesa DRI Intel(R) Software Rasterizer", true}, {"Mesa Windows GDI Driver", true},
        {"Mesa Windows GDI Driver v2", false}, {"AMD Radeon RX 6600 (radeonsi)", false},
        {nullptr, false}};
    for (auto [name, software] : names) EXPECT_EQ(IsSoftwareRenderer(name), software) << (name ? name : "null");

    test::ScratchFolder folder;
    const std::string head = "Install the \xC4 driver\n";  // Windows-1252 A-umlaut
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    platform::setMessageBoxHandler([](const char* title, const char* text) { boxes.emplace_back(title, text); });
    {
        test::HeadlessOptions options;
        options.multisample = 64;
        test::HeadlessRuntime runtime(options);  // leaves the executable's folder current
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

        EXPECT_TRUE(boxes.empty()) << "llvmpipe, but no opengldriver.txt: no box";
        fs::current_path(folder.path());
        test::writeBytes(folder / "opengldriver.txt", head + std::string(3000, 'z'));
        ForgetSoftwareRendererCheck();
        CheckSoftwareRenderer();
        CheckSoftwareRenderer();
        test::writeBytes(folder / "opengldriver.txt", "");
        ForgetSoftwareRendererCheck();
        CheckSoftwareRenderer();
    }
    fs::current_path(previous);
    ASSERT_EQ(boxes.size(), 2u) << "once per check";
    EXPECT_EQ(boxes[0].first, "No OpenGL Hardware Drivers");
    const std::string shownHead = "Install the \xC3\x84 driver\n";
    EXPECT_EQ(boxes[0].second.substr(0, shownHead.size()), shownHead);
    EXPECT_EQ(boxes[0].second.size(), shownHead.size() + (2047 - head.size())) << "2047 bytes of the file";
    EXPECT_EQ(boxes[1].second,
              "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
              "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE unterst\xC3\xBCtzt!")
        << "an empty file shows the built-in text";
}

}  // namespace
}  // namespace qvt
