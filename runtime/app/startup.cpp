#include "app/startup.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/testing.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "core/clock.h"
#include "core/errors.h"
#include "app/frame.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "app/program.h"
#include "core/random.h"
#include "app/renderer_window.h"
#include "files/files.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "input/input.h"
#include "platform/os.h"
#include "platform/window.h"

namespace qvt {

namespace {

constexpr std::size_t kMaxExePath = 1024;

void windowShutdown() { DestroyRendererWindow(); }

// Opening a tune could have taken the focus from the window; a new tune ends the pause.
void resumeAfterTune() { SetPause(0); }

// A debugger gets the mouse; the input is fresh and the window comes back next frame.
void atBreakpoint() {
    input::ReleasePointer();
    PollKeyboard();
    MouseState discarded;
    PollMouse(discarded, true);
    RequestActivate();
}

// Another program gets the screen while it runs, and the window the focus afterwards.
void beforeOtherProgram() {
    if (WindowRecord().fullScreen) SwitchToWindowMode(true);
}
void afterOtherProgram() {
    if (platform::windowVisible()) platform::raiseWindow();
}

// The executable's folder becomes the current one, so media next to it are found.
void enterExecutableFolder() {
    WriteLog("getexe\n");
    std::filesystem::path exe = platform::executablePath().substr(0, kMaxExePath);
    std::filesystem::path folder = exe.parent_path();
    WriteLog("cd\n");
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::current_path(folder, ignored);
    WriteLogFormat("exepath=curdir= %s\n", folder.c_str());
}

void setStartState() {
    SetBlendAlpha(0);
    SetClearColour(0);
    PresentFrame(nullptr);
    ResetScreenState();
}

void keepHidden() {
    if (WindowRecord().fullScreen) SwitchToWindowMode(false);
    platform::hideWindow();
    PumpMessages(nullptr);
}

}  // namespace

int RuntimeStartUp(int showState, const RuntimeString& caption) {
    const ProjectSettings& s = Settings();
    StartLog();
    ResetFrameLoop();
    SetEndReport(s.debugMode != 0);
    WriteLog("timer\n");
    InitClock();
    WriteLog("vxlt\n");
    SetRendererExists(true);
    WriteLog("vxlt init\n");
    // Registered first, so even a failed creation ends the log with the shutdown line.
    RegisterShutdownStep(ShutdownStep::Window, windowShutdown);
    if (!CreateRendererWindow(s.clientWidth, s.clientHeight, 0, s.frameRate, s.multisample,
                              s.windowScale, s.fitScreen != 0)) {
        return -1;
    }
    SetSavedCaption(caption);
    WriteLog("Cptn\n");
    // The clock's milliseconds since its first reading are only the window's creation time,
    // a few hundred values: every run would replay one of a few hundred games.
    SeedRandom(static_cast<std::int32_t>(platform::entropySeed()));
    // The log keeps its usual milestones; nothing is made between these two lines.
    WriteLog("Network\n");
    WriteLog("Input\n");
    WriteLog("Window mode\n");
    if (s.fullScreen != 0) {
        SwitchToFullScreen();
    } else {
        SwitchToWindowMode(showState != kShowHidden);
    }
    WriteLog("Create DXin\n");
    InitInput(s.exclusiveMouse != 0);
    WriteLog("reptr\n");
    enterExecutableFolder();
    InitFiles();  // both media resolvers, pointed at a pack appended to the executable
    MarkStartTime();
    setStartState();
    LoadDefaultFont();  // built-in font 0, then Media/smalfont.png, .bmp, smalfont.png, .bmp
    ClearPause();
    SetTuneStartedHook(resumeAfterTune);
    SetBreakpointHook(atBreakpoint);
    SetRunProgramHooks(beforeOtherProgram, afterOtherProgram);
    // SDL's default cursor is already the arrow.
    MarkStartTime();
    if (showState == kShowHidden) keepHidden();
    input::RestorePointerMode();
    InitSound();
    WriteLog("Init Finalized\n");
    return 0;
}

}  // namespace qvt
