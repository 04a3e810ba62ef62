#include "core/errors.h"

#include <cstdio>

#include "core/lifecycle.h"
#include "platform/os.h"

namespace qvt {

namespace {

struct ErrorState {
    std::int32_t code = 0;
    std::int32_t errorLine = 0;
    std::int32_t currentLine = 0;  // only a line-tracking build moves it; ours never does
};

ErrorState errors;
void (*breakpointHook)() = nullptr;

const char* errorName(std::int32_t code) {
    switch (code) {
        case kErrSuccess: return "success";
        case kErrNoSuchFile: return "no such file";
        case kErrOutOfMemory: return "out of memory";
        case kErrOutOfBounds: return "out of bounds";
        case kErrOutOfData: return "out of data";
        default: return "unknown error";
    }
}

void writeStderr(const char* bytes, std::size_t n) {
    std::fwrite(bytes, 1, n, stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLastError(std::int32_t code) {
    errors.errorLine = errors.currentLine;
    errors.code = code;
}

void ClearLastError() { errors.code = 0; }

void ResetErrorState() { errors = ErrorState{}; }

std::int32_t LastErrorCode() { return errors.code; }

std::int32_t LastErrorLine() { return errors.errorLine; }

RuntimeString LastErrorText() {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.4d %s", errors.code, errorName(errors.code));
    return RuntimeString(buf, static_cast<std::size_t>(n));
}

bool DebuggerAttached() { return platform::debuggerAttached(); }

void DebugOut(const RuntimeString& text) {
    if (!DebuggerAttached()) return;
    writeStderr("TX", 2);
    writeStderr(text.c_str(), text.length());
}

void ErrorOut(const RuntimeString& text) { writeStderr(text.c_str(), text.length()); }

void Assert(std::int32_t value) {
    if (value != 0) return;
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "Assertion: Value = %d\n", value);
    DebugOut(RuntimeString(buf, static_cast<std::size_t>(n)));
    FatalError(kErrAssertion);
}

void DebugBreakpoint(std::int32_t number) {
    if (!DebuggerAttached()) return;
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "BP%x", static_cast<unsigned>(number));
    DebugOut(RuntimeString(buf, static_cast<std::size_t>(n)));
    if (breakpointHook != nullptr) breakpointHook();
}

void SetBreakpointHook(void (*hook)()) { breakpointHook = hook; }

}  // namespace qvt
