// The whole ProgramMain in a child process: settings, command line, the main program's
// return ending the program, and no window or no display ending it with code 1.
#include "app/program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "app/frame.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/log.h"
#include "platform/window.h"
#include "support/files.h"
#include "support/headless.h"

namespace qvt {
namespace {

void say(const char* s) {
    std::fputs(s, stderr);
    std::fflush(stderr);
}
const NamedRoutine kTable[] = {{[] { say("[quit]"); }, "QVT_ON_QUIT"}, {nullptr, nullptr}};

void testSettings(ProjectSettings& s) {
    s.clientWidth = 320;
    s.clientHeight = 240;
    s.frameRate = 30;
    s.applicationName = RuntimeString("ProgramMainTest");
    SetLastError(kErrNoSuchFile);  // cleared before the main program runs
}

// ProgramMain starts the runtime itself, in the child only, with headless drivers and a
// private temporary folder that goes when the child exits.
class ProgramMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        test::useHeadlessDrivers();
    }
    // videoDriver null: no driver asked for and no display to find.
    static void start(const char* videoDriver) {
        test::useScratchTempDir();
        for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
        if (videoDriver != nullptr) setenv("SDL_VIDEODRIVER", videoDriver, 1);
        platform::keepVideoLoaded();
        SetCallByNameTable(kTable);
        std::atexit([] { say(test::readText(LogPath()).c_str()); });
    }
    char arg0[16] = "rayvaulter", arg1[16] = "two words", arg2[4] = "-x";
    char* argv[4] = {arg0, arg1, arg2, nullptr};
};

// Without a display SDL would fall back to its offscreen driver and the game would run
// unseen: unless SDL_VIDEODRIVER asks for a headless driver, the program says that no
// display was found, on stderr and in the log, and exits with 1.
TEST_F(ProgramMainTest, MainProgramReturningEndsTheProgramAndNoWindowOrDisplayEndsWithOne) {
    const std::tuple<const char*, int, std::string> cases[] = {
        {"offscreen", 0,
         "^\\[main 0 33 rayvaulter \"two words\" -x\\]\\[quit\\]Start new log.*Init Finalized\n"
         "Shutdown QVT\n(.*)qvt is shutdown\n$"},
        {"no-such-driver", 1,
         "^Quivent: cannot create the window and its OpenGL.*\n\\[quit\\](.|\n)*shutdown\n$"},
        {nullptr, 1, "Quivent: no display found[^\n]*\n(.|\n)*WIN32 init video\nno display found"},
    };
    for (const auto& [driver, code, message] : cases) {
        EXPECT_EXIT(
            {
                start(driver);
                ProgramMain(3, argv, testSettings, [] {
                    char line[96];
                    std::snprintf(line, sizeof line, "[main %d %.0f %s]", LastErrorCode(),
                                  FrameInterval(), CommandLine().c_str());
                    say(line);
                    for (int i = 0; i < 3; ++i) ShowScreen();
                });
                say("[returned]");
            },
            testing::ExitedWithCode(code), message)
            << (driver ? driver : "no display");
    }
}

}  // namespace
}  // namespace qvt
