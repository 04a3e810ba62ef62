// The end of the program: EndProgram, the fatal-error path and the fixed shutdown order.
//
// Core owns the order; each subsystem registers its one shutdown function into its slot
// when it starts, so a subsystem that was never started has no step.
#pragma once

#include <cstdint>

namespace qvt {

// Shutdown steps, in the order they run (after QVT_ON_QUIT).
enum class ShutdownStep : int {
    SettingsFiles,   // dirty INI and line files written back (before anything else moves)
    Music,           // stop and close the tune
    Files,           // back to the executable's folder, close open channels
    Network,         // message network and socket layer
    Input,           // the input object: devices released, pointer shown
    Sound,           // sound slots (last to first), then the sound device
    Renderer,        // renderer and scene
    MediaResolvers,  // resolvers, deleting extracted temporary files
    Window,          // the window and GL context; the final log line
    Count
};

using ShutdownFn = void (*)();

// Installs fn as the step's shutdown function (null removes it).
void RegisterShutdownStep(ShutdownStep step, ShutdownFn fn);

// Runs QVT_ON_QUIT, logs "Shutdown QVT\n" when a renderer exists, then runs every
// registered step in order. Runs once per process.
void RunShutdownSequence();

// Runs every registered step in order and removes it, without QVT_ON_QUIT and without
// ending anything, so the runtime can start again in the same process (test harness).
void StopSubsystems();

// Start-up's renderer step sets it; the shutdown sequence logs its first line only then.
void SetRendererExists(bool exists);
bool RendererExists();

// Debug builds: EndProgram first logs "-End On Line\n", the last-error code and the
// error line minus 1.
void SetEndReport(bool on);

// Orderly end: runs once (a nested call returns at once), runs the shutdown sequence and
// exits the process with code 0.
void EndProgram();

// Fatal runtime error (bounds, assertion, file layer): sets the last-error code, runs the
// shutdown sequence, writes LastErrorText and a newline to stderr and exits with status 1.
// Never returns, even when the program is already ending.
[[noreturn]] void FatalError(std::int32_t code);

// True once EndProgram or FatalError has started.
bool ProgramEnding();

}  // namespace qvt
