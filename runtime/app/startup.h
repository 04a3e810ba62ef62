// The runtime start-up: log, clock, window and GL context, input, current folder, 2D start
// state, in a fixed order.
#pragma once

#include "core/strings.h"

namespace qvt {

// Show states for the start-up: hidden keeps the window hidden throughout.
inline constexpr int kShowHidden = 0;
inline constexpr int kShowDefault = 10;

// The runtime start-up with the settings in force (Settings() of app/program.h). 0 on
// success; -1 when the window or its GL context could not be made (start-up stops there,
// after the log lines it reached).
int RuntimeStartUp(int showState, const RuntimeString& caption);

}  // namespace qvt
