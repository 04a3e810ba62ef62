// RAYVAULTER's process entry: the command line, the call-by-name table, then the
// runtime's start-up around the game's main program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "quivent.h"
#include "game/routines.h"

#ifndef RAYVAULTER_VERSION
#define RAYVAULTER_VERSION "0.0.0"
#endif

namespace {

constexpr int kMaxScale = 8;

int windowScale = 1;
bool fitScreen = false;

void printHelp() {
    std::printf(
        "Usage: rayvaulter [OPTION]...\n"
        "Fly between the beams of light, keep clear of the crates.\n"
        "Keys: [1] start, [Z]/[X] left/right, [P] pause, [S] sound, [Q] quit the game,\n"
        "Escape ends the program.\n"
        "\n"
        "  --scale N       open the window N times larger (1 to %d; also RAYVAULTER_SCALE)\n"
        "  --fullscreen    fill the screen, the picture enlarged by whole steps\n"
        "  --help          show this help and exit\n"
        "  --version       show the version and exit\n"
        "\n"
        "Hiscores are exchanged with the server named by RAYVAULTER_HISCORE_SERVER\n"
        "(host or host:port).\n",
        kMaxScale);
}

// A whole number from 1 to kMaxScale, else 0.
int parseScale(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < 1 || v > kMaxScale) return 0;
    return static_cast<int>(v);
}

// Empty: start the game; otherwise the exit code (help, version, a bad option).
std::optional<int> parseOptions(int argc, char** argv) {
    if (const char* env = std::getenv("RAYVAULTER_SCALE"); env != nullptr && *env != '\0') {
        int s = parseScale(env);
        if (s == 0) {
            std::fprintf(stderr, "rayvaulter: RAYVAULTER_SCALE must be a whole number from 1 to %d\n",
                         kMaxScale);
            return 2;
        }
        windowScale = s;
    }
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            printHelp();
            return 0;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::printf("rayvaulter %s\n", RAYVAULTER_VERSION);
            return 0;
        }
        if (std::strcmp(a, "--fullscreen") == 0) {
            fitScreen = true;
            continue;
        }
        const char* value = nullptr;
        if (std::strcmp(a, "--scale") == 0) {
            value = i + 1 < argc ? argv[++i] : nullptr;
        } else if (std::strncmp(a, "--scale=", 8) == 0) {
            value = a + 8;
        } else {
            std::fprintf(stderr, "rayvaulter: unknown option '%s' (try --help)\n", a);
            return 2;
        }
        int s = parseScale(value);
        if (s == 0) {
            std::fprintf(stderr, "rayvaulter: --scale needs a whole number from 1 to %d\n", kMaxScale);
            return 2;
        }
        windowScale = s;
    }
    return std::nullopt;
}

void settings(qvt::ProjectSettings& s) {
    qvt::game::GameSettings(s);
    s.windowScale = windowScale;
    s.fitScreen = fitScreen ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::optional<int> done = parseOptions(argc, argv)) return *done;
    qvt::SetCallByNameTable(qvt::game::CallTable());
    return qvt::ProgramMain(argc, argv, settings, qvt::game::MainProgram);
}
