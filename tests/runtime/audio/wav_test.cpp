// The WAV reader on bytes: the layouts it takes, the chunk walk, and files that are
// truncated, foreign or lie about their sizes.
#include "audio/wav.h"

#include <gtest/gtest.h>

#include "audio_test_util.h"

namespace qvt {
namespace {

using test::Bytes;
using test::fmtChunk;
using test::pcmBytes;
using test::putLe;
using test::riffWave;
using test::wavFile;

bool parses(const Bytes& file, WavInfo& info) { return ParseWav(file, info); }
bool parses(const Bytes& file) {
    WavInfo info;
    return ParseWav(file, info);
}

TEST(WavReader, ReadsThePlainLayouts) {
    struct Case {
        int channels, rate, bits;
    };
    for (Case c : {Case{1, 22050, 16}, Case{2, 44100, 16}, Case{1, 8000, 8}, Case{2, 48000, 24}, Case{2, 96000, 32}}) {
        const std::vector<std::int32_t> samples(10 * c.channels, c.bits == 8 ? 128 : -5);
        const Bytes file = wavFile(c.channels, c.rate, c.bits, samples);
        WavInfo info;
        ASSERT_TRUE(parses(file, info)) << c.channels << " ch " << c.bits << " bits";
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.rate, static_cast<std::uint32_t>(c.rate));
        EXPECT_EQ(info.bits, c.bits);
        EXPECT_EQ(info.dataOffset, 44u) << "RIFF header, fmt chunk of 16, data header";
        EXPECT_EQ(info.dataSize, static_cast<std::size_t>(10 * c.channels * c.bits / 8));
    }
}

TEST(WavReader, WalksPastOtherChunksWithTheirPadBytes) {
    const Bytes data = pcmBytes(16, {1, 2, 3, 4});
    const Bytes file = riffWave({{"JUNK", Bytes(3, 0xEE)},  // odd: one pad byte follows
                                 {"fmt ", fmtChunk(1, 1, 11025, 16)},
                                 {"LIST", Bytes(7, 'x')},
                                 {"data", data}});
    WavInfo info;
    ASSERT_TRUE(parses(file, info));
    EXPECT_EQ(info.dataSize, data.size());
    EXPECT_EQ(Bytes(file.begin() + static_cast<long>(info.dataOffset), file.begin() + static_cast<long>(info.dataOffset + info.dataSize)), data);
}

TEST(WavReader, TakesALongerFmtChunkAndExtensiblePcm) {
    Bytes longFmt = fmtChunk(1, 2, 22050, 16);
    longFmt.insert(longFmt.end(), {0, 0});  // cbSize 0, as many writers add
    EXPECT_TRUE(parses(riffWave({{"fmt ", longFmt}, {"data", pcmBytes(16, {1, 2})}})));

    Bytes ext = fmtChunk(0xFFFE, 2, 44100, 16);
    putLe(ext, 22, 2);     // extension size
    putLe(ext, 16, 2);     // valid bits
    putLe(ext, 3, 4);      // channel mask
    putLe(ext, 1, 2);      // sub-format: PCM ...
    ext.resize(40, 0x11);  // ... and the rest of its GUID
    EXPECT_TRUE(parses(riffWave({{"fmt ", ext}, {"data", pcmBytes(16, {1, 2})}})));
    ext[24] = 3;  // IEEE float
    EXPECT_FALSE(parses(riffWave({{"fmt ", ext}, {"data", pcmBytes(16, {1, 2})}})));
}

TEST(WavReader, RefusesWhatItCannotPlayAsItIs) {
    const Bytes data = pcmBytes(16, {1, 2, 3, 4, 5, 6});
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(3, 1, 22050, 32)}, {"data", data}}))) << "float";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(2, 1, 22050, 4)}, {"data", data}}))) << "ADPCM";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 0, 22050, 16)}, {"data", data}}))) << "no channel";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 3, 22050, 16)}, {"data", data}})))
        << "three channels would be misread as two";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 1, 0, 16)}, {"data", data}}))) << "rate 0";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 1, 22050, 12)}, {"data", data}}))) << "12 bits";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 1, 22050, 0)}, {"data", data}}))) << "0 bits";
}

TEST(WavReader, NeedsFmtBeforeData) {
    const Bytes data = pcmBytes(16, {1, 2});
    EXPECT_FALSE(parses(riffWave({{"data", data}, {"fmt ", fmtChunk(1, 1, 22050, 16)}})));
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 1, 22050, 16)}}))) << "no data";
    EXPECT_FALSE(parses(riffWave({{"data", data}}))) << "no fmt";
    Bytes shortFmt = fmtChunk(1, 1, 22050, 16);
    shortFmt.resize(14);
    EXPECT_FALSE(parses(riffWave({{"fmt ", shortFmt}, {"data", data}}))) << "fmt under 16 bytes";
}

TEST(WavReader, RefusesForeignFiles) {
    Bytes file = wavFile(1, 22050, 16, {1, 2, 3});
    EXPECT_FALSE(parses(Bytes{}));
    Bytes rifx = file;
    rifx[3] = 'X';
    EXPECT_FALSE(parses(rifx)) << "big-endian RIFX";
    Bytes avi = file;
    std::copy_n("AVI ", 4, avi.begin() + 8);
    EXPECT_FALSE(parses(avi));
    const std::string text = "just some text, not a sound at all";
    EXPECT_FALSE(parses(Bytes(text.begin(), text.end())));
}

TEST(WavReader, EveryTruncationFails) {
    const Bytes file = wavFile(2, 22050, 16, test::sine(200, 2, 1000, 440, 22050));
    ASSERT_TRUE(parses(file));
    for (std::size_t n = 0; n < file.size(); ++n) {
        const Bytes cut(file.begin(), file.begin() + static_cast<long>(n));
        EXPECT_FALSE(parses(cut)) << "cut to " << n << " of " << file.size() << " bytes";
    }
}

TEST(WavReader, SizesAreCheckedAgainstTheBytesThere) {
    Bytes file = wavFile(1, 22050, 16, {1, 2, 3, 4});
    // data size 0xFFFFFFF0: an unchecked reader would copy far past the end.
    file[40] = 0xF0;
    file[41] = file[42] = file[43] = 0xFF;
    EXPECT_FALSE(parses(file));

    Bytes hugeChunk = riffWave({{"JUNK", {}}, {"fmt ", fmtChunk(1, 1, 22050, 16)}, {"data", pcmBytes(16, {1})}});
    hugeChunk[16] = hugeChunk[17] = hugeChunk[18] = hugeChunk[19] = 0xFF;  // JUNK's size
    EXPECT_FALSE(parses(hugeChunk)) << "a skipped chunk may not jump past the end either";

    Bytes wrongRiffSize = wavFile(1, 22050, 16, {1, 2});
    wrongRiffSize[4] = wrongRiffSize[5] = wrongRiffSize[6] = wrongRiffSize[7] = 0;
    EXPECT_TRUE(parses(wrongRiffSize)) << "the RIFF size is commonly wrong and not needed";
}

TEST(WavReader, KeepsWholeFramesOnly) {
    // Stereo 16-bit frames are 4 bytes; a data chunk of 7 holds one whole frame.
    WavInfo info;
    ASSERT_TRUE(parses(riffWave({{"fmt ", fmtChunk(1, 2, 22050, 16)}, {"data", Bytes(7, 1)}}), info));
    EXPECT_EQ(info.dataSize, 4u);
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 2, 22050, 16)}, {"data", Bytes(3, 1)}})))
        << "no whole frame";
    EXPECT_FALSE(parses(riffWave({{"fmt ", fmtChunk(1, 2, 22050, 16)}, {"data", {}}})));
}

TEST(WavReader, Widens24BitSamplesKeepingTheirValue) {
    const Bytes in = pcmBytes(24, {0x123456, -2, 0x7FFFFF});
    const Bytes wide = WidenPcm24(in);
    ASSERT_EQ(wide.size(), 12u);
    auto at = [&](int i) {
        return static_cast<std::int32_t>(wide[i * 4] | wide[i * 4 + 1] << 8 | wide[i * 4 + 2] << 16 |
                                         static_cast<std::uint32_t>(wide[i * 4 + 3]) << 24);
    };
    EXPECT_EQ(at(0), 0x12345600);
    EXPECT_EQ(at(1), -2 * 256);
    EXPECT_EQ(at(2), 0x7FFFFF00);
}

}  // namespace
}  // namespace qvt
