// Sound effects: 4096 numbered slots, each holding one WAV sound with one to four voices,
// so an effect can overlap itself. A play returns a channel (slot * 256 + voice).
//
// Without an audio device the program runs silent: loads fail with last-error 3 and plays
// return -1. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Sound ids are 0..kSoundSlotCount-1.
inline constexpr std::int32_t kSoundSlotCount = 4096;
// Copies of one sound that can play at once.
inline constexpr std::int32_t kMaxSoundVoices = 4;
// The device layout: signed 16-bit little-endian samples, interleaved stereo, at this rate
// (Hz). Every sound is converted to it once, when it is loaded.
inline constexpr int kSoundOutputRate = 44100;

// Start-up: opens the default audio device with empty slots and registers the music's
// shutdown step. When there is no device, or it refuses, the program carries on silent.
void InitSound();
// Stops every voice, releases the slots last to first, then closes the music and the device.
void ShutdownSound();
// True while the audio device is open.
bool SoundDeviceOpen();

// Loads a WAV file (found through the media resolver; "mem://" names read memory files)
// into slot id (0..4095, truncated) with voices copies (clamped to 1..4), releasing what the
// slot held. Clears last-error first; 7 for a bad id (slot untouched), 3 when the file
// cannot be loaded (slot left empty).
void LoadSound(const RuntimeString& name, double id, double voices);
// Plays the slot's sound once at pan -1 (left) .. 1 (right) and volume 0..1 (both clamped).
// The slot's next voice is used when idle; otherwise the next one on, restarted if it still
// plays. A channel id, or -1: empty slot, a single voice still playing, no device, or a bad
// id (last-error 7).
std::int32_t PlaySound(double id, double pan, double volume);
// 1 while the channel's voice plays, else 0.
std::int32_t SoundPlaying(double channel);
// Stops the channel's voice and rewinds it; a voice number the slot lacks stops all of its
// voices; a negative channel does nothing.
void StopSound(double channel);
// Stops every voice of every slot where it stands: unlike StopSound it does not rewind, so
// the next play of a stopped voice carries on from there.
void StopAllSounds();
// Clears last-error; the highest empty slot, or -1 with last-error 7 when none is empty.
std::int32_t FreeSoundSlot();

namespace audio {
// Frames the channel's voice has played since its start (0 for a bad channel). For checks.
std::size_t VoicePosition(std::int32_t channel);
}  // namespace audio

}  // namespace qvt
