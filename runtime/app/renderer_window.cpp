#include "app/renderer_window.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "app/testing.h"
#include "core/clock.h"
#include "app/frame.h"
#include "gfx/glext.h"
#include "core/log.h"
#include "gfx/screen.h"
#include "platform/window.h"

namespace qvt {

namespace {

constexpr std::size_t kDriverNoticeMax = 2047;
constexpr const char* kDriverNoticeFile = "opengldriver.txt";
constexpr const char* kDriverNoticeTitle = "No OpenGL Hardware Drivers";
// Windows-1252, like every runtime text: 0xFC is the u with diaeresis.
constexpr const char* kDriverNoticeText =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\n"
    "per HARDWARE unterst\xFCtzt!";

RendererWindow record;
bool softwareChecked = false;

void showDriverNotice() {
    std::FILE* f = std::fopen(kDriverNoticeFile, "rb");
    if (f == nullptr) return;
    char text[kDriverNoticeMax + 1] = {};
    std::size_t n = std::fread(text, 1, kDriverNoticeMax, f);
    std::fclose(f);
    platform::showMessageBox(kDriverNoticeTitle, n > 0 ? text : kDriverNoticeText);
}

}  // namespace

const RendererWindow& WindowRecord() { return record; }

bool IsSoftwareRenderer(const char* glRenderer) {
    if (glRenderer == nullptr) return false;
    return std::strstr(glRenderer, "llvmpipe") != nullptr ||
           std::strstr(glRenderer, "softpipe") != nullptr ||
           std::strstr(glRenderer, "Software Rasterizer") != nullptr ||
           std::strcmp(glRenderer, "Mesa Windows GDI Driver") == 0;
}

void CheckSoftwareRenderer() {
    if (softwareChecked) return;
    softwareChecked = true;
    if (!IsSoftwareRenderer(reinterpret_cast<const char*>(glGetString(GL_RENDERER)))) return;
    WriteLog("*** OpenGL Software Emulation - update driver!\n");
    showDriverNotice();
}

void ForgetSoftwareRendererCheck() { softwareChecked = false; }

bool CreateRendererWindow(std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t frameRate, std::int32_t multisample,
                          std::int32_t scale, bool fitScreen) {
    SetFrameRate(frameRate);
    record = RendererWindow{};
    record.multisample = multisample;
    WriteLog("WIN32 init video\n");
    platform::WindowConfig config;
    config.width = width;
    config.height = height;
    config.multisample = multisample;
    config.visible = false;
    config.caption = "Quivent";
    config.scale = scale;
    config.fitDisplay = fitScreen;
    if (!platform::openWindow(config)) return false;
    platform::displaySize(&record.screenWidth, &record.screenHeight);
    InitGraphics(width, height);
    CheckSoftwareRenderer();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    record.clientWidth = width;
    record.clientHeight = height;
    record.colourDepth = depth != 0 ? depth : platform::displayBitsPerPixel();
    record.fullScreen = false;

    WriteLog("get accurate timer - 1st call\n");
    ResetFrameSchedule();
    WriteLog("flip - 1st call\n");
    PresentFrame(nullptr);
    LoadGlExtensions();
    // No off-screen render targets are made; the log keeps its usual milestone.
    WriteLog("init fbo\n");
    WriteLog("2D VP\n");
    ResetScreenState();
    WriteLog("OGVX init [OK]\n");
    return true;
}

void DestroyRendererWindow() {
    platform::closeWindow();
    record = RendererWindow{};
    WriteLog("qvt is shutdown\n");
}

void SwitchToWindowMode(bool show) {
    platform::enterWindowMode(show);
    SetViewport(0, 0, 0, 0);
    record.fullScreen = false;
}

bool SwitchToFullScreen() {
    if (platform::enterFullScreen(record.clientWidth, record.clientHeight)) {
        SetViewport(0, 0, 0, 0);
        record.fullScreen = true;
        return true;
    }
    WriteLog("No Fullscreen Mode available\n");
    SwitchToWindowMode(true);
    return false;
}

}  // namespace qvt
