// The runtime started in-process on SDL's offscreen driver, frame by frame, without ever
// ending the process: the fixture for frame-loop, drawing and game tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/callbyname.h"
#include "app/program.h"
#include "platform/events.h"
#include "support/virtual_clock.h"

namespace qvt::test {

// SDL_VIDEODRIVER=offscreen and SDL_AUDIODRIVER=dummy, unless the environment already
// chose drivers. Call before anything initialises SDL.
void useHeadlessDrivers();

// Makes a fresh private folder (mode 0700) and points $TMPDIR at it, so the runtime's log
// and temporary files land there. The folder is removed at process exit, which covers a
// death test's child that ends through EndProgram. Returns it with a trailing slash.
std::string useScratchTempDir();

// What a HeadlessRuntime starts with.
struct HeadlessOptions {
    int width = 640;
    int height = 480;
    bool fullScreen = false;
    int multisample = 0;
    const char* caption = "AKQZ08_Rayvaulter";
    int showState = kShowDefault;
    const NamedRoutine* callTable = nullptr;  // the game's call-by-name table (not copied)
};

// Runs the runtime start-up with the options' settings on a virtual clock, in a private
// temporary folder of its own ($TMPDIR points there while it lives). The destructor stops
// every subsystem, closes the window, and puts back the current folder, $TMPDIR and the
// real clock.
class HeadlessRuntime {
public:
    explicit HeadlessRuntime(const HeadlessOptions& options = {});
    ~HeadlessRuntime();
    HeadlessRuntime(const HeadlessRuntime&) = delete;
    HeadlessRuntime& operator=(const HeadlessRuntime&) = delete;

    // True when start-up succeeded.
    bool started() const { return started_; }
    VirtualClock* clock() { return clock_.get(); }
    // The private temporary folder of this run, with a trailing slash.
    const std::string& tempDir() const { return tempDir_; }
    // The log file's whole content.
    std::string logText() const;

    // One ShowScreen after workMs of virtual time for the frame's own work.
    void frame(double workMs = 0.0);
    // n frames of workMs each.
    void frames(int n, double workMs = 0.0);
    // Queues an event for the pump, delivered once delayMs have passed on the clock (at the
    // next pump when delayMs <= 0).
    void injectAfter(const platform::Event& event, double delayMs = 0.0);

private:
    std::unique_ptr<VirtualClock> clock_;
    std::string tempDir_;
    std::string oldCwd_;
    std::optional<std::string> oldTmpdir_;
    bool started_ = false;
};

// A fixture holding a HeadlessRuntime started in SetUp with options().
class HeadlessTest : public ::testing::Test {
protected:
    virtual HeadlessOptions options() const { return {}; }
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<HeadlessRuntime> runtime;
};

// An event of the given type (window and focus events need nothing more).
inline platform::Event makeEvent(platform::EventType type) { return {.type = type}; }

}  // namespace qvt::test
