#include "app/testing.h"
#include "support/headless.h"
#include "support/files.h"
#include "support/pixels.h"

#include <GL/gl.h>
#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "app/frame.h"
#include "core/lifecycle.h"
#include "app/startup.h"
#include "core/clock.h"
#include "platform/os.h"
#include "platform/tempdir.h"
#include "platform/window.h"

// Mesa's software driver keeps an allocation per multisample surface beyond the context's
// end; that leak is the driver's, not the runtime's.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace qvt::test {

std::string useScratchTempDir() {
    // Removed at exit, which also covers a death test's child that ends through EndProgram.
    // Never destroyed: the exit handler runs after static destructors would have.
    static auto* dirs = new std::vector<std::string>;
    static const bool handlerInstalled = std::atexit([] {
        std::error_code ignored;
        for (const std::string& dir : *dirs) std::filesystem::remove_all(dir, ignored);
    }) == 0;
    (void)handlerInstalled;
    char dir[] = "/tmp/qvt-headless-XXXXXX";
    if (mkdtemp(dir) == nullptr) return {};
    dirs->push_back(std::string(dir) + "/");
    setenv("TMPDIR", dirs->back().c_str(), 1);
    platform::forgetPrivateTempDir();
    return dirs->back();
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
    s.multisample = options.multisample;
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
    std::filesystem::remove_all(tempDir_, ignored);
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

// ---- the virtual clock

VirtualClock::VirtualClock(double readCostMs) : readCost_(readCostMs) {
    platform::TimeSource src{readNow, doSleep, this};
    platform::setTimeSource(&src);
    ResetClockBase();
}

VirtualClock::~VirtualClock() {
    platform::setTimeSource(nullptr);
    ResetClockBase();
}

double VirtualClock::readNow(void* self) {
    auto* c = static_cast<VirtualClock*>(self);
    double t = c->now_;
    c->now_ += c->readCost_;
    return t;
}

void VirtualClock::doSleep(void* self, int ms) {
    auto* c = static_cast<VirtualClock*>(self);
    c->sleeps_.push_back(ms);
    if (ms > 0) c->now_ += ms;
}

// ---- reading the frame back

std::ostream& operator<<(std::ostream& out, const FramePixel& c) {
    return out << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}

std::vector<FramePixel> readFrameRect(int x, int y, int w, int h) {
    std::vector<FramePixel> out;
    if (w <= 0 || h <= 0) return out;
    int clientW = 0, clientH = 0;
    platform::windowClientSize(&clientW, &clientH);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(w) * h * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // GL counts rows from the bottom of the window.
    glReadPixels(x, clientH - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    for (int row = h - 1; row >= 0; --row) {
        for (int i = row * w * 4; i < (row + 1) * w * 4; i += 4) {
            out.push_back({raw[i], raw[i + 1], raw[i + 2]});
        }
    }
    return out;
}

FramePixel readFramePixel(int x, int y) { return readFrameRect(x, y, 1, 1).front(); }

bool nearPixel(const FramePixel& a, const FramePixel& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

}  // namespace qvt::test
