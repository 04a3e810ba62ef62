#include "audio/sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/wav.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "files/filesystem.h"
#include "files/memfile.h"
#include "files/resolver.h"
#include "platform/audio.h"
#include "platform/fs.h"

namespace qvt {

namespace {

constexpr std::int32_t kChannelsPerSlot = 256;

struct SoundSlot {
    std::int32_t voices = 0;  // 0: empty
    std::int32_t next = 0;    // the voice a play tries first
};

struct SoundState {
    std::unique_ptr<VoiceMixer> mixer;  // exists while the device is open
    std::array<SoundSlot, kSoundSlotCount> slots{};
};

SoundState sound;

void mixVoices(void* user, std::int16_t* samples, int frames) {
    static_cast<VoiceMixer*>(user)->mix(samples, frames);
}

// The slot an id names after truncation, or -1 (negative, NaN, 4096 or more).
std::int32_t slotOf(double id) {
    if (!(id > -1.0 && id < kSoundSlotCount)) return -1;
    return static_cast<std::int32_t>(id);
}

std::size_t voiceIndex(std::int32_t slot, std::int32_t voice) {
    return static_cast<std::size_t>(slot) * kMaxSoundVoices + static_cast<std::size_t>(voice);
}

void releaseSlot(std::int32_t slot) {
    SoundSlot& s = sound.slots[static_cast<std::size_t>(slot)];
    if (sound.mixer != nullptr) {
        for (std::int32_t v = 0; v < s.voices; ++v) sound.mixer->setSamples(voiceIndex(slot, v), nullptr);
    }
    s = SoundSlot{};
}

bool readDiskFile(const RuntimeString& path, std::vector<std::uint8_t>& bytes) {
    const int fd = platform::openFile(osPath(path).c_str(), platform::FileAccess::Read);
    if (fd < 0) return false;
    const platform::FileInfo info = platform::statFile(fd);
    bool ok = info.kind == platform::PathKind::File && info.size > 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(info.size));
        ok = platform::readFile(fd, bytes.data(), bytes.size()) == info.size;
    }
    platform::closeFile(fd);
    return ok;
}

SampleBlock decodeWav(std::span<const std::uint8_t> file) {
    WavInfo wav;
    if (!ParseWav(file, wav)) return nullptr;
    std::span<const std::uint8_t> data = file.subspan(wav.dataOffset, wav.dataSize);
    std::vector<std::uint8_t> wide;
    platform::PcmLayout layout{wav.bits, wav.channels, static_cast<int>(std::min<std::uint32_t>(wav.rate, INT32_MAX))};
    if (wav.bits == 24) {
        wide = WidenPcm24(data);
        data = wide;
        layout.bits = 32;
    }
    auto pcm = std::make_shared<std::vector<std::int16_t>>();
    if (!platform::convertToDevice(layout, data, *pcm) || pcm->size() < 2) return nullptr;
    return pcm;
}

// The sound a resolved name holds, in the device layout; null when it cannot be had.
SampleBlock loadWav(const RuntimeString& path) {
    try {
        if (IsMemoryFileName(path.view())) {
            const MemoryBytes bytes = FindMemoryFile(path.view());
            return bytes != nullptr ? decodeWav(*bytes) : nullptr;
        }
        std::vector<std::uint8_t> bytes;
        return readDiskFile(path, bytes) ? decodeWav(bytes) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;  // a file too large to hold is a file that cannot be loaded
    }
}

std::int32_t voiceCountOf(double voices) {
    if (std::isnan(voices)) return 1;
    return static_cast<std::int32_t>(std::clamp(voices, 1.0, static_cast<double>(kMaxSoundVoices)));
}

// Splits a channel id; false when it is negative, NaN or beyond the slots.
bool splitChannel(double channel, std::int32_t& slot, std::int32_t& voice) {
    if (!(channel > -1.0 && channel < static_cast<double>(kSoundSlotCount) * kChannelsPerSlot)) return false;
    const auto c = static_cast<std::int32_t>(channel);
    slot = c / kChannelsPerSlot;
    voice = c % kChannelsPerSlot;
    return true;
}

// The voice a play uses, or -1 when a single voice is still busy.
std::int32_t chooseVoice(std::int32_t slot) {
    SoundSlot& s = sound.slots[static_cast<std::size_t>(slot)];
    if (!sound.mixer->playing(voiceIndex(slot, s.next))) return s.next;
    if (s.voices == 1) return -1;
    s.next = (s.next + 1) % s.voices;
    sound.mixer->stop(voiceIndex(slot, s.next), true);
    return s.next;
}

}  // namespace

void InitSound() {
    RegisterShutdownStep(ShutdownStep::Music, ShutdownMusic);
    RegisterShutdownStep(ShutdownStep::Sound, ShutdownSound);
    if (sound.mixer != nullptr) return;
    sound.slots.fill(SoundSlot{});
    sound.mixer = std::make_unique<VoiceMixer>(static_cast<std::size_t>(kSoundSlotCount) * kMaxSoundVoices);
    if (!platform::openAudio(kSoundOutputRate, mixVoices, sound.mixer.get())) sound.mixer.reset();
}

void ShutdownSound() {
    if (sound.mixer != nullptr) sound.mixer->stopAll();
    for (std::int32_t slot = kSoundSlotCount - 1; slot >= 0; --slot) releaseSlot(slot);
    // The tune belongs to the device's decoder and must go before it.
    ShutdownMusic();
    platform::closeAudio();
    sound.mixer.reset();
}

bool SoundDeviceOpen() { return sound.mixer != nullptr; }

void LoadSound(const RuntimeString& name, double id, double voices) {
    ClearLastError();
    const std::int32_t slot = slotOf(id);
    if (slot < 0) {
        SetLastError(kErrOutOfMemory);
        return;
    }
    RuntimeString path;
    ResolveMediaFile(kMediaResolver, name, path, true);  // not found: the name as it is
    releaseSlot(slot);
    SampleBlock samples = sound.mixer != nullptr ? loadWav(path) : nullptr;
    if (samples == nullptr) {
        SetLastError(kErrNoSuchFile);
        return;
    }
    SoundSlot& s = sound.slots[static_cast<std::size_t>(slot)];
    s.voices = voiceCountOf(voices);
    for (std::int32_t v = 0; v < s.voices; ++v) sound.mixer->setSamples(voiceIndex(slot, v), samples);
    ClearLastError();  // a success leaves no code behind, whatever the lookup set on the way
}

std::int32_t PlaySound(double id, double pan, double volume) {
    const std::int32_t slot = slotOf(id);
    if (slot < 0) {
        SetLastError(kErrOutOfMemory);
        return -1;
    }
    if (sound.mixer == nullptr || sound.slots[static_cast<std::size_t>(slot)].voices == 0) return -1;
    const std::int32_t voice = chooseVoice(slot);
    if (voice < 0) return -1;
    const VoiceGains gains = GainsFor(VolumeToHundredths(volume), PanToDevice(pan));
    if (!sound.mixer->start(voiceIndex(slot, voice), gains)) return -1;
    return slot * kChannelsPerSlot + voice;
}

std::int32_t SoundPlaying(double channel) {
    std::int32_t slot = 0, voice = 0;
    if (sound.mixer == nullptr || !splitChannel(channel, slot, voice)) return 0;
    if (voice >= sound.slots[static_cast<std::size_t>(slot)].voices) return 0;
    return sound.mixer->playing(voiceIndex(slot, voice)) ? 1 : 0;
}

void StopSound(double channel) {
    std::int32_t slot = 0, voice = 0;
    if (sound.mixer == nullptr || !splitChannel(channel, slot, voice)) return;
    const std::int32_t voices = sound.slots[static_cast<std::size_t>(slot)].voices;
    if (voice < voices) {
        sound.mixer->stop(voiceIndex(slot, voice), true);
        return;
    }
    for (std::int32_t v = 0; v < voices; ++v) sound.mixer->stop(voiceIndex(slot, v), true);
}

void StopAllSounds() {
    if (sound.mixer != nullptr) sound.mixer->stopAll();
}

std::int32_t FreeSoundSlot() {
    ClearLastError();
    for (std::int32_t slot = kSoundSlotCount - 1; slot >= 0; --slot) {
        if (sound.slots[static_cast<std::size_t>(slot)].voices == 0) return slot;
    }
    SetLastError(kErrOutOfMemory);
    return -1;
}

namespace audio {

std::size_t VoicePosition(std::int32_t channel) {
    std::int32_t slot = 0, voice = 0;
    if (sound.mixer == nullptr || !splitChannel(channel, slot, voice) || voice >= kMaxSoundVoices) return 0;
    return sound.mixer->position(voiceIndex(slot, voice));
}

}  // namespace audio

}  // namespace qvt
