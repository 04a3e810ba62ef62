// File channels: line and binary round trips on disk and in memory, the three open modes,
// positions and seeks, long lines, and the error stop (exit status 1) for bad channels,
// reads past the end and writes that cannot happen.
#include "files/channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/errors.h"
#include "files/files.h"
#include "files/memfile.h"
#include "files/filesystem.h"
#include "files_test_util.h"
#include "platform/os.h"

namespace qvt {
namespace {

using test::readText;
using test::ScratchFolder;
using test::varied;
using test::writeBytes;

std::string text(const RuntimeString& s) { return std::string(s.view()); }
RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }

class ChannelTest : public testing::Test {
protected:
    void TearDown() override { CloseAllChannels(); }

    // Opens a file of the given bytes for reading on channel 0.
    void openReading(const std::string& bytes) {
        writeBytes(dir / "in.txt", bytes);
        ASSERT_EQ(OpenChannel(0, rs(dir / "in.txt"), 1), 1) << "open for reading";
    }

    ScratchFolder dir;
};

// ---- Lines ---------------------------------------------------------------------------------

TEST_F(ChannelTest, WrittenLineEndsInCrLfAndReadsBack) {
    const std::string path = dir / "line.txt";
    ASSERT_EQ(OpenChannel(1, rs(path), 0), 1);
    WriteChannelLine(1, "A");
    CloseChannel(1);
    EXPECT_EQ(readText(path), std::string("A\r\n", 3)) << "bytes 41 0D 0A";

    ASSERT_EQ(OpenChannel(1, rs(path), 1), 1);
    EXPECT_EQ(text(ReadChannelLine(1)), "A");
    EXPECT_EQ(GetChannelPosition(1), 3) << "position moves past the line feed";
}

TEST_F(ChannelTest, LinesSplitAtLineFeedsWithOptionalCarriageReturn) {
    openReading("x\r\ny\n\nlast\r");
    EXPECT_EQ(text(ReadChannelLine(0)), "x");
    EXPECT_EQ(text(ReadChannelLine(0)), "y") << "a bare line feed ends a line too";
    EXPECT_EQ(text(ReadChannelLine(0)), "") << "an empty line is not the end of the file";
    EXPECT_EQ(text(ReadChannelLine(0)), "last\r") << "a last line without line feed comes whole";
}

TEST_F(ChannelTest, NumbersAndIntegersReadTheLeadingNumberOfALine) {
    openReading("3.5e2 apples\r\n  -42abc\nnothing\n99999999999\n");
    EXPECT_DOUBLE_EQ(ReadChannelNumber(0), 350.0);
    EXPECT_EQ(ReadChannelInteger(0), -42);
    EXPECT_EQ(ReadChannelInteger(0), 0) << "no digits read as 0";
    EXPECT_EQ(ReadChannelInteger(0), 2147483647) << "saturates instead of wrapping";
}

// A long line loses nothing: each piece is at most 1023 bytes and the next read goes on
// exactly where the last piece ended.
void expectLongLinesIntact(int channel) {
    const std::string first = varied(2500, 7);
    std::string got;
    for (;;) {
        const std::string piece = text(ReadChannelLine(channel));
        ASSERT_LE(piece.size(), 1023u);
        got += piece;
        if (piece.size() < 1023) break;
    }
    EXPECT_EQ(got, first) << "pieces of the 2500-byte line join up to the line";
    EXPECT_EQ(text(ReadChannelLine(channel)), varied(1023, 8)) << "exactly 1023 bytes + CR LF is one line";
    EXPECT_EQ(text(ReadChannelLine(channel)), "next");
    EXPECT_EQ(text(ReadChannelLine(channel)), varied(1023, 9)) << "1024 bytes: first piece";
    EXPECT_EQ(text(ReadChannelLine(channel)), "z") << "1024 bytes: the byte left over";
}

std::string longLinesFile() {
    return varied(2500, 7) + "\r\n" + varied(1023, 8) + "\r\nnext\n" + varied(1023, 9) + "z\n";
}

TEST_F(ChannelTest, LongLineFromDiskArrivesInPiecesWithoutLoss) {
    openReading(longLinesFile());
    expectLongLinesIntact(0);
}

TEST_F(ChannelTest, LongLineFromMemoryArrivesInPiecesWithoutLoss) {
    const std::string bytes = longLinesFile();
    MemoryFile mem(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_EQ(OpenChannel(2, mem.name(), 1), 1) << text(mem.name());
    expectLongLinesIntact(2);
}

// ---- Modes ---------------------------------------------------------------------------------

TEST_F(ChannelTest, WriteModeEmptiesAnExistingFile) {
    const std::string path = dir / "old.txt";
    writeBytes(path, "old contents");
    ASSERT_EQ(OpenChannel(3, rs(path), 0), 1);
    CloseChannel(3);
    EXPECT_EQ(readText(path), "");
}

TEST_F(ChannelTest, AppendModeAddsAtTheEndAndReportsThatPosition) {
    const std::string path = dir / "log.txt";
    writeBytes(path, "one\r\n");
    ASSERT_EQ(OpenChannel(3, rs(path), -1), 1);
    EXPECT_EQ(GetChannelPosition(3), 5) << "appending starts at the old end";
    WriteChannelLine(3, "two");
    EXPECT_EQ(GetChannelPosition(3), 10);
    CloseChannel(3);
    EXPECT_EQ(readText(path), "one\r\ntwo\r\n");

    const std::string fresh = dir / "fresh.txt";
    ASSERT_EQ(OpenChannel(3, rs(fresh), -1), 1) << "append creates a missing file";
    WriteChannelBytes(3, "x");
    CloseChannel(3);
    EXPECT_EQ(readText(fresh), "x");
}

TEST_F(ChannelTest, FailedOpensReturnZeroWithTheirCode) {
    EXPECT_EQ(OpenChannel(8, rs(dir / "a"), 0), 0);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory) << "channel 8 is out of range (7)";
    EXPECT_EQ(OpenChannel(-1, rs(dir / "a"), 0), 0);
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);

    EXPECT_EQ(OpenChannel(0, rs(dir / "missing.txt"), 1), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(OpenChannel(0, rs(dir.path().string()), 1), 0) << "a folder is not a file";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(OpenChannel(0, rs(dir / "no/such/folder.txt"), 0), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);

    ASSERT_EQ(OpenChannel(0, rs(dir / "ok.txt"), 0), 1);
    EXPECT_EQ(LastErrorCode(), kErrSuccess) << "a good open clears the code";
}

TEST_F(ChannelTest, MemoryFilesOpenForReadingOnly) {
    MemoryFile mem(std::vector<std::uint8_t>{'h', 'i'});
    EXPECT_EQ(OpenChannel(0, mem.name(), 0), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(OpenChannel(0, mem.name(), -1), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    ASSERT_EQ(OpenChannel(0, mem.name(), 1), 1);
    EXPECT_EQ(text(ReadChannelLine(0)), "hi");
}

TEST_F(ChannelTest, BackslashesInPathsAreFolderSeparators) {
    std::string path = dir / "slash.txt";
    for (char& c : path) c = c == '/' ? '\\' : c;
    ASSERT_EQ(OpenChannel(0, rs(path), 0), 1) << path;
    WriteChannelBytes(0, "ok");
    CloseChannel(0);
    EXPECT_EQ(readText(dir / "slash.txt"), "ok");
}

// ---- Binary values, positions and seeks ------------------------------------------------------

TEST_F(ChannelTest, BinaryValuesRoundTripLittleEndian) {
    const std::string path = dir / "bin";
    ASSERT_EQ(OpenChannel(4, rs(path), 0), 1);
    WriteChannelInt32(4, 0x01020304);
    WriteChannelInt8(4, -5);
    WriteChannelInt16(4, -300);
    WriteChannelUInt8(4, 200);
    WriteChannelUInt16(4, 65000);
    WriteChannelUInt32(4, 4000000000.0);
    WriteChannelUInt32(4, -1.0);
    WriteChannelDouble(4, M_PI);
    WriteChannelFloat(4, 1.5);
    EXPECT_EQ(GetChannelPosition(4), 4 + 1 + 2 + 1 + 2 + 4 + 4 + 8 + 4);
    CloseChannel(4);
    EXPECT_EQ(readText(path).substr(0, 4), std::string("\x04\x03\x02\x01", 4)) << "little-endian on disk";

    ASSERT_EQ(OpenChannel(4, rs(path), 1), 1);
    EXPECT_EQ(ReadChannelInt32(4), 0x01020304);
    EXPECT_EQ(ReadChannelInt8(4), -5);
    EXPECT_EQ(ReadChannelInt16(4), -300);
    EXPECT_EQ(ReadChannelUInt8(4), 200);
    EXPECT_EQ(ReadChannelUInt16(4), 65000);
    EXPECT_EQ(ReadChannelUInt32(4), 4000000000.0);
    EXPECT_EQ(ReadChannelUInt32(4), 4294967295.0) << "-1 wraps modulo 2^32";
    EXPECT_EQ(ReadChannelDouble(4), M_PI);
    EXPECT_EQ(ReadChannelFloat(4), 1.5);
}

TEST_F(ChannelTest, SeeksFromStartCurrentAndEnd) {
    openReading("0123456789");
    SeekChannel(0, 4, 0);
    EXPECT_EQ(ReadChannelUInt8(0), '4');
    SeekChannel(0, 2, 1);
    EXPECT_EQ(GetChannelPosition(0), 7);
    EXPECT_EQ(ReadChannelUInt8(0), '7');
    SeekChannel(0, -3, -1);
    EXPECT_EQ(text(ReadChannelBytes(0, 3)), "789");

    ClearLastError();
    SeekChannel(0, -11, -1);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "before the start";
    EXPECT_EQ(GetChannelPosition(0), 10) << "a refused seek leaves the position";
}

TEST_F(ChannelTest, SeekFromTheEndOfAMemoryFileUsesItsSize) {
    MemoryFile mem(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
    ASSERT_EQ(OpenChannel(5, mem.name(), 1), 1);
    SeekChannel(5, -2, -1);
    EXPECT_EQ(GetChannelPosition(5), 3);
    EXPECT_EQ(ReadChannelUInt16(5), 4 | 5 << 8);
}

TEST_F(ChannelTest, WritingAfterASeekOverwritesInPlace) {
    const std::string path = dir / "patch";
    ASSERT_EQ(OpenChannel(6, rs(path), 0), 1);
    WriteChannelBytes(6, "abcdef");
    SeekChannel(6, 2, 0);
    WriteChannelBytes(6, "XY");
    EXPECT_EQ(GetChannelPosition(6), 4);
    SeekChannel(6, 0, 0);
    EXPECT_EQ(text(ReadChannelBytes(6, 6)), "abXYef") << "mode 0 files read back too";
}

TEST_F(ChannelTest, ReadBytesOfZeroOrLessReadsNothing) {
    openReading("abc");
    EXPECT_EQ(text(ReadChannelBytes(0, 0)), "");
    EXPECT_EQ(text(ReadChannelBytes(0, -5)), "");
    EXPECT_EQ(GetChannelPosition(0), 0);
}

TEST_F(ChannelTest, ShutdownReturnsToTheExecutableFolderAndClosesChannels) {
    openReading("abc");
    ASSERT_EQ(ChangeDirectory(rs(dir.path().string())), 1);
    ShutdownFiles();
    std::string exe = platform::executablePath();
    exe.resize(exe.rfind('/') + 1);
    EXPECT_EQ(text(GetCurrentDir()), exe);
    ClearLastError();
    SeekChannel(0, 0, 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile) << "channel 0 is closed";
    EXPECT_EQ(GetChannelPosition(0), 0);
}

// ---- The error stop ----------------------------------------------------------------------------

using ChannelDeathTest = ChannelTest;

TEST_F(ChannelDeathTest, ChannelEightStopsWithCodeSeven) {
    EXPECT_EXIT(ReadChannelLine(8), testing::ExitedWithCode(1), "0007 out of memory");
    EXPECT_EXIT(WriteChannelLine(8, "x"), testing::ExitedWithCode(1), "0007");
    EXPECT_EXIT(CloseChannel(8), testing::ExitedWithCode(1), "0007");
    EXPECT_EXIT(GetChannelPosition(-1), testing::ExitedWithCode(1), "0007");
}

TEST_F(ChannelDeathTest, ReadingPastTheEndStopsWithCodeThree) {
    openReading("only\r\n");
    EXPECT_EQ(text(ReadChannelLine(0)), "only");
    EXPECT_EXIT(ReadChannelLine(0), testing::ExitedWithCode(1), "0003 no such file");
    EXPECT_EXIT(ReadChannelNumber(0), testing::ExitedWithCode(1), "0003");
    EXPECT_EXIT(ReadChannelInt8(0), testing::ExitedWithCode(1), "0003");
    SeekChannel(0, -1, -1);
    EXPECT_EXIT(ReadChannelInt16(0), testing::ExitedWithCode(1), "0003") << "a short binary read";
    EXPECT_EXIT(ReadChannelBytes(0, 2), testing::ExitedWithCode(1), "0003");
    EXPECT_EXIT(ReadChannelBytes(0, 2147483647), testing::ExitedWithCode(1), "0003")
        << "a wild count stops before allocating";
}

TEST_F(ChannelDeathTest, ReadingAClosedChannelStops) {
    EXPECT_EXIT(ReadChannelLine(2), testing::ExitedWithCode(1), "0003");
}

TEST_F(ChannelDeathTest, WritesThatCannotHappenStop) {
    openReading("abc");
    EXPECT_EXIT(WriteChannelLine(0, "x"), testing::ExitedWithCode(1), "0003") << "read-only channel";
    MemoryFile mem(std::vector<std::uint8_t>{1});
    ASSERT_EQ(OpenChannel(1, mem.name(), 1), 1);
    EXPECT_EXIT(WriteChannelInt8(1, 1), testing::ExitedWithCode(1), "0003") << "memory file";
    EXPECT_EXIT(WriteChannelBytes(7, "x"), testing::ExitedWithCode(1), "0003") << "closed channel";
}

}  // namespace
}  // namespace qvt
