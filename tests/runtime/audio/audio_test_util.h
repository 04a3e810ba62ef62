// WAV files built in memory, the SDL audio driver choice, and waiting
// on the real audio thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>

#include "audio/sound.h"
#include "core/strings.h"
#include "files/resolver.h"
#include "support/files.h"

namespace qvt::test {

// A RIFF/WAVE file of the given chunks (id, body); odd bodies get their pad byte.
inline Bytes riffWave(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const auto& [id, data] : chunks) {
        body.insert(body.end(), id.begin(), id.end());
        append32(body, static_cast<std::uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        if (data.size() % 2 != 0) body.push_back(0);
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    append32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The 16 bytes of a "fmt " chunk.
inline Bytes fmtChunk(int tag, int channels, int rate, int bits) {
    Bytes f;
    append16(f, tag);
    append16(f, channels);
    append32(f, rate);
    append32(f, rate * channels * bits / 8);
    append16(f, channels * bits / 8);
    append16(f, bits);
    return f;
}

// Samples (0..255 for 8 bits, signed otherwise) as little-endian PCM bytes.
inline Bytes pcmBytes(int bits, const std::vector<std::int32_t>& samples) {
    Bytes out;
    for (std::int32_t s : samples) {
        for (int i = 0; i < bits / 8; ++i) out.push_back(static_cast<std::uint8_t>(s >> (8 * i)));
    }
    return out;
}

inline Bytes wavFile(int channels, int rate, int bits, const std::vector<std::int32_t>& samples) {
    return riffWave({{"fmt ", fmtChunk(1, channels, rate, bits)}, {"data", pcmBytes(bits, samples)}});
}

// A 16-bit stereo WAV of ms milliseconds at a constant quiet level.
inline Bytes toneWav(int ms, int rate = 22050) {
    const auto frames = static_cast<std::size_t>(rate * ms / 1000);
    return wavFile(2, rate, 16, std::vector<std::int32_t>(2 * frames, 3000));
}

inline RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }

// Polls done() on real time (the audio thread runs on it) until true or timeoutMs passed.
template <typename Pred>
bool waitFor(Pred done, int timeoutMs = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
inline void sleepRealMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The sound device opened on driver (none: the test opens it) and files in a scratch folder.
class AudioTest : public testing::Test {
protected:
    void SetUp() override {
        SetMediaPacks("", "");
        if (driver != nullptr) open(driver);
    }
    void TearDown() override {
        ShutdownSound();
        ReleaseMediaResolvers();
    }
    void open(const char* name) {
        ScopedEnv env("SDL_AUDIODRIVER", name);
        InitSound();
        EXPECT_TRUE(driver == nullptr || SoundDeviceOpen()) << name;
    }
    RuntimeString file(const std::string& name, const Bytes& bytes) {
        writeBytes(dir / name, bytes);
        return rs(dir / name);
    }
    const char* driver = "dummy";
    ScratchFolder dir;
};

}  // namespace qvt::test
