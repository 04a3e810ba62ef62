#include "core/lifecycle.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "core/callbyname.h"
#include "core/errors.h"
#include "core/log.h"

namespace qvt {

namespace {

std::array<ShutdownFn, static_cast<std::size_t>(ShutdownStep::Count)> shutdownSteps{};
bool ending = false;
bool shutDown = false;
bool rendererExists = false;
bool endReport = false;

void logEndReport() {
    WriteLog("-End On Line\n");
    WriteLogFormat("%d\n", LastErrorCode());
    WriteLogFormat("%d\n", LastErrorLine() - 1);
}

}  // namespace

void RegisterShutdownStep(ShutdownStep step, ShutdownFn fn) {
    shutdownSteps[static_cast<std::size_t>(step)] = fn;
}

void RunShutdownSequence() {
    if (shutDown) return;
    shutDown = true;
    CallByName(RuntimeString("QVT_ON_QUIT"));
    // Steps registered without a renderer still run: whatever registered one was started.
    if (rendererExists) WriteLog("Shutdown QVT\n");
    for (ShutdownFn fn : shutdownSteps) {
        if (fn != nullptr) fn();
    }
    rendererExists = false;
}

void StopSubsystems() {
    for (ShutdownFn& fn : shutdownSteps) {
        ShutdownFn step = fn;
        fn = nullptr;
        if (step != nullptr) step();
    }
    rendererExists = false;
}

void SetRendererExists(bool exists) { rendererExists = exists; }

bool RendererExists() { return rendererExists; }

void SetEndReport(bool on) { endReport = on; }

bool ProgramEnding() { return ending; }

void EndProgram() {
    if (ending) return;
    ending = true;
    if (endReport) logEndReport();
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
