// Calling the game's routines by name, and the lifecycle callbacks that use it.
#pragma once

#include "core/strings.h"

namespace qvt {

// A routine of the game: no arguments, no result.
using Routine = void (*)();

// One entry of the call-by-name table; the table ends with an entry whose routine is null.
struct NamedRoutine {
    Routine routine;
    const char* name;
};

// Installs the game's table (not copied; it must outlive the program). Null: no table.
void SetCallByNameTable(const NamedRoutine* table);

// The first routine whose name equals name byte for byte (case matters), or null.
Routine FindByName(const RuntimeString& name);

// Calls the named routine: 1.0 when found and called, else 0.0. A miss is reported to the
// debugger output, except for the optional callbacks QVT_ON_QUIT and QVT_WIN32_MSG.
double CallByName(const RuntimeString& name);

}  // namespace qvt
