// The WAV reader on arbitrary bytes: whatever it accepts must lie inside the input at a rate
// the loader can convert. Every input then goes through LoadSound from memory on the dummy
// audio driver, so the conversion to the device layout runs on whatever the reader let through.
#include "fuzz.h"
#include "audio/sound.h"
#include "audio/wav.h"
#include "core/errors.h"
#include "files/memfile.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (::setenv("SDL_AUDIODRIVER", "dummy", 1), qvt::InitSound(), qvt::SoundDeviceOpen());
    if (!ready) std::abort();
    qvt::WavInfo info;
    const bool parsed = qvt::ParseWav(std::span(data, size), info);
    if (!parsed && (info.dataSize != 0 || info.channels != 0)) std::abort();
    if (parsed && (info.rate < qvt::kMinWavRate || info.rate > qvt::kMaxWavRate || info.dataOffset > size ||
                   info.dataSize > size - info.dataOffset)) {
        std::abort();
    }
    const qvt::MemoryFile memory(std::vector<std::uint8_t>(data, data + size));
    qvt::LoadSound(memory.name(), 0, 1);
    const bool loaded = qvt::LastErrorCode() == qvt::kErrSuccess;
    if (loaded && !parsed) std::abort();
    if (loaded) qvt::StopSound(qvt::PlaySound(0, 0, 1));
}
