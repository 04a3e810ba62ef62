// The ways a running program ends from inside ShowScreen (Escape, Alt+F4, closing the
// window, the session's quit), the whole ProgramMain, and what each leaves in the log.
// Death tests: each end really exits the (child) process.
#include "app/frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/clock.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "app/program.h"
#include "input/input.h"
#include "platform/window.h"
#include "support/headless.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

using platform::EventType;
using test::makeEvent;

void say(const char* s) {
    std::fputs(s, stderr);
    std::fflush(stderr);
}

void onQuit() { say("[quit]"); }
void onQuitThatEndsAgain() {
    say("[quit]");
    EndProgram();
}

const NamedRoutine kTable[] = {{onQuit, "QVT_ON_QUIT"}, {nullptr, nullptr}};
const NamedRoutine kEndsAgainTable[] = {{onQuitThatEndsAgain, "QVT_ON_QUIT"}, {nullptr, nullptr}};

// At exit, the whole log goes to stderr for the death test to match.
void dumpLog() {
    std::ifstream in(LogPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    say(text.str().c_str());
}

// At exit, the log lines written after start-up go to stderr for the death test to match.
void dumpLogTail() {
    std::ifstream in(LogPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string log = text.str();
    std::size_t end = log.find("Init Finalized\n");
    say(end == std::string::npos ? "<no start-up>" : log.substr(end + 15).c_str());
}

// The end of the log after an orderly end, with whatever the other subsystems' shutdown
// steps write between the first and the last line.
constexpr const char* kShutdownTail = "Shutdown QVT\n(.*)qvt is shutdown\n$";

class FrameExitTest : public test::HeadlessTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o;
        o.callTable = kTable;
        return o;
    }
    void SetUp() override {
        // A fresh process per death test: the parent's GL worker threads do not survive a fork.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        test::HeadlessTest::SetUp();
    }
};

TEST_F(FrameExitTest, EscapeEndsWithCodeZeroAndQuitCalledOnce) {
    test::ScriptedInput keys;
    runtime->frame();
    keys.press(1);
    EXPECT_EXIT(
        {
            std::atexit(dumpLogTail);
            SetLastError(kErrNoSuchFile);
            runtime->frame();
            say("[still running]");
        },
        testing::ExitedWithCode(0), std::string("^\\[quit\\]") + kShutdownTail);
}

TEST_F(FrameExitTest, AlternateEscapeKeyEndsToo) {
    test::ScriptedInput keys;
    keys.press(129);
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

TEST_F(FrameExitTest, AltF4EndsEvenWhenEscapeDoesNot) {
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    keys.press(1);
    runtime->frame();
    ASSERT_EQ(KeyDown(1), 1) << "Escape alone did not end it";
    keys.press(56);
    runtime->frame();
    keys.release(56);
    keys.press(62);
    runtime->frame();
    ASSERT_EQ(KeyDown(62), 1) << "F4 alone did not end it either";
    keys.press(56);
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

TEST_F(FrameExitTest, EscapeQuitsAgainAfterNaN) {
    test::ScriptedInput keys;
    SetEscapeQuits(0);
    SetEscapeQuits(std::nan(""));
    keys.press(1);
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

TEST_F(FrameExitTest, ClosingTheWindowEnds) {
    runtime->frame();
    runtime->injectAfter(makeEvent(EventType::Close), 100.0);
    EXPECT_EXIT(
        {
            std::atexit(dumpLogTail);
            runtime->frames(20);
            say("[still running]");
        },
        testing::ExitedWithCode(0), std::string("^\\[quit\\]") + kShutdownTail);
}

TEST_F(FrameExitTest, SessionQuitEnds) {
    runtime->injectAfter(makeEvent(EventType::Quit));
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

TEST_F(FrameExitTest, ClosingWhilePausedEnds) {
    runtime->injectAfter(makeEvent(EventType::FocusLost));
    runtime->frame();
    ASSERT_TRUE(PauseFlag());
    runtime->injectAfter(makeEvent(EventType::Close), 5000.0);
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

class EndsAgainExitTest : public FrameExitTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o;
        o.callTable = kEndsAgainTable;
        return o;
    }
};

TEST_F(EndsAgainExitTest, QuitRoutineRunsOnceEvenWhenItEndsAgain) {
    runtime->injectAfter(makeEvent(EventType::Close));
    runtime->injectAfter(makeEvent(EventType::Close));
    EXPECT_EXIT(runtime->frame(), testing::ExitedWithCode(0), "^\\[quit\\]$");
}

class DebugExitTest : public FrameExitTest {
protected:
    test::HeadlessOptions options() const override {
        test::HeadlessOptions o = FrameExitTest::options();
        o.debugMode = true;
        return o;
    }
};

TEST_F(DebugExitTest, DebugBuildsLogWhereTheProgramEnded) {
    runtime->injectAfter(makeEvent(EventType::Close));
    EXPECT_EXIT(
        {
            std::atexit(dumpLogTail);
            SetLastError(kErrOutOfBounds);
            runtime->frame();
        },
        testing::ExitedWithCode(0),
        std::string("^\\[quit\\]-End On Line\n9\n-1\n") + kShutdownTail);
}

// ---- The whole program ----------------------------------------------------------------------

int framesShown = 0;

void testSettings(ProjectSettings& s) {
    s.clientWidth = 320;
    s.clientHeight = 240;
    s.frameRate = 30;
    s.applicationName = RuntimeString("ProgramMainTest");
    SetLastError(kErrNoSuchFile);  // cleared before the main program runs
}

void mainThatReturns() {
    char line[64];
    std::snprintf(line, sizeof line, "[main %d %.0f]", LastErrorCode(), FrameInterval());
    say(line);
    for (framesShown = 0; framesShown < 3; ++framesShown) ShowScreen();
}

// ProgramMain starts the runtime itself: the test gives it headless drivers and a private
// temporary folder of its own.
class ProgramMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        test::useHeadlessDrivers();
        // Only the child starts the runtime; its folder goes when it exits.
        savedTmpdir = getenv("TMPDIR") != nullptr ? getenv("TMPDIR") : "";
    }
    void TearDown() override {
        if (savedTmpdir.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", savedTmpdir.c_str(), 1);
        }
    }

    std::string savedTmpdir;
};

TEST_F(ProgramMainTest, MainProgramReturningEndsTheProgram) {
    char arg0[] = "rayvaulter";
    char arg1[] = "two words";
    char* argv[] = {arg0, arg1, nullptr};
    EXPECT_EXIT(
        {
            test::useScratchTempDir();
            platform::keepVideoLoaded();
            SetCallByNameTable(kTable);
            std::atexit(dumpLogTail);
            ProgramMain(2, argv, testSettings, mainThatReturns);
            say("[returned]");
        },
        testing::ExitedWithCode(0), std::string("^\\[main 0 33\\]\\[quit\\]") + kShutdownTail);
}

TEST_F(ProgramMainTest, CommandLineIsKept) {
    char arg0[] = "rayvaulter";
    char arg1[] = "two words";
    char arg2[] = "-x";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    EXPECT_EXIT(
        {
            test::useScratchTempDir();
            platform::keepVideoLoaded();
            ProgramMain(3, argv, testSettings, [] { say(CommandLine().c_str()); });
        },
        testing::ExitedWithCode(0), "^rayvaulter \"two words\" -x$");
}

TEST_F(ProgramMainTest, NoWindowEndsWithAMessageAndCodeOne) {
    char arg0[] = "rayvaulter";
    char* argv[] = {arg0, nullptr};
    EXPECT_EXIT(
        {
            test::useScratchTempDir();
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            SetCallByNameTable(kTable);
            std::atexit(dumpLog);
            ProgramMain(1, argv, testSettings, [] { say("[main]"); });
        },
        testing::ExitedWithCode(1),
        "^Quivent: cannot create the window and its OpenGL context: .*\n\\[quit\\]"
        "Start new log...\ntimer\nvxlt\nvxlt init\nWIN32 init video\n"
        "Shutdown QVT\nqvt is shutdown\n$");
}

}  // namespace
}  // namespace qvt
