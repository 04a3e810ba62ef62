// Compile-time settings of the runtime, with their defaults.
#pragma once

namespace qvt {

// Frame rate in force from window creation until the program sets its own.
inline constexpr int kDefaultFrameRate = 60;
// Frame interval when no positive rate is set (a cap of 500 frames per second).
inline constexpr double kUncappedFrameIntervalMs = 2.0;

// Frame pacing: sleep only while more than this remains before the frame is due...
inline constexpr double kPaceSleepAboveMs = 1.3;
// ...waking this much early, then spin (pumping events) until at most this remains.
// Linux oversleeps a whole-millisecond sleep by well under 0.3 ms, so a small margin keeps
// frames within microseconds of their schedule while spinning about 0.7 ms a frame on
// average; the 7 / 3 / 1 ms of a coarse-sleep platform spun 2.4 ms and started frames
// 1 ms early (bench/pacing_bench).
inline constexpr double kPaceWakeEarlyMs = 0.3;
inline constexpr double kPaceSpinUntilMs = 0.0;

}  // namespace qvt
