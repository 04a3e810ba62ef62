// Compile-time settings of the runtime, with their defaults.
#pragma once

namespace qvt {

// Frame rate in force from window creation until the program sets its own.
inline constexpr int kDefaultFrameRate = 60;
// Frame interval when no positive rate is set (a cap of 500 frames per second).
inline constexpr double kUncappedFrameIntervalMs = 2.0;

// Frame pacing: sleep only while more than this remains before the frame is due...
inline constexpr double kPaceSleepAboveMs = 7.0;
// ...waking this much early, then spin (pumping events) until at most this remains.
inline constexpr double kPaceWakeEarlyMs = 3.0;
inline constexpr double kPaceSpinUntilMs = 1.0;

}  // namespace qvt
