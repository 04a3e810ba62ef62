// File-system operations on a scratch folder, and the wildcard rules.
#include "files/filesystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/errors.h"
#include "files/memfile.h"
#include "files_test_util.h"

namespace qvt {
namespace {

using test::readText;
using test::ScratchFolder;
using test::writeBytes;

std::string text(const RuntimeString& s) { return std::string(s.view()); }
RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }

bool match(const char* pattern, const char* name) {
    return MatchWildcard(RuntimeString(pattern), RuntimeString(name)) == 1;
}

TEST(MatchWildcard, StarMatchesAnyRunAndLettersIgnoreCase) {
    EXPECT_TRUE(match("*.PNG", "font16.png"));
    EXPECT_TRUE(match("*", ""));
    EXPECT_TRUE(match("*", "a.b.c"));
    EXPECT_TRUE(match("a*b*c", "aXXbYYbZc"));
    EXPECT_TRUE(match("*ab", "aab")) << "the star gives back what the tail needs";
    EXPECT_TRUE(match("**x", "x"));
    EXPECT_FALSE(match("*.png", "font16.bmp"));
    EXPECT_FALSE(match("a*b", "ab.c"));
    EXPECT_FALSE(match("", "a"));
    EXPECT_TRUE(match("", ""));
}

TEST(MatchWildcard, StarDotStarMatchesEverythingEvenWithoutADot) {
    EXPECT_TRUE(match("*.*", "README"));
    EXPECT_TRUE(match("*.*", ""));
    EXPECT_FALSE(match("*.*x", "README")) << "only the whole pattern *.* is special";
}

TEST(MatchWildcard, QuestionMarkIsOneCharacterButNotADot) {
    EXPECT_FALSE(match("?x", ".x"));
    EXPECT_TRUE(match("?x", "ax"));
    EXPECT_FALSE(match("?", ""));
    EXPECT_FALSE(match("a?", "a"));
    EXPECT_TRUE(match("font??.png", "FONT16.PNG"));
    EXPECT_TRUE(match("*?", ".x"));
    EXPECT_FALSE(match("*?", "x.")) << "the last character is a dot";
}

TEST(MatchWildcard, BytesAboveAsciiCompareExactly) {
    EXPECT_TRUE(match("\xe9*", "\xe9t\xe9"));
    EXPECT_FALSE(match("\xc9*", "\xe9t\xe9")) << "only ASCII letters fold";
}

TEST(FileSystem, ExistenceTestsTellFilesFromFolders) {
    ScratchFolder dir;
    writeBytes(dir / "f.txt", "x");
    EXPECT_EQ(FileExists(rs(dir / "f.txt")), 1);
    EXPECT_EQ(DirectoryExists(rs(dir / "f.txt")), 0);
    EXPECT_EQ(FileExists(rs(dir.path().string())), 0);
    EXPECT_EQ(DirectoryExists(rs(dir.path().string())), 1);
    EXPECT_EQ(FileExists(rs(dir / "none")), 0);
    EXPECT_EQ(DirectoryExists(rs(dir / "none")), 0);
    EXPECT_EQ(FileExists(RuntimeString()), 0);
}

TEST(FileSystem, ReplaceFileWithSwapsInTheFinishedFile) {
    ScratchFolder dir;
    writeBytes(dir / "table.ini", "old");
    writeBytes(dir / "table.ini.tmp", "new");
    ClearLastError();
    EXPECT_EQ(ReplaceFileWith(rs(dir / "table.ini"), rs(dir / "table.ini.tmp")), 1);
    EXPECT_EQ(readText(dir / "table.ini"), "new");
    EXPECT_EQ(FileExists(rs(dir / "table.ini.tmp")), 0) << "the temporary name is gone";

    EXPECT_EQ(ReplaceFileWith(rs(dir / "table.ini"), rs(dir / "missing.tmp")), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(readText(dir / "table.ini"), "new") << "a failed replace keeps the old file";
}

TEST(FileSystem, MakeAndRemove) {
    ScratchFolder dir;
    EXPECT_EQ(MakeDirectory(rs(dir / "sub")), 1);
    EXPECT_EQ(MakeDirectory(rs(dir / "sub")), 0) << "already there";
    EXPECT_EQ(MakeDirectory(rs(dir / "a/b")), 0) << "one level only";
    writeBytes(dir / "sub/f", "x");
    EXPECT_EQ(RemoveFile(rs(dir / "sub\\f")), 1) << "backslash reads as a separator";
    EXPECT_EQ(FileExists(rs(dir / "sub/f")), 0);
    EXPECT_EQ(RemoveFile(rs(dir / "sub/f")), 0) << "nothing left to delete";
    EXPECT_EQ(RemoveFile(rs(dir / "sub")), 0) << "not for folders";
}

TEST(FileSystem, CopyFileToCopiesDiskAndMemoryFiles) {
    ScratchFolder dir;
    const std::string payload = test::varied(200000, 3);
    writeBytes(dir / "src", payload);
    EXPECT_EQ(CopyFileTo(rs(dir / "src"), rs(dir / "dst")), 1);
    EXPECT_EQ(readText(dir / "dst"), payload);

    MemoryFile mem(std::vector<std::uint8_t>{'m', 'e', 'm'});
    EXPECT_EQ(CopyFileTo(mem.name(), rs(dir / "dst")), 1) << "replaces the old copy";
    EXPECT_EQ(readText(dir / "dst"), "mem");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "no partial file left beside the copy";
}

TEST(FileSystem, FailedCopyLeavesTheDestinationAsItWas) {
    ScratchFolder dir;
    writeBytes(dir / "dst", "precious");
    ClearLastError();
    EXPECT_EQ(CopyFileTo(rs(dir / "missing"), rs(dir / "dst")), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(readText(dir / "dst"), "precious");
    EXPECT_EQ(CopyFileTo(rs(dir / "dst"), rs(dir / "no/folder/x")), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileSystem, CurrentDirectoryRoundTrip) {
    ScratchFolder dir;
    const RuntimeString before = GetCurrentDir();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.view().back(), '/') << "always ends in a slash";
    ASSERT_EQ(ChangeDirectory(rs(dir.path().string())), 1);
    const std::string canonical = std::filesystem::canonical(dir.path()).string() + "/";
    EXPECT_EQ(text(GetCurrentDir()), canonical);
    writeBytes("relative.txt", "r");
    EXPECT_EQ(FileExists("relative.txt"), 1) << "relative names go from the current directory";

    ClearLastError();
    EXPECT_EQ(ChangeDirectory(rs(dir / "none")), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(text(GetCurrentDir()), canonical) << "a failed change leaves it";
    ASSERT_EQ(ChangeDirectory(before), 1);
}

TEST(FileSystem, NormalisePathSlashesTurnsBackslashesInPlace) {
    RuntimeString path("Media\\pell\\ship.png");
    NormalisePathSlashes(path);
    EXPECT_EQ(text(path), "Media/pell/ship.png");
    RuntimeString empty;
    NormalisePathSlashes(empty);
    EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace qvt
