// The program's frame: build-time settings, the process entry and the runtime start-up.
#pragma once

#include <cstdint>

#include "core/callbyname.h"
#include "app/startup.h"
#include "core/strings.h"

namespace qvt {

// Build-time settings, filled by the game's settings routine before start-up.
struct ProjectSettings {
    std::int32_t clientWidth = 640;   // drawing area in pixels
    std::int32_t clientHeight = 480;
    std::int32_t fullScreen = 0;      // nonzero: start in a full-screen mode
    std::int32_t exclusiveMouse = 0;  // nonzero: mouse read relatively, pointer hidden
    std::int32_t debugMode = 0;       // nonzero: no focus-loss pause, end-of-program report
    std::int32_t multisample = 0;     // samples asked for, 0 = none
    std::int32_t frameRate = 60;      // frames per second from window creation on
    std::int32_t windowScale = 1;     // window pixels per drawing-area pixel (1..8)
    std::int32_t fitScreen = 0;       // nonzero: fill the display, picture letterboxed
    RuntimeString applicationName;    // window caption (Windows-1252)
};

// The settings in force (written by the settings routine, read by start-up and the frame
// loop).
ProjectSettings& Settings();

// The game's settings routine.
using SettingsRoutine = void (*)(ProjectSettings&);

// Process entry of a game: keeps the command line, resets the settings and runs the
// settings routine, the runtime start-up, clears the error state, runs mainProgram and
// ends through EndProgram (exit code 0). Returns only if EndProgram is already running.
int ProgramMain(int argc, char** argv, SettingsRoutine settings, Routine mainProgram,
                int showState = kShowDefault);

// The process command line: the words of argv joined by blanks, words holding blanks or
// tabs in double quotes.
const RuntimeString& CommandLine();

}  // namespace qvt
