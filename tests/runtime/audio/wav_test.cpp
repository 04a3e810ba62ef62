// The WAV reader on bytes: the layouts it takes, the chunk walk, and files that are
// truncated, foreign or lie about their sizes.
#include "audio/wav.h"

#include <gtest/gtest.h>

#include "audio_test_util.h"

namespace qvt {
namespace {

using test::Bytes;
using test::fmtChunk;
using test::riffWave;

bool parses(const Bytes& file) {
    WavInfo info;
    return ParseWav(file, info);
}
const Bytes kData = test::pcmBytes(16, {1, 2, 3, 4});

TEST(WavReader, ReadsThePlainLayoutsAndWalksPastOtherChunks) {
    const std::tuple<int, int, int> layouts[] = {
        {1, 1000, 8}, {2, 384000, 16}, {2, 48000, 24}, {1, 96000, 32}};
    for (auto [channels, rate, bits] : layouts) {
        WavInfo info;
        ASSERT_TRUE(ParseWav(test::wavFile(channels, rate, bits, std::vector<std::int32_t>(10 * channels, 100)), info)) << bits;
        EXPECT_EQ(std::tuple(info.channels, info.rate, info.bits), std::tuple(channels, std::uint32_t(rate), bits));
        EXPECT_EQ(info.dataOffset, 44u) << "RIFF header, fmt chunk of 16, data header";
        EXPECT_EQ(info.dataSize, static_cast<std::size_t>(10 * channels * bits / 8));
    }
    const Bytes file = riffWave({{"JUNK", Bytes(3, 0xEE)}, {"fmt ", fmtChunk(1, 1, 11025, 16)}, {"LIST", Bytes(7, 'x')}, {"data", kData}});
    WavInfo info;
    ASSERT_TRUE(ParseWav(file, info)) << "odd chunks are followed by a pad byte";
    EXPECT_EQ(Bytes(file.begin() + long(info.dataOffset), file.begin() + long(info.dataOffset + info.dataSize)), kData);
    ASSERT_TRUE(ParseWav(riffWave({{"fmt ", fmtChunk(1, 2, 22050, 16)}, {"data", Bytes(7, 1)}}), info));
    EXPECT_EQ(info.dataSize, 4u) << "whole frames only";
}

// A 40-byte "fmt " chunk: longer than the plain one and walked past by its size.
TEST(WavReader, TakesExtensibleFormatOnlyWithPcmSamples) {
    Bytes ext = fmtChunk(0xFFFE, 2, 44100, 16);
    for (std::uint32_t v : {22u, 16u}) test::append16(ext, v);  // extension size, valid bits
    test::append32(ext, 3);                                     // channel mask
    test::append16(ext, 1);                                     // sub-format: PCM ...
    ext.resize(40, 0x11);                                       // ... and the rest of its GUID
    EXPECT_TRUE(parses(riffWave({{"fmt ", ext}, {"data", kData}})));
    ext[24] = 3;  // IEEE float
    EXPECT_FALSE(parses(riffWave({{"fmt ", ext}, {"data", kData}})));
}

TEST(WavReader, RefusesWhatItCannotPlayAsItIs) {
    Bytes shortFmt = fmtChunk(1, 1, 22050, 16);
    shortFmt.resize(14);
    Bytes rifx = test::wavFile(1, 22050, 16, {1, 2});
    rifx[3] = 'X';
    const std::pair<const char*, Bytes> cases[] = {
        {"float", riffWave({{"fmt ", fmtChunk(3, 1, 22050, 32)}, {"data", kData}})},
        {"no channel", riffWave({{"fmt ", fmtChunk(1, 0, 22050, 16)}, {"data", kData}})},
        {"three channels", riffWave({{"fmt ", fmtChunk(1, 3, 22050, 16)}, {"data", Bytes(12, 0)}})},
        {"rate 999", riffWave({{"fmt ", fmtChunk(1, 1, 999, 16)}, {"data", kData}})},
        {"rate 384001", riffWave({{"fmt ", fmtChunk(1, 1, 384001, 16)}, {"data", kData}})},
        {"0 bits", riffWave({{"fmt ", fmtChunk(1, 1, 22050, 0)}, {"data", kData}})},
        {"data before fmt", riffWave({{"data", kData}, {"fmt ", fmtChunk(1, 1, 22050, 16)}})},
        {"no data", riffWave({{"fmt ", fmtChunk(1, 1, 22050, 16)}})},
        {"fmt under 16 bytes", riffWave({{"fmt ", shortFmt}, {"data", kData}})},
        {"no whole frame", riffWave({{"fmt ", fmtChunk(1, 2, 22050, 16)}, {"data", Bytes(3, 1)}})},
        {"RIFX", rifx},
    };
    for (const auto& [what, file] : cases) EXPECT_FALSE(parses(file)) << what;
    Bytes wrongRiffSize = test::wavFile(1, 22050, 16, {1, 2});
    test::put32(wrongRiffSize, 4, 0);
    EXPECT_TRUE(parses(wrongRiffSize)) << "the RIFF size is commonly wrong and not needed";
    const Bytes file = test::wavFile(2, 22050, 16, std::vector<std::int32_t>(400, 1000));
    for (std::size_t n = 0; n < file.size(); ++n) EXPECT_FALSE(parses(Bytes(file.begin(), file.begin() + long(n)))) << "cut to " << n;
}

}  // namespace
}  // namespace qvt
