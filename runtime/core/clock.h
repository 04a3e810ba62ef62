// The runtime clock, the frame times, frame pacing and starting other programs.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Chooses the clock source. The monotonic clock always has sub-millisecond resolution here.
void InitClock();
// Milliseconds since the clock's first reading (the first call returns ~0).
double ClockMs();
// Forgets the first reading, so the next ClockMs starts again near 0. For a new time
// source (tests); the running program never calls it.
void ResetClockBase();

// Start-up: current, previous and start frame time all become ClockMs().
void MarkStartTime();
// Once per shown frame: previous = current, current = ClockMs().
void AdvanceFrameTime();
// ClockMs() minus the start time.
double MsSinceStart();
// Length of the previous frame in ms, pacing wait and pauses included; 1.0 when it is not
// above 0, so a game may divide by it.
double FrameDelta();

// Frames per second (truncated toward zero): interval 1000 / rate, or 2 ms for a rate <= 0.
void SetFrameRate(double framesPerSecond);
// The interval between frames in ms.
double FrameInterval();
// Clock time in ms before which the next frame is not presented.
double NextFrameDue();
// The schedule starts now: NextFrameDue = ClockMs().
void ResetFrameSchedule();
// The catch-up rule: next due time after a frame presented at `now`, given the one it was
// due at. At most two intervals are caught up; beyond that the schedule restarts at now.
double AdvanceSchedule(double due, double interval, double now);
// Waits until the next frame is due (sleeping while far away, then spinning while pumping
// with `pump`, which may be null), then advances the schedule.
void WaitForNextFrame(void (*pump)());

// Suspends the main thread for ms milliseconds.
void SleepMs(std::int32_t ms);

// Starts a command line (no shell; double quotes group words). With wait nonzero, waits
// for it and stores its exit status in *exitCode (which starts at 0). 1 when started, else
// 0. The show flag has no meaning on this platform. The hooks run before the start and after
// the wait.
double RunProgram(const RuntimeString& commandLine, double wait, double show, double* exitCode);
// Run by RunProgram around another program (null: nothing). Start-up sets them: leave
// full-screen mode first, give the window the focus back afterwards.
void SetRunProgramHooks(void (*before)(), void (*after)());
// Runs the shutdown sequence, starts the command line without waiting and exits with 0.
[[noreturn]] void RunProgramAndEnd(const RuntimeString& commandLine);

}  // namespace qvt
