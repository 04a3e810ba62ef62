#include "core/lifecycle.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "core/callbyname.h"
#include "core/errors.h"

namespace qvt {

namespace {

std::array<ShutdownFn, static_cast<std::size_t>(ShutdownStep::Count)> shutdownSteps{};
bool ending = false;
bool shutDown = false;

}  // namespace

void RegisterShutdownStep(ShutdownStep step, ShutdownFn fn) {
    shutdownSteps[static_cast<std::size_t>(step)] = fn;
}

void RunShutdownSequence() {
    if (shutDown) return;
    shutDown = true;
    CallByName(RuntimeString("QVT_ON_QUIT"));
    for (ShutdownFn fn : shutdownSteps) {
        if (fn != nullptr) fn();
    }
}

bool ProgramEnding() { return ending; }

void EndProgram() {
    if (ending) return;
    ending = true;
    RunShutdownSequence();
    std::fputs("exit\n", stdout);
    std::fflush(stdout);
    std::exit(0);
}

void FatalError(std::int32_t code) {
    SetLastError(code);
    // The reason goes out before shutdown runs, so a shutdown step that misbehaves cannot
    // swallow it.
    RuntimeString text = LastErrorText();
    text.append("\n");
    ErrorOut(text);
    if (ending) std::_Exit(1);  // already inside the shutdown or exit handlers
    ending = true;
    RunShutdownSequence();
    std::fflush(stdout);
    std::exit(1);
}

}  // namespace qvt
