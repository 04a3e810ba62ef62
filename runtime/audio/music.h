// Music: one tune at a time (mp3 and whatever else the decoder knows), played once or
// repeated by the frame loop on the runtime clock. Main thread only.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Shortest length a tune counts as (ms); a looping tune restarts no more often than this.
inline constexpr double kMinTuneLengthMs = 500.0;

// Stops any tune, then plays name (found through the runtime's second resolver; a packed
// tune is extracted to the private temporary folder) from its start at full volume; loop
// nonzero repeats it. Sets last-error 0 first, 3 when the file is not found. A file the
// decoder cannot read, or no device, plays silently (a looping one is retried every 500 ms).
// Then runs the tune-started hook.
void PlayMusic(const RuntimeString& name, double loop);
// Stops and closes the tune (nothing when there is none).
void StopMusic();
// Music volume 0..1 (clamped), sent only when it differs from the last value asked for.
void MusicVolume(double volume);
// 1 while a looping tune is set up, or while a one-shot tune has not reached its end; else 0.
std::int32_t MusicPlaying();
// Nonzero pauses the tune, zero resumes it; a looping tune's restart moves by the time paused.
void PauseMusic(double flag);

// Runs at the end of every PlayMusic that found its file (null: nothing). The frame loop
// sets it at start-up to end a pause, as opening a tune may have taken the focus.
void SetTuneStartedHook(void (*hook)());

// Restarts a looping tune whose time has come. Once per ShowScreen, and from Hibernate.
void MusicRepeatStep();
// The Music shutdown step: stops and closes the tune.
void ShutdownMusic();

}  // namespace qvt
