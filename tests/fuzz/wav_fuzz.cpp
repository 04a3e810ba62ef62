// The WAV reader on arbitrary bytes: whatever it accepts must lie inside the input and
// describe whole frames of a layout the loader can convert. Every input then goes through
// LoadSound from memory on the dummy audio driver, so the conversion to the device layout
// runs on whatever the reader let through.
#include "fuzz.h"
#include "audio/sound.h"
#include "audio/wav.h"
#include "core/errors.h"
#include "files/memfile.h"

namespace {

bool soundReady() {
    static const bool ready = [] {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        qvt::InitSound();
        return qvt::SoundDeviceOpen();
    }();
    return ready;
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (!soundReady()) std::abort();
    const std::span<const std::uint8_t> file(data, size);
    qvt::WavInfo info;
    const bool parsed = qvt::ParseWav(file, info);
    if (!parsed && (info.dataSize != 0 || info.channels != 0)) std::abort();
    if (parsed) {
        const std::size_t frame = static_cast<std::size_t>(info.channels) * static_cast<std::size_t>(info.bits / 8);
        if (info.channels < 1 || info.channels > 2) std::abort();
        if (info.rate < qvt::kMinWavRate || info.rate > qvt::kMaxWavRate) std::abort();
        if (frame == 0 || info.dataSize == 0 || info.dataSize % frame != 0) std::abort();
        if (info.dataOffset > size || info.dataSize > size - info.dataOffset) std::abort();
    }
    const qvt::MemoryFile memory(std::vector<std::uint8_t>(data, data + size));
    qvt::LoadSound(memory.name(), 0, 1);
    const bool loaded = qvt::LastErrorCode() == qvt::kErrSuccess;
    if (loaded && !parsed) std::abort();
    if (loaded) qvt::StopSound(qvt::PlaySound(0, 0, 1));
}
