// The INI cache: parsing as the runtime reads these files, case-insensitive look-ups, puts
// and removals as they reach the file, and the write-backs it shares with the line file.
#include "files/ini.h"

#include <gtest/gtest.h>

#include <utility>

#include "settings_fixture.h"

namespace qvt {
namespace {

using namespace test;
using IniTest = SettingsFilesTest;

TEST_F(IniTest, FourLineExampleReadsAndWritesBack) {
    writeBytes(dir / "game.ini", "[Player]\r\nName = Ann \r\n; comment\r\n[Empty]\r\n");
    OpenSettingsFile(rs(dir / "game.ini"));
    EXPECT_EQ(str(GetSetting("player", "NAME", "-")), "Ann ");
    PutSetting("Player", "name", "");
    EXPECT_EQ(str(GetSetting("Player", "Name", "gone")), "gone");
    OpenSettingsFile("");
    EXPECT_EQ(readText(dir / "game.ini"), "[Player]\r\n");
}

TEST(IniParseTest, LinesAsTheRuntimeReadsThem) {
    const std::pair<std::string, std::string> cases[] = {  // text, formatted again
        {"[A]\nk\nj = \nm=1\n", "[A]\r\nm=1\r\n"},        // no equals sign or no value
        {"[A]\nk x=1\nn \t=2", "[A]\r\nn=2\r\n"},         // a blank must lead to the equals sign
        {"a=1\n[B]\nb=2", "[]\r\na=1\r\n[B]\r\nb=2\r\n"},  // keys before a header
        {"[ Sec junk\nk=v", "[Sec]\r\nk=v\r\n"},          // no bracket: the name stops at a blank
        {"[A]\r\nk=v \t\x01\r\n", "[A]\r\nk=v \r\n"},     // trailing controls go, spaces stay
        {"  \t[A]\n\t k =\t v w", "[A]\r\nk=v w\r\n"},    // leading blanks
        {std::string("[A]\nk=v\0w\n", 10), "[A]\r\nk=v\r\n"},  // a zero byte ends the line
        {"[A]\nk=1\n[a]\nk=3", "[A]\r\nk=1\r\n[a]\r\nk=3\r\n"},  // sections stay apart
        {"[A]\nk=" + std::string(3000, 'x'), "[A]\r\nk=" + std::string(3000, 'x') + "\r\n"},
    };
    for (const auto& [text, formatted] : cases) {
        EXPECT_EQ(FormatIniText(ParseIniText(text)), formatted) << text;
    }
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
    PutSetting("C", "evil", "x\r\n[Admin]\nrole=root");  // no lines of its own
    ASSERT_TRUE(FlushSettingsFile());
    EXPECT_EQ(readText(dir / "new.ini"),
              "[A]\r\nk3=k3\r\nk2=two\r\n[C]\r\ny=8\r\nevil=x  [Admin] role=root\r\n");
}

TEST_F(IniTest, WriteBacksAsTheLineFileDoes) {
    expectSharedWriteBacks({[](const std::string& path, const std::string& value) {
                                OpenSettingsFile(rs(path));
                                if (!value.empty()) PutSetting("A", "k", rs(value));
                                return "k=" + str(GetSetting("a", "K", ""));
                            },
                            FlushSettingsFile});
}

}  // namespace
}  // namespace qvt
