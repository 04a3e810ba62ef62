// File-system operations on a scratch folder, and the wildcard rules.
#include "files/filesystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "core/errors.h"
#include "files/memfile.h"
#include "files_helpers.h"

namespace qvt {
namespace {

using namespace test;

TEST(MatchWildcardTest, StarQuestionMarkAndCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {  // pattern, name, match
        {"*.PNG", "font16.png", true}, {"*", "", true},         {"a*b*c", "aXXbYYbZc", true},
        {"a*b", "ab.c", false},        {"", "a", false},        {"*.*", "README", true},
        {"?x", ".x", false},           {"a?", "a", false},      {"\xc9*", "\xe9t\xe9", false}};
    for (const auto& [pattern, name, match] : cases) {
        EXPECT_EQ(MatchWildcard(RuntimeString(pattern), RuntimeString(name)), match ? 1 : 0)
            << "\"" << pattern << "\" on \"" << name << "\"";
    }
}

TEST(FileSystemTest, ExistenceMakeAndRemove) {
    test::ScratchFolder dir;
    writeBytes(dir / "f.txt", "x");
    const RuntimeString file = rs(dir / "f.txt"), folder = rs(dir.path().string());
    EXPECT_EQ(std::pair(FileExists(file), DirectoryExists(file)), std::pair(1, 0));
    EXPECT_EQ(std::pair(FileExists(folder), DirectoryExists(folder)), std::pair(0, 1));
    EXPECT_EQ(FileExists(rs(dir / "none")) + DirectoryExists(rs(dir / "none")), 0);
    EXPECT_EQ(MakeDirectory(rs(dir / "sub")), 1);
    EXPECT_EQ(MakeDirectory(rs(dir / "sub")), 0) << "already there";
    writeBytes(dir / "sub/f", "x");
    EXPECT_EQ(RemoveFile(rs(dir / "sub\\f")), 1) << "backslash reads as a separator";
    EXPECT_EQ(RemoveFile(rs(dir / "sub")), 0) << "not for folders";
}

TEST(FileSystemTest, ReplaceAndCopyLeaveEitherTheOldOrTheWholeNewFile) {
    test::ScratchFolder dir;
    writeBytes(dir / "table.ini", "old");
    writeBytes(dir / "table.ini.tmp", "new");
    EXPECT_EQ(ReplaceFileWith(rs(dir / "table.ini"), rs(dir / "table.ini.tmp")), 1);
    EXPECT_EQ(readText(dir / "table.ini"), "new");
    ClearLastError();
    EXPECT_EQ(ReplaceFileWith(rs(dir / "table.ini"), rs(dir / "missing.tmp")), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(readText(dir / "table.ini"), "new") << "a failed replace keeps the old file";

    const std::string payload = test::varied(3 * 65536 + 1, 3);  // a last copy chunk of one byte
    writeBytes(dir / "src", payload);
    EXPECT_EQ(CopyFileTo(rs(dir / "src"), rs(dir / "dst")), 1);
    EXPECT_EQ(readText(dir / "dst"), payload);
    MemoryFile mem(test::Bytes{'m', 'e', 'm'});
    EXPECT_EQ(CopyFileTo(mem.name(), rs(dir / "dst")), 1) << "a memory file replaces it";
    EXPECT_EQ(readText(dir / "dst"), "mem");
    EXPECT_EQ(CopyFileTo(rs(dir / "missing"), rs(dir / "dst")), 0);
    EXPECT_EQ(readText(dir / "dst"), "mem") << "a failed copy leaves the destination";
    EXPECT_EQ(CopyFileTo(rs(dir / "dst"), rs(dir / "no/folder/x")), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
        << "no partial file left beside table.ini, src and dst";
}

TEST(FileSystemTest, CurrentDirectoryRoundTrip) {
    test::ScratchFolder dir;
    const RuntimeString before = GetCurrentDir();
    ASSERT_EQ(ChangeDirectory(rs(dir.path().string())), 1);
    EXPECT_EQ(ChangeDirectory(rs(dir / "none")), 0);
    EXPECT_EQ(str(GetCurrentDir()), std::filesystem::canonical(dir.path()).string() + "/");
    ASSERT_EQ(ChangeDirectory(before), 1);
}

}  // namespace
}  // namespace qvt
