// File channels: line and binary round trips on disk and in memory, the three open modes,
// positions and seeks, long lines, and the error stop (exit status 1) for bad channels,
// reads past the end and writes that cannot happen.
#include "files/channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "core/errors.h"
#include "files/memfile.h"
#include "files_helpers.h"

namespace qvt {
namespace {

using namespace test;
using testing::ExitedWithCode;

class ChannelTest : public testing::Test {
protected:
    void TearDown() override { CloseAllChannels(); }

    // Opens a file of the given bytes for reading on channel 0.
    void openReading(const std::string& bytes) {
        writeBytes(dir / "in.txt", bytes);
        ASSERT_EQ(OpenChannel(0, rs(dir / "in.txt"), 1), 1);
    }

    test::ScratchFolder dir;
};

TEST_F(ChannelTest, LinesSplitAtLineFeedsAndNumbersReadTheirPrefix) {
    openReading("x\r\ny\n\n3.5e2 apples\r\n  -42abc\n99999999999\nlast\r");
    EXPECT_EQ(str(ReadChannelLine(0)), "x");
    EXPECT_EQ(str(ReadChannelLine(0)), "y") << "a bare line feed ends a line too";
    EXPECT_EQ(str(ReadChannelLine(0)), "") << "an empty line is not the end of the file";
    EXPECT_DOUBLE_EQ(ReadChannelNumber(0), 350.0);
    EXPECT_EQ(ReadChannelInteger(0), -42);
    EXPECT_EQ(ReadChannelInteger(0), 2147483647) << "saturates instead of wrapping";
    EXPECT_EQ(str(ReadChannelLine(0)), "last\r") << "a last line without line feed comes whole";
}

// A long line loses nothing: each piece is at most 1023 bytes and the next read goes on
// exactly where the last piece ended (in memory, for any bytes: tests/fuzz/channel_line_fuzz).
TEST_F(ChannelTest, LongLinesArriveInPiecesWithoutLoss) {
    openReading(varied(1023, 8) + "\r\n" + varied(1023, 9) + "z\nnext\n");
    EXPECT_EQ(str(ReadChannelLine(0)), varied(1023, 8)) << "1023 bytes + CR LF is one line";
    EXPECT_EQ(str(ReadChannelLine(0)), varied(1023, 9)) << "1024 bytes: first piece";
    EXPECT_EQ(str(ReadChannelLine(0)), "z") << "1024 bytes: the byte left over";
    EXPECT_EQ(str(ReadChannelLine(0)), "next");
}

TEST_F(ChannelTest, LinesEndInCrLfWriteEmptiesAppendAddsAtTheEnd) {
    const std::string path = dir / "log.txt";
    writeBytes(path, "old contents that is longer");
    ASSERT_EQ(OpenChannel(3, rs(path), 0), 1);
    WriteChannelLine(3, "one");
    CloseChannel(3);
    ASSERT_EQ(OpenChannel(3, rs(path), -1), 1);
    WriteChannelLine(3, "two");
    CloseChannel(3);
    EXPECT_EQ(readText(path), "one\r\ntwo\r\n");
}

TEST_F(ChannelTest, FailedOpensReturnZeroWithTheirCode) {
    MemoryFile mem(test::Bytes{'h', 'i'});
    const std::tuple<std::int32_t, RuntimeString, std::int32_t, std::int32_t> cases[] = {
        {8, rs(dir / "a"), 0, kErrOutOfMemory}, {-1, rs(dir / "a"), 0, kErrOutOfMemory},
        {0, rs(dir / "missing.txt"), 1, kErrNoSuchFile}, {0, mem.name(), -1, kErrNoSuchFile}};
    for (const auto& [channel, path, mode, code] : cases) {
        EXPECT_EQ(OpenChannel(channel, path, mode), 0) << str(path) << " mode " << mode;
        EXPECT_EQ(LastErrorCode(), code) << str(path) << " mode " << mode;
    }
    ASSERT_EQ(OpenChannel(0, mem.name(), 1), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "a good open clears the code";
}

TEST_F(ChannelTest, BinaryValuesRoundTripLittleEndian) {
    const std::string path = dir / "bin";
    ASSERT_EQ(OpenChannel(4, rs(path), 0), 1);
    WriteChannelInt32(4, 0x01020304);
    WriteChannelInt8(4, -5);
    WriteChannelInt16(4, -300);
    WriteChannelUInt8(4, 200);
    WriteChannelUInt16(4, 65000);
    WriteChannelUInt32(4, -1.0);
    WriteChannelDouble(4, M_PI);
    WriteChannelFloat(4, 1.5);
    EXPECT_EQ(readText(path).substr(0, 4), "\x04\x03\x02\x01");
    SeekChannel(4, 0, 0);
    EXPECT_EQ(ReadChannelInt32(4), 0x01020304);
    EXPECT_EQ(ReadChannelInt8(4), -5);
    EXPECT_EQ(ReadChannelInt16(4), -300);
    EXPECT_EQ(ReadChannelUInt8(4), 200);
    EXPECT_EQ(ReadChannelUInt16(4), 65000);
    EXPECT_EQ(ReadChannelUInt32(4), 4294967295.0) << "-1 wraps modulo 2^32";
    EXPECT_EQ(ReadChannelDouble(4), M_PI);
    EXPECT_EQ(ReadChannelFloat(4), 1.5);
}

TEST_F(ChannelTest, SeeksFromStartCurrentAndEnd) {
    openReading("0123456789");
    SeekChannel(0, 4, 0);
    EXPECT_EQ(ReadChannelUInt8(0), '4');
    SeekChannel(0, 2, 1);
    EXPECT_EQ(ReadChannelUInt8(0), '7');
    SeekChannel(0, -3, -1);
    EXPECT_EQ(str(ReadChannelBytes(0, 3)), "789");
    ClearLastError();
    SeekChannel(0, -11, -1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "before the start";
    EXPECT_EQ(GetChannelPosition(0), 10) << "a refused seek leaves the position";
    SeekChannel(0, 1, 0);
    EXPECT_EQ(str(ReadChannelBytes(0, -5)), "");
    EXPECT_EQ(GetChannelPosition(0), 1) << "a count below 1 reads nothing";
}

using ChannelDeathTest = ChannelTest;

TEST_F(ChannelDeathTest, BadChannelsShortReadsAndImpossibleWritesStop) {
    EXPECT_EXIT(ReadChannelLine(8), ExitedWithCode(1), "0007 out of memory");
    EXPECT_EXIT(WriteChannelBytes(7, "x"), ExitedWithCode(1), "0003") << "closed channel";
    openReading("only\r\n");
    EXPECT_EXIT(WriteChannelLine(0, "x"), ExitedWithCode(1), "0003") << "read-only channel";
    EXPECT_EQ(str(ReadChannelLine(0)), "only");
    EXPECT_EXIT(ReadChannelLine(0), ExitedWithCode(1), "0003 no such file");
    SeekChannel(0, -1, -1);
    EXPECT_EXIT(ReadChannelInt16(0), ExitedWithCode(1), "0003") << "a short binary read";
    EXPECT_EXIT(ReadChannelBytes(0, INT32_MAX), ExitedWithCode(1), "0003") << "before allocating";
    MemoryFile mem(test::Bytes{1});
    ASSERT_EQ(OpenChannel(1, mem.name(), 1), 1);
    EXPECT_EXIT(WriteChannelInt8(1, 1), ExitedWithCode(1), "0003") << "memory file";
}

}  // namespace
}  // namespace qvt
