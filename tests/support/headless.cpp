#include "app/testing.h"
#include "support/headless.h"
#include "support/files.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/frame.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "app/renderer_window.h"
#include "app/startup.h"
#include "platform/os.h"
#include "platform/tempdir.h"
#include "platform/window.h"

// Mesa's software driver keeps an allocation per multisample surface beyond the context's
// end; that leak is the driver's, not the runtime's.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace qvt::test {

namespace {

// Scratch folders still in use; removed at exit when the process ends without their owner's
// cleanup (EndProgram in a death test). Never destroyed: the exit handler runs after static
// destructors would have.
std::vector<std::string>& liveScratchDirs() {
    static auto* dirs = new std::vector<std::string>;
    return *dirs;
}

void removeScratchDir(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    std::erase(liveScratchDirs(), dir);
}

}  // namespace

std::string useScratchTempDir() {
    static const bool handlerInstalled = std::atexit([] {
        while (!liveScratchDirs().empty()) removeScratchDir(liveScratchDirs().back());
    }) == 0;
    (void)handlerInstalled;
    char dir[] = "/tmp/qvt-headless-XXXXXX";
    if (mkdtemp(dir) == nullptr) return {};
    const std::string path = std::string(dir) + "/";
    liveScratchDirs().push_back(path);
    setenv("TMPDIR", path.c_str(), 1);
    platform::forgetPrivateTempDir();
    return path;
}

void useHeadlessDrivers() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

HeadlessRuntime::HeadlessRuntime(const HeadlessOptions& options) {
    useHeadlessDrivers();
    platform::keepVideoLoaded();
    if (const char* old = getenv("TMPDIR")) oldTmpdir_ = old;
    tempDir_ = useScratchTempDir();
    oldCwd_ = std::filesystem::current_path().string();
    clock_ = std::make_unique<VirtualClock>();

    SetCallByNameTable(options.callTable);
    ForgetSoftwareRendererCheck();
    ProjectSettings& s = Settings();
    s = ProjectSettings{};
    s.clientWidth = options.width;
    s.clientHeight = options.height;
    s.fullScreen = options.fullScreen ? 1 : 0;
    s.exclusiveMouse = options.exclusiveMouse ? 1 : 0;
    s.debugMode = options.debugMode ? 1 : 0;
    s.multisample = options.multisample;
    s.frameRate = options.frameRate;
    s.applicationName = RuntimeString(options.caption);
    started_ = RuntimeStartUp(options.showState, s.applicationName) == 0;
}

HeadlessRuntime::~HeadlessRuntime() {
    StopSubsystems();
    platform::closeWindow();  // when start-up stopped before registering the window step
    platform::clearInjectedEvents();
    platform::setMessageBoxHandler(nullptr);
    SetCallByNameTable(nullptr);
    ResetFrameLoop();
    std::error_code ignored;
    std::filesystem::current_path(oldCwd_, ignored);
    if (oldTmpdir_) setenv("TMPDIR", oldTmpdir_->c_str(), 1); else unsetenv("TMPDIR");
    platform::forgetPrivateTempDir();
    removeScratchDir(tempDir_);
    clock_.reset();
}

std::string HeadlessRuntime::logText() const { return readText(tempDir_ + "ErrorLog.txt"); }

void HeadlessRuntime::frame(double workMs) {
    clock_->advance(workMs);
    ShowScreen();
}

void HeadlessRuntime::frames(int n, double workMs) {
    while (n-- > 0) frame(workMs);
}

void HeadlessRuntime::injectAfter(const platform::Event& event, double delayMs) {
    platform::injectEvent(event, delayMs > 0.0 ? platform::nowMs() + delayMs : -1.0e300);
}

void HeadlessTest::SetUp() {
    runtime = std::make_unique<HeadlessRuntime>(options());
    ASSERT_TRUE(runtime->started()) << "headless start-up failed: " << platform::lastError();
}

void HeadlessTest::TearDown() { runtime.reset(); }

platform::Event makeEvent(platform::EventType type) {
    platform::Event event;
    event.type = type;
    return event;
}

}  // namespace qvt::test
