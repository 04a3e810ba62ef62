// The INI cache: parsing as the runtime reads these files, case-insensitive look-ups, puts
// and removals as they reach the file, reading from packs and memory files, and write-backs
// that fail without losing the old file or the changes.
#include "files/ini.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "core/lifecycle.h"
#include "files/memfile.h"
#include "settings_fixture.h"

namespace qvt {
namespace {

using namespace test;
using IniTest = SettingsFilesTest;

TEST_F(IniTest, FourLineExampleReadsAndWritesBack) {
    writeBytes(dir / "game.ini", "[Player]\r\nName = Ann \r\n; comment\r\n[Empty]\r\n");
    OpenSettingsFile(rs(dir / "game.ini"));
    EXPECT_EQ(str(GetSetting("player", "NAME", "none")), "Ann ");
    EXPECT_EQ(str(GetSetting("Empty", "Name", "none")), "none");
    EXPECT_EQ(str(GetSetting("Player", "Age", "none")), "none");
    EXPECT_EQ(LastErrorCode(), 0);
    PutSetting("Player", "name", "");
    EXPECT_EQ(str(GetSetting("Player", "Name", "gone")), "gone");
    OpenSettingsFile("");
    EXPECT_EQ(readText(dir / "game.ini"), "[Player]\r\n");
}

TEST(IniParseTest, LinesAsTheRuntimeReadsThem) {
    struct Case {
        const char* what;
        std::string text, formatted;
    };
    const Case cases[] = {
        {"key lines without an equals sign or value", "[A]\nk\nj = \nm=1\n", "[A]\r\nm=1\r\n"},
        {"a blank must lead to the equals sign", "[A]\nk x=1\nn \t=2", "[A]\r\nn=2\r\n"},
        {"keys before a header", "a=1\n[B]\nb=2", "[]\r\na=1\r\n[B]\r\nb=2\r\n"},
        {"header without bracket, stops at a blank", "[ Sec junk\nk=v", "[Sec]\r\nk=v\r\n"},
        {"an empty header keeps the name", "[A]\na=1\n[ ]\nb=2", "[A]\r\na=1\r\n[A]\r\nb=2\r\n"},
        {"trailing controls go, spaces stay", "[A]\r\nk=v \t\x01\r\n", "[A]\r\nk=v \r\n"},
        {"leading blanks and indented lines", "  \t[A]\n\t k =\t v w", "[A]\r\nk=v w\r\n"},
        {"a value of controls only", "[A]\nk=\x02\x03\nm=1", "[A]\r\nm=1\r\n"},
        {"a zero byte ends the line", std::string("[A]\nk=v\0w\n", 10), "[A]\r\nk=v\r\n"},
        {"duplicate sections stay apart", "[A]\nk=1\n[B]\nk=2\n[a]\nk=3", "[A]\r\nk=1\r\n[B]\r\nk=2\r\n[a]\r\nk=3\r\n"},
        {"a long line stays whole", "[A]\nk=" + std::string(3000, 'x'), "[A]\r\nk=" + std::string(3000, 'x') + "\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatIniText(ParseIniText(c.text)), c.formatted) << c.what;
}

TEST_F(IniTest, PutsAndRemovalsReachTheFile) {
    OpenSettingsFile(rs(dir / "new.ini"));
    EXPECT_EQ(LastErrorCode(), 0) << "a missing file is no error";
    for (const char* k : {"k1", "k2", "k3"}) PutSetting("A", k, k);
    PutSetting("B", "x", "9");
    PutSetting("C", "y", "8");
    PutSetting("a", "K1", "");    // k3 takes its place
    PutSetting("A", "K2", "two");
    PutSetting("b", "", "");      // C takes its place
    PutSetting("C", "none", "");  // nothing to remove, nothing added
    // A value cannot start lines of its own.
    PutSetting("C", "evil", "x\r\n[Admin]\nrole=root");
    EXPECT_EQ(str(GetSetting("c", "Y", "")), "8");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.ini")) << "nothing before the write-back";
    OpenSettingsFile(rs(dir / "other.ini"));
    EXPECT_EQ(readText(dir / "new.ini"), "[A]\r\nk3=k3\r\nk2=two\r\n[C]\r\ny=8\r\nevil=x  [Admin] role=root\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "other.ini")) << "unchanged: not written";
}

TEST_F(IniTest, ReadsFromPacksAndMemoryFilesWritesOnlyToDisk) {
    usePack({packFile("packed.ini", "[Video]\nWidth=640\n")});
    OpenSettingsFile(rs(dir / "packed.ini"));
    EXPECT_EQ(str(GetSetting("video", "width", "0")), "640");
    PutSetting("Video", "Height", "480");
    ASSERT_TRUE(FlushSettingsFile());
    EXPECT_EQ(readText(dir / "packed.ini"), "[Video]\r\nWidth=640\r\nHeight=480\r\n");

    const std::string text = "[Mem]\nk=v\n";
    MemoryFile memory(Bytes(text.begin(), text.end()));
    OpenSettingsFile(memory.name());
    EXPECT_EQ(str(GetSetting("Mem", "k", "")), "v");
    PutSetting("Mem", "k", "changed");
    EXPECT_TRUE(FlushSettingsFile()) << "a memory file is never written, and that is no failure";
    EXPECT_EQ(str(GetSetting("Mem", "k", "")), "changed");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.bytes()->data()), memory.bytes()->size()), text);
}

TEST_F(IniTest, FailedWriteBackKeepsOldFileAndChanges) {
    // The new file cannot be made beside the old one: the old one must stay as it was.
    const std::string path = dir / "keep.ini";
    writeBytes(path, "[A]\r\nk=old\r\n");
    std::filesystem::create_directories(path + ".qvtsave-" + std::to_string(::getpid()) + "/full");
    OpenSettingsFile(rs(path));
    PutSetting("A", "k", "new");
    ClearLastError();
    OpenSettingsFile(rs(dir / "elsewhere.ini"));
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_TRUE(loggedFailure(path));
    EXPECT_EQ(readText(path), "[A]\r\nk=old\r\n");

    // Named again, the unsaved change comes back and is saved once that is possible.
    OpenSettingsFile(rs(path));
    EXPECT_EQ(str(GetSetting("A", "k", "")), "new");
    EXPECT_FALSE(FlushSettingsFile());
    std::filesystem::remove_all(path + ".qvtsave-" + std::to_string(::getpid()));
    EXPECT_TRUE(FlushSettingsFile());
    EXPECT_EQ(readText(path), "[A]\r\nk=new\r\n");
}

TEST_F(IniTest, UnsavedFileIsRetriedAtTheEnd) {
    const std::string path = dir / "later/settings.ini";
    OpenSettingsFile(rs(path));
    PutSetting("S", "k", "v");
    OpenSettingsFile("");
    EXPECT_TRUE(loggedFailure(path));
    std::filesystem::create_directories(dir / "later");
    StopSubsystems();  // runs the shutdown steps registered on first use
    EXPECT_EQ(readText(path), "[S]\r\nk=v\r\n");
}

}  // namespace
}  // namespace qvt
