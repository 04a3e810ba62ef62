#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>

namespace qvt::platform {

namespace {

// Device buffer in frames: about 23 ms at 44.1 kHz, short enough for effects to feel
// immediate, long enough not to underrun on a busy machine.
constexpr int kBufferFrames = 1024;
constexpr int kDeviceChannels = 2;
constexpr int kBytesPerFrame = kDeviceChannels * 2;

struct AudioState {
    bool open = false;
    int rate = 0;
    AudioMixFn mix = nullptr;
    void* user = nullptr;
};

AudioState audio;

void SDLCALL postMix(void*, Uint8* stream, int len) {
    if (audio.mix != nullptr) audio.mix(audio.user, reinterpret_cast<std::int16_t*>(stream), len / kBytesPerFrame);
}

SDL_AudioFormat sdlFormat(int bits) {
    switch (bits) {
        case 8: return AUDIO_U8;
        case 16: return AUDIO_S16LSB;
        case 32: return AUDIO_S32LSB;
        default: return 0;
    }
}

}  // namespace

bool openAudio(int rate, AudioMixFn mix, void* user) {
    if (audio.open) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    // The mp3 and ogg decoders up front; one that is missing only leaves its tunes silent.
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG);
    // No changes allowed: SDL converts for a device that wants another layout, so the mixer
    // below always sees 16-bit stereo at our rate.
    if (Mix_OpenAudioDevice(rate, AUDIO_S16SYS, kDeviceChannels, kBufferFrames, nullptr, 0) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audio.open = true;
    audio.rate = rate;
    audio.mix = mix;
    audio.user = user;
    Mix_SetPostMix(postMix, nullptr);
    return true;
}

void closeAudio() {
    if (!audio.open) return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltMusic();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio = AudioState{};
}

bool audioOpen() { return audio.open; }

bool convertToDevice(const PcmLayout& from, std::span<const std::uint8_t> bytes,
                     std::vector<std::int16_t>& out) {
    out.clear();
    const SDL_AudioFormat format = sdlFormat(from.bits);
    if (!audio.open || format == 0 || from.channels < 1 || from.channels > 2 || from.rate <= 0) return false;
    // One conversion of the whole sound: an SDL 2.26 audio stream that resamples loses the
    // last 1024 frames of a sound on flush (a 0.3 s effect came out 23 ms short).
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, format, static_cast<Uint8>(from.channels), from.rate, AUDIO_S16SYS, kDeviceChannels,
                          audio.rate) < 0) {
        return false;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(from.bits / 8 * from.channels);
    const std::size_t inBytes = bytes.size() / frameBytes * frameBytes;
    const auto mult = static_cast<std::size_t>(cvt.len_mult);
    // The room the converter asks for bounds what the sound takes in memory.
    if (inBytes == 0 || inBytes > static_cast<std::size_t>(INT32_MAX) / mult ||
        inBytes > kMaxConvertedBytes / mult) {
        return false;
    }
    // Whole 16-bit stereo frames of room, whatever len_mult says.
    std::vector<std::int16_t> buffer((inBytes * mult + kBytesPerFrame) / sizeof(std::int16_t));
    std::memcpy(buffer.data(), bytes.data(), inBytes);
    cvt.buf = reinterpret_cast<Uint8*>(buffer.data());
    cvt.len = static_cast<int>(inBytes);
    if (cvt.needed != 0 && SDL_ConvertAudio(&cvt) != 0) return false;
    const std::size_t outBytes = cvt.needed != 0 ? static_cast<std::size_t>(cvt.len_cvt) : inBytes;
    buffer.resize(outBytes / kBytesPerFrame * kDeviceChannels);
    out = std::move(buffer);
    return !out.empty();
}

// ---- Music -------------------------------------------------------------------------------

struct Tune {
    Mix_Music* music;
};

Tune* openTuneFile(const char* path) {
    if (!audio.open) return nullptr;
    Mix_Music* music = Mix_LoadMUS(path);
    return music != nullptr ? new Tune{music} : nullptr;
}

Tune* openTuneMemory(std::span<const std::uint8_t> bytes) {
    if (!audio.open || bytes.size() > static_cast<std::size_t>(INT32_MAX)) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (rw == nullptr) return nullptr;
    Mix_Music* music = Mix_LoadMUS_RW(rw, 1);
    return music != nullptr ? new Tune{music} : nullptr;
}

void closeTune(Tune* tune) {
    if (tune == nullptr) return;
    Mix_FreeMusic(tune->music);
    delete tune;
}

double tuneLengthMs(Tune* tune) {
    if (tune == nullptr) return -1.0;
    const double seconds = Mix_MusicDuration(tune->music);
    return seconds < 0.0 ? -1.0 : seconds * 1000.0;
}

bool playTune(Tune* tune) { return tune != nullptr && audio.open && Mix_PlayMusic(tune->music, 0) == 0; }

void haltTune() {
    if (audio.open) Mix_HaltMusic();
}

bool tuneActive() { return audio.open && Mix_PlayingMusic() != 0; }

void pauseTune(bool pause) {
    if (!audio.open) return;
    if (pause) {
        Mix_PauseMusic();
    } else {
        Mix_ResumeMusic();
    }
}

void setTuneVolume(int level) {
    if (!audio.open) return;
    level = std::clamp(level, 0, 1000);
    Mix_VolumeMusic((level * MIX_MAX_VOLUME + 500) / 1000);
}

int tuneDeviceVolume() { return audio.open ? Mix_VolumeMusic(-1) : 0; }

}  // namespace qvt::platform
