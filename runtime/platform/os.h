// Operating-system services for the core: monotonic time, sleeping, processes, debugger
// detection and the executable's location. The only place that calls POSIX directly.
#pragma once

#include <cstdint>
#include <string>

namespace qvt::platform {

// Milliseconds from an arbitrary fixed point, with sub-millisecond fractions. Goes through
// the installed time source (the real monotonic clock unless a test installed another).
double nowMs();
// Suspends the calling thread for ms milliseconds (through the time source).
void sleepMs(int ms);
// Suspends the calling thread until nowMs() reaches ms, an absolute time on that clock
// (returns at once when it has passed). Through the time source.
void sleepUntilMs(double ms);

// 32 unpredictable bits for seeding the random numbers (the kernel's generator, else the
// wall clock's nanoseconds).
std::uint32_t entropySeed();

// True when a tracer (debugger) is attached: TracerPid in /proc/self/status is nonzero.
bool debuggerAttached();

// Absolute path of the running executable, empty when it cannot be read.
std::string executablePath();

// Starts a command line as a new process (split at blanks; double quotes group words; no
// shell). Returns false when it could not be started. With wait, waits for it and stores
// its exit status in *exitCode (128 + signal number when it was killed).
bool runProcess(const char* commandLine, bool wait, int* exitCode);

}  // namespace qvt::platform
