#include "audio/music.h"

#include <algorithm>
#include <cmath>

#include "core/clock.h"
#include "core/errors.h"
#include "files/filesystem.h"
#include "files/memfile.h"
#include "files/resolver.h"
#include "platform/audio.h"

namespace qvt {

namespace {

constexpr int kFullVolumeLevel = 1000;

struct MusicState {
    bool open = false;               // a tune is set up, heard or not
    platform::Tune* tune = nullptr;  // null when nothing could decode the file
    MemoryBytes memory;              // a memory-file tune's bytes, held while it plays
    double repeatAt = 0.0;           // clock ms of the next restart; 0: not looping
    double volume = -1.0;            // last volume asked for; -1: none since the last stop
    bool paused = false;
    double pausedLeft = 0.0;         // ms that were left before the restart when paused
};

MusicState music;
void (*tuneStartedHook)() = nullptr;

double tuneLength() {
    const double ms = platform::tuneLengthMs(music.tune);
    return ms >= kMinTuneLengthMs ? ms : kMinTuneLengthMs;  // also when the decoder cannot tell
}

void openTune(const RuntimeString& path) {
    if (IsMemoryFileName(path.view())) {
        music.memory = FindMemoryFile(path.view());
        if (music.memory != nullptr) music.tune = platform::openTuneMemory(*music.memory);
    } else {
        music.tune = platform::openTuneFile(osPath(path).c_str());
    }
    music.open = true;
}

int volumeLevel(double volume) {
    if (std::isnan(volume)) return 0;
    return static_cast<int>(std::clamp(volume, 0.0, 1.0) * kFullVolumeLevel);
}

}  // namespace

void PlayMusic(const RuntimeString& name, double loop) {
    ClearLastError();
    StopMusic();
    RuntimeString path;
    // A tune has to outlive the next lookup, so it comes as a file, not as a memory file.
    if (!ResolveMediaFile(kRuntimeResolver, name, path, false)) {
        SetLastError(kErrNoSuchFile);
        return;
    }
    openTune(path);
    // A clock reading of 0 plus the floor keeps a looping tune's time above 0.
    music.repeatAt = loop != 0.0 ? ClockMs() + tuneLength() : 0.0;
    platform::playTune(music.tune);
    platform::setTuneVolume(kFullVolumeLevel);
    music.volume = 1.0;
    if (tuneStartedHook != nullptr) tuneStartedHook();
}

void SetTuneStartedHook(void (*hook)()) { tuneStartedHook = hook; }

void StopMusic() {
    music.volume = -1.0;
    music.repeatAt = 0.0;
    music.paused = false;
    if (!music.open) return;
    platform::closeTune(music.tune);  // halts it first
    music.tune = nullptr;
    music.memory = nullptr;
    music.open = false;
}

void MusicVolume(double volume) {
    if (volume == music.volume) return;
    music.volume = volume;
    if (music.open) platform::setTuneVolume(volumeLevel(volume));
}

std::int32_t MusicPlaying() {
    if (!music.open) return 0;
    if (music.repeatAt > 0.0) return 1;
    return platform::tuneActive() ? 1 : 0;
}

void PauseMusic(double flag) {
    const bool pause = flag != 0.0;
    if (!music.open || pause == music.paused) return;
    music.paused = pause;
    const bool looping = music.repeatAt > 0.0;
    if (pause) {
        if (looping) music.pausedLeft = std::max(0.0, music.repeatAt - ClockMs());
    } else if (looping) {
        // Kept above 0 so a clock reading of 0 cannot turn the tune into a one-shot.
        music.repeatAt = std::max(ClockMs() + music.pausedLeft, 1e-3);
    }
    platform::pauseTune(pause);
}

void MusicRepeatStep() {
    if (!music.open || music.paused || music.repeatAt <= 0.0) return;
    const double now = ClockMs();
    if (now < music.repeatAt) return;
    music.repeatAt = now + tuneLength();
    platform::playTune(music.tune);
}

void ShutdownMusic() { StopMusic(); }

}  // namespace qvt
