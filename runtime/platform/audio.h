// The audio device and the music decoder (SDL2 and SDL2_mixer behind plain functions).
//
// The device always runs in one layout: signed 16-bit samples, two interleaved channels,
// at the rate asked for. Sound effects are mixed by the runtime itself into the stream
// the music decoder has already filled. Main thread only, except the mix function, which
// runs on the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qvt::platform {

// Adds the runtime's own voices to frames stereo frames of device samples (audio thread).
using AudioMixFn = void (*)(void* user, std::int16_t* samples, int frames);

// Starts the audio subsystem and opens the default output device at rate Hz; mix is called
// for every buffer the device takes. False, with everything closed again, when there is no
// device or it refuses the layout.
bool openAudio(int rate, AudioMixFn mix, void* user);
// Stops the mix calls, closes the device and the audio subsystem (nothing when not open).
void closeAudio();
// True between a successful openAudio and closeAudio.
bool audioOpen();

// Layout of little-endian PCM: 8 bits unsigned, 16 or 32 bits signed; 1 or 2 channels.
struct PcmLayout {
    int bits = 16;
    int channels = 2;
    int rate = 22050;  // Hz
};

// Largest converted sound in bytes, the same bound as the largest media pack entry.
inline constexpr std::size_t kMaxConvertedBytes = std::size_t{512} << 20;

// Converts whole frames of PCM to the device layout (stereo at the device rate) in out.
// False when the device is not open, the converter refuses the layout, or the conversion
// could take more than kMaxConvertedBytes.
bool convertToDevice(const PcmLayout& from, std::span<const std::uint8_t> bytes,
                     std::vector<std::int16_t>& out);

// ---- Music -------------------------------------------------------------------------------

// One decoded tune (opaque).
struct Tune;

// Opens a tune file (mp3, ogg, wav ...); null when the device is closed or the file cannot
// be decoded.
Tune* openTuneFile(const char* path);
// Opens a tune held in memory; the bytes must stay alive until closeTune.
Tune* openTuneMemory(std::span<const std::uint8_t> bytes);
// Halts the tune if it is the one playing and frees it (null is ignored).
void closeTune(Tune* tune);
// Length in milliseconds, or a negative value when the decoder cannot tell.
double tuneLengthMs(Tune* tune);
// Plays the tune once from its start (replacing any tune that plays); false when refused.
bool playTune(Tune* tune);
// Halts the playing tune.
void haltTune();
// True while a tune is playing, paused ones included, and has not reached its end.
bool tuneActive();
// Pauses or resumes the playing tune.
void pauseTune(bool pause);
// The music level of the device, 0..1000 (1000 full); applies to the current and later tunes.
void setTuneVolume(int level);
// The level in the decoder's own steps, 0..128 (for checks).
int tuneDeviceVolume();

}  // namespace qvt::platform
