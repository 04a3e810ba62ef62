// Last-error bookkeeping and the runtime's debug outputs.
//
// A failing operation sets the code and returns its neutral value; nothing throws across
// the API. Loaders clear the code first.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Codes in use. Any other code reads as "unknown error".
inline constexpr std::int32_t kErrSuccess = 0;
inline constexpr std::int32_t kErrNoSuchFile = 3;   // missing or unloadable file
inline constexpr std::int32_t kErrOutOfMemory = 7;  // also: id beyond a table's size
inline constexpr std::int32_t kErrOutOfBounds = 9;  // array index out of range
inline constexpr std::int32_t kErrOutOfData = 20;
inline constexpr std::int32_t kErrAssertion = 21;

// Stores code; the error line becomes the current line (0 unless line tracking is on).
void SetLastError(std::int32_t code);
// Code = 0.
void ClearLastError();
// Resets code, error line and current line (start of the main program).
void ResetErrorState();
std::int32_t LastErrorCode();
std::int32_t LastErrorLine();
// "%.4d %s" of the code and its text, e.g. "0009 out of bounds".
RuntimeString LastErrorText();

// True while a debugger (any tracer) is attached to the process.
bool DebuggerAttached();
// "TX" + text to the debugger output (stderr here), only while a debugger is attached.
void DebugOut(const RuntimeString& text);
// The text to stderr as it stands.
void ErrorOut(const RuntimeString& text);
// Value 0: debug line "Assertion: Value = 0\n", last-error 21, fatal end of the program.
void Assert(std::int32_t value);
// Only while a debugger is attached: "BP" + number in lower-case hex to the debugger output,
// then the breakpoint hook.
void DebugBreakpoint(std::int32_t number);
// What a breakpoint does in the layers above (null: nothing). Start-up sets it: let the
// mouse go, sample keyboard and mice, and bring the window to the front at the next frame.
void SetBreakpointHook(void (*hook)());

}  // namespace qvt
