#include "core/clock.h"

#include <cstdio>
#include <cstdlib>

#include "core/config.h"
#include "core/lifecycle.h"
#include "platform/os.h"

namespace qvt {

namespace {

struct ClockState {
    bool haveBase = false;
    double base = 0.0;
};

struct FrameState {
    double current = 0.0;
    double previous = 0.0;
    double start = 0.0;
    double interval = 1000.0 / kDefaultFrameRate;
    double nextDue = 0.0;
};

struct RunProgramHooks {
    void (*before)() = nullptr;
    void (*after)() = nullptr;
};

ClockState clockState;
FrameState frames;
RunProgramHooks runProgramHooks;

}  // namespace

void InitClock() { ClockMs(); }

double ClockMs() {
    double value = platform::nowMs();
    if (!clockState.haveBase) {
        clockState.base = value;
        clockState.haveBase = true;
    }
    return value - clockState.base;
}

void ResetClockBase() { clockState = ClockState{}; }

void MarkStartTime() {
    double now = ClockMs();
    frames.current = frames.previous = frames.start = now;
}

void AdvanceFrameTime() {
    frames.previous = frames.current;
    frames.current = ClockMs();
}

double MsSinceStart() { return ClockMs() - frames.start; }

double FrameDelta() {
    double delta = frames.current - frames.previous;
    return delta > 0.0 ? delta : 1.0;
}

void SetFrameRate(double framesPerSecond) {
    // Truncate first: 59.9 means 59 frames. NaN and huge values fall back like a rate of 0.
    double rate = framesPerSecond >= 1.0 && framesPerSecond < 2147483648.0
                      ? static_cast<double>(static_cast<std::int32_t>(framesPerSecond))
                      : 0.0;
    frames.interval = rate > 0.0 ? 1000.0 / rate : kUncappedFrameIntervalMs;
}

double FrameInterval() { return frames.interval; }

double NextFrameDue() { return frames.nextDue; }

void ResetFrameSchedule() { frames.nextDue = ClockMs(); }

double AdvanceSchedule(double due, double interval, double now) {
    if (interval <= 0.0) return due;
    due += interval;
    if (now > due) due += interval;
    if (now > due) due = now + interval;
    return due;
}

void WaitForNextFrame(void (*pump)()) {
    for (;;) {
        if (pump != nullptr) pump();
        double remaining = frames.nextDue - ClockMs();
        if (remaining > kPaceSleepAboveMs) {
            // Absolute, so the time the loop itself took does not make the wake-up late.
            platform::sleepUntilMs(clockState.base + frames.nextDue - kPaceWakeEarlyMs);
        } else if (remaining <= kPaceSpinUntilMs) {
            break;
        }
    }
    frames.nextDue = AdvanceSchedule(frames.nextDue, frames.interval, ClockMs());
}

void SleepMs(std::int32_t ms) { platform::sleepMs(ms); }

double RunProgram(const RuntimeString& commandLine, double wait, double show, double* exitCode) {
    if (exitCode != nullptr) *exitCode = 0.0;
    if (runProgramHooks.before != nullptr) runProgramHooks.before();
    int status = 0;
    bool waitForIt = wait != 0.0;
    const bool started = platform::runProcess(commandLine.c_str(), waitForIt, &status);
    if (started && waitForIt && exitCode != nullptr) *exitCode = status;
    if (runProgramHooks.after != nullptr) runProgramHooks.after();
    return started ? 1.0 : 0.0;
}

void SetRunProgramHooks(void (*before)(), void (*after)()) { runProgramHooks = {before, after}; }

void RunProgramAndEnd(const RuntimeString& commandLine) {
    RunShutdownSequence();
    platform::runProcess(commandLine.c_str(), false, nullptr);
    std::fflush(stdout);
    std::exit(0);
}

}  // namespace qvt
