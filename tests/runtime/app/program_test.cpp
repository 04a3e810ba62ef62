// ProgramMain's way out when the program cannot show itself.
#include "app/program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/startup.h"
#include "core/log.h"
#include "support/files.h"
#include "support/headless.h"

namespace qvt {
namespace {

// ---- fidelity

void dumpLogToStderr() {
    std::fputs(test::readText(LogPath()).c_str(), stderr);
}

// Without a display SDL would fall back to its offscreen driver and the game would run
// unseen: unless SDL_VIDEODRIVER asks for a headless driver, the program says that no
// display was found, on stderr and in the log, and exits with 1.
TEST(ProgramMainDeathTest, NoDisplayEndsWithAMessageAndCodeOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    test::ScopedEnv x11("DISPLAY", nullptr);
    test::ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    test::ScopedEnv audio("SDL_AUDIODRIVER", "dummy");
    char arg0[] = "rayvaulter";
    char* argv[] = {arg0, nullptr};
    EXPECT_EXIT(
        {
            test::useScratchTempDir();
            std::atexit(dumpLogToStderr);
            ProgramMain(1, argv, nullptr, [] { std::fputs("[main]", stderr); });
        },
        testing::ExitedWithCode(1), "Quivent: no display found[^\n]*\n(.|\n)*WIN32 init video\nno display found");
}

}  // namespace
}  // namespace qvt
