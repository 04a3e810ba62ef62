// The ends of the program: orderly ends exit 0, fatal errors exit 1 after their report,
// QVT_ON_QUIT runs once and the shutdown steps run in their fixed order.
#include "core/lifecycle.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/callbyname.h"
#include "core/errors.h"

namespace qvt {
namespace {

using testing::ExitedWithCode;

void say(const char* s) {
    std::fputs(s, stderr);
    std::fflush(stderr);
}

void onQuitThatEndsAgain() {
    say("[quit]");
    EndProgram();  // a nested end returns at once
    say("[back]");
}
void onQuitThatFails() {
    say("[quit]");
    FatalError(kErrOutOfBounds);
}

const NamedRoutine kQuitTable[] = {{[] { say("[quit]"); }, "QVT_ON_QUIT"}, {nullptr, nullptr}};
const NamedRoutine kNestedTable[] = {{onQuitThatEndsAgain, "QVT_ON_QUIT"}, {nullptr, nullptr}};
const NamedRoutine kFailingTable[] = {{onQuitThatFails, "QVT_ON_QUIT"}, {nullptr, nullptr}};

void endWith(const NamedRoutine* table) {
    SetCallByNameTable(table);
    EndProgram();
}

TEST(LifecycleDeathTest, EndProgramRunsQuitThenTheRegisteredStepsInOrderAndExitsZero) {
    EXPECT_EXIT(
        {
            SetCallByNameTable(kQuitTable);
            RegisterShutdownStep(ShutdownStep::Window, [] { say("W"); });
            RegisterShutdownStep(ShutdownStep::Music, [] { say("M"); });
            RegisterShutdownStep(ShutdownStep::Input, [] { say("I"); });
            RegisterShutdownStep(ShutdownStep::Sound, [] { say("S"); });
            RegisterShutdownStep(ShutdownStep::Files, [] { say("F"); });
            RegisterShutdownStep(ShutdownStep::MediaResolvers, [] { say("R"); });
            RegisterShutdownStep(ShutdownStep::Network, [] { say("N"); });
            RegisterShutdownStep(ShutdownStep::Renderer, [] { say("G"); });
            SetLastError(kErrNoSuchFile);  // a failed load earlier does not make the end fail
            EndProgram();
        },
        ExitedWithCode(0), "^\\[quit\\]MFNISGRW$");
    EXPECT_EXIT(endWith(kNestedTable), ExitedWithCode(0), "^\\[quit\\]\\[back\\]$")
        << "QVT_ON_QUIT runs once when it ends the program again";
}

TEST(LifecycleDeathTest, FatalErrorReportsFirstAndExitsOneEvenDuringShutdown) {
    EXPECT_EXIT(
        {
            SetCallByNameTable(kQuitTable);
            RegisterShutdownStep(ShutdownStep::Window, [] { say("W"); });
            FatalError(kErrOutOfBounds);
        },
        ExitedWithCode(1), "^0009 out of bounds\n\\[quit\\]W$");
    EXPECT_EXIT(endWith(kFailingTable), ExitedWithCode(1), "^\\[quit\\]0009 out of bounds\n$");
    EXPECT_EXIT(Assert(0), ExitedWithCode(1), "^0021 unknown error\n$");
    Assert(-7);
    EXPECT_FALSE(ProgramEnding()) << "a passing assertion does nothing";
}

}  // namespace
}  // namespace qvt
