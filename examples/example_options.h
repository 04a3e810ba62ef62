// The examples' one option: --frames N ends the program after N frames (for scripts and
// tests); without it they run until Escape or the window is closed.
#pragma once

#include <cstdlib>
#include <cstring>

inline int framesToRun(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0) return std::atoi(argv[i + 1]);
    }
    return 0;
}
