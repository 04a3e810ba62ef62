// The line-indexed file cache: line numbers in and out of range, missing files, the
// write-back of a new file and of one longer than 256 lines, packs, and a write-back that
// fails without losing the lines.
#include "files/line_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings_fixture.h"

namespace qvt {
namespace {

using namespace test;
using LineFileTest = SettingsFilesTest;

TEST_F(LineFileTest, ReadsLinesByNumber) {
    writeBytes(dir / "a.txt", std::string("x\r\ny \t\x01\nz\0tail\n\r\n", 17));
    const RuntimeString path = rs(dir / "a.txt");
    struct Case {
        std::int32_t line;
        const char* text;
        std::int32_t error;
    };
    const Case cases[] = {
        {0, "x", 0}, {1, "y ", 0}, {2, "z", 0}, {3, "", 0}, {4, "", 0}, {255, "", 0},
        {256, "NO_DATA", kErrOutOfMemory}, {-1, "NO_DATA", kErrOutOfMemory},
    };
    for (const Case& c : cases) {
        ClearLastError();
        EXPECT_EQ(str(GetTextFileLine(path, c.line)), c.text) << "line " << c.line;
        EXPECT_EQ(LastErrorCode(), c.error) << "line " << c.line;
    }
}

TEST_F(LineFileTest, NewFileIsWrittenWhenAnotherIsNamed) {
    const RuntimeString path = rs(dir / "new.txt");
    EXPECT_EQ(str(GetTextFileLine(path, 0)), "NO_FILE");
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    PutTextFileLine(path, 3, "X");
    ClearLastError();
    PutTextFileLine(path, 256, "never");
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
    EXPECT_EQ(str(GetTextFileLine(path, 3)), "X");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.txt"));
    GetTextFileLine(rs(dir / "other.txt"), 0);
    EXPECT_EQ(readText(dir / "new.txt"), "\r\n\r\n\r\nX\r\n");
}

TEST_F(LineFileTest, PutTextIsCutToOneLine) {
    const RuntimeString path = rs(dir / "cut.txt");
    PutTextFileLine(path, 0, rs(std::string(1500, 'a')));
    PutTextFileLine(path, 1, "one\r\ntwo\nthree");
    EXPECT_EQ(GetTextFileLine(path, 0).length(), 1023u);
    ASSERT_TRUE(FlushTextFileLines());
    EXPECT_EQ(readText(dir / "cut.txt"), std::string(1023, 'a') + "\r\none  two three\r\n");
}

TEST_F(LineFileTest, LinesAfter255SurviveTheWriteBack) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + "\n";
    writeBytes(dir / "long.txt", text);
    const RuntimeString path = rs(dir / "long.txt");
    EXPECT_EQ(str(GetTextFileLine(path, 255)), "line 255");
    PutTextFileLine(path, 0, "first");
    ASSERT_TRUE(FlushTextFileLines());
    std::string expected = "first\r\n";
    for (int i = 1; i < 300; ++i) expected += "line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(readText(dir / "long.txt"), expected);
}

TEST_F(LineFileTest, ReadsFromAPackAndWritesBesideIt) {
    usePack({packFile("lines.txt", "alpha\r\nbeta")});
    const RuntimeString path = rs(dir / "lines.txt");
    EXPECT_EQ(str(GetTextFileLine(path, 1)), "beta");
    PutTextFileLine(path, 2, "gamma");
    ASSERT_TRUE(FlushTextFileLines());
    EXPECT_EQ(readText(dir / "lines.txt"), "alpha\r\nbeta\r\ngamma\r\n");
}

TEST_F(LineFileTest, FailedWriteBackKeepsTheLines) {
    const std::string path = dir / "missing/lines.txt";
    PutTextFileLine(rs(path), 0, "kept");
    ClearLastError();
    GetTextFileLine(rs(dir / "other.txt"), 0);
    EXPECT_TRUE(loggedFailure(path));
    EXPECT_EQ(str(GetTextFileLine(rs(path), 0)), "kept") << "the unsaved lines come back";
    std::filesystem::create_directories(dir / "missing");
    ASSERT_TRUE(FlushTextFileLines());
    EXPECT_EQ(readText(path), "kept\r\n");
}

}  // namespace
}  // namespace qvt
