// The line-indexed file cache: line numbers in and out of range, missing files, a new file
// and one longer than 256 lines written back, and the write-backs it shares with the INI.
#include "files/line_file.h"

#include <gtest/gtest.h>

#include <tuple>

#include "settings_fixture.h"

namespace qvt {
namespace {

using namespace test;
using LineFileTest = SettingsFilesTest;

TEST_F(LineFileTest, ReadsLinesByNumber) {
    writeBytes(dir / "a.txt", std::string("x\r\ny \t\x01\nz\0tail\n\r\n", 17));
    const std::tuple<std::int32_t, const char*, std::int32_t> cases[] = {  // line, text, error
        {0, "x", 0}, {1, "y ", 0}, {2, "z", 0}, {3, "", 0}, {255, "", 0},
        {256, "NO_DATA", kErrOutOfMemory}, {-1, "NO_DATA", kErrOutOfMemory}};
    for (const auto& [line, text, error] : cases) {
        ClearLastError();
        EXPECT_EQ(str(GetTextFileLine(rs(dir / "a.txt"), line)), text) << "line " << line;
        EXPECT_EQ(LastErrorCode(), error) << "line " << line;
    }
}

TEST_F(LineFileTest, NewFileGrowsToTheLinePut) {
    const RuntimeString path = rs(dir / "new.txt");
    EXPECT_EQ(str(GetTextFileLine(path, 0)), "NO_FILE");
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    PutTextFileLine(path, 3, "X");
    ClearLastError();
    PutTextFileLine(path, 256, "never");
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    PutTextFileLine(path, 0, rs(std::string(1500, 'a')));
    PutTextFileLine(path, 1, "one\r\ntwo\nthree");
    EXPECT_EQ(str(GetTextFileLine(path, 3)), "X");
    ASSERT_TRUE(FlushTextFileLines());
    EXPECT_EQ(readText(dir / "new.txt"),
              std::string(1023, 'a') + "\r\none  two three\r\n\r\nX\r\n");
}

TEST_F(LineFileTest, LinesAfter255SurviveTheWriteBack) {
    std::string text, expected = "first\r\n";
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + "\n";
    for (int i = 1; i < 300; ++i) expected += "line " + std::to_string(i) + "\r\n";
    writeBytes(dir / "long.txt", text);
    EXPECT_EQ(str(GetTextFileLine(rs(dir / "long.txt"), 255)), "line 255");
    PutTextFileLine(rs(dir / "long.txt"), 0, "first");
    ASSERT_TRUE(FlushTextFileLines());
    EXPECT_EQ(readText(dir / "long.txt"), expected);
}

TEST_F(LineFileTest, WriteBacksAsTheIniDoes) {
    expectSharedWriteBacks({[](const std::string& path, const std::string& value) {
                                if (!value.empty()) {
                                    PutTextFileLine(rs(path), 0, "[A]");
                                    PutTextFileLine(rs(path), 1, rs("k=" + value));
                                }
                                return str(GetTextFileLine(rs(path), 1));
                            },
                            FlushTextFileLines});
}

}  // namespace
}  // namespace qvt
