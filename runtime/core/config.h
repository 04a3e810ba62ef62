// Compile-time settings of the runtime, with their defaults.
#pragma once

namespace qvt {

// Frame rate in force from window creation until the program sets its own.
inline constexpr int kDefaultFrameRate = 60;
// Frame interval when no positive rate is set (a cap of 500 frames per second).
inline constexpr double kUncappedFrameIntervalMs = 2.0;

// Frame pacing: sleep only while more than this remains before the frame is due...
inline constexpr double kPaceSleepAboveMs = 0.2;
// ...until this much before it (an absolute wake-up time), then spin (pumping events) until
// at most kPaceSpinUntilMs remains. The absolute sleep wakes within a few microseconds of
// its target on Linux, so a 0.2 ms margin starts frames as exactly as the earlier
// whole-millisecond sleep with a 0.3 ms margin did (median error under 2 us) while spinning
// a third to a fifth as long (about 0.1 ms a frame, bench/pacing_bench); without any margin
// frames start about 0.1 ms late.
inline constexpr double kPaceWakeEarlyMs = 0.2;
inline constexpr double kPaceSpinUntilMs = 0.0;

}  // namespace qvt
