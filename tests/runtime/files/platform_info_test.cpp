// Platform queries: the locale from the environment through the language table (quirks
// kept), the forms of time, ID, battery and build keys, the folders from the XDG settings,
// and the environment calls. GL entry points with a window: tests/runtime/gfx/glext_test.
#include "files/platform_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/tempdir.h"
#include "support/files.h"

namespace qvt {
namespace {

using test::ScopedEnv;
using test::ScratchFolder;

std::string ask(const char* key) { return std::string(QueryPlatformInfo(key).view()); }

TEST(PlatformInfoTest, LocaleFromTheEnvironment) {
    struct Case {
        const char* locale;
        std::uint16_t id;
        const char* code;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", 0x0407, "de"}, {"en_US", 0x0409, "uk"},  // the table reads 0409 as UK
        {"en_GB.UTF-8", 0x0809, "us"}, {"el_GR", 0x0408, "gr"}, {"ja_JP.eucJP", 0x0411, "jp"},
        {"C", 0, "us"}, {"POSIX", 0, "us"}, {"xx_YY", 0, "us"}, {"sr_RS@latin", 0x081A, "sr"},
        {"sr_RS", 0x0C1A, "sr"}, {"zh_TW", 0x0404, "ch"}, {"zh_HK.UTF-8", 0x0C04, "zh"},
        {"pt_BR", 0x0416, "pt"}, {"nl", 0x0413, "nl"}, {"uk_UA", 0x0422, "uk"},
        {"bn_IN", 0x0445, "be"}, {"dv_MV", 0x0465, "di"}, {"es_PR", 0x500A, "es"},
    };
    ScopedEnv messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
    for (const Case& c : cases) {
        ScopedEnv all("LC_ALL", c.locale);
        EXPECT_EQ(LocaleLanguageId(c.locale), c.id) << c.locale;
        EXPECT_EQ(ask("locale"), c.code) << c.locale;
    }
    // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
    ScopedEnv all("LC_ALL", "");
    ScopedEnv messages2("LC_MESSAGES", "ja_JP");
    ScopedEnv lang2("LANG", "de_DE");
    EXPECT_EQ(ask("LOCALE"), "jp");
    ScopedEnv noMessages("LC_MESSAGES", nullptr);
    EXPECT_EQ(ask("LOCALE"), "de");
    ScopedEnv noLang("LANG", nullptr);
    EXPECT_EQ(ask("LOCALE"), "us");
}

TEST(PlatformInfoTest, FixedKeysAndForms) {
    EXPECT_EQ(ask(""), "LINUX");
    EXPECT_EQ(ask("Device"), "DESKTOP");
    EXPECT_EQ(ask("whatever"), "NO_DATA");
    EXPECT_EQ(ask("version"), "000.001");
    SetProgramVersion("002.100");
    EXPECT_EQ(ask("VERSION"), "002.100");
    SetProgramVersion("000.001");
    EXPECT_TRUE(std::regex_match(ask("hostid"), std::regex("[A-Z0-9]{8}")));
    EXPECT_TRUE(std::regex_match(ask("compiled"), std::regex("[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}-[0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << ask("compiled");
    const std::regex number("[0-9]{1,3}");
    EXPECT_TRUE(std::regex_match(ask("battery"), number));
    EXPECT_EQ(std::string(BatteryKey(-1).view()), "100");
    EXPECT_EQ(std::string(BatteryKey(255).view()), "100");
    EXPECT_EQ(std::string(BatteryKey(57).view()), "57");
    EXPECT_EQ(std::string(BatteryKey(0).view()), "0");
}

TEST(PlatformInfoTest, TimeKeys) {
    EXPECT_EQ(std::string(FormatPlatformTime(2024, 3, 3, 9, 5, 0).view()), "2024-03-03 09:05:00");
    const std::regex form("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
    EXPECT_TRUE(std::regex_match(ask("time"), form)) << ask("time");
    EXPECT_TRUE(std::regex_match(ask("UtcTime"), form)) << ask("UtcTime");
}

TEST(PlatformInfoTest, MachineId) {
    EXPECT_EQ(MachineSerial("00000001000000020000000400000008\n"), 0xFu);
    EXPECT_EQ(MachineSerial("0123456789ABCDEF0123456789abcdef"), 0u);
    EXPECT_EQ(MachineSerial("0000000100000002000000040000000g"), kMissingMachineSerial);
    EXPECT_EQ(MachineSerial("00000001"), kMissingMachineSerial);
    EXPECT_EQ(MachineSerial(""), kMissingMachineSerial);
    // Least significant byte first: a change in the low byte shows in the first two digits.
    const std::string a(MachineIdKey(0x11223344).view()), b(MachineIdKey(0x112233BB).view());
    EXPECT_TRUE(std::regex_match(a, std::regex("[0-9A-F]{8}")));
    EXPECT_NE(a.substr(0, 2), b.substr(0, 2));
    EXPECT_EQ(a.substr(2), b.substr(2));
    EXPECT_TRUE(std::regex_match(ask("id"), std::regex("[0-9A-F]{8}")));
    EXPECT_EQ(ask("id"), ask("ID"));
}

TEST(PlatformInfoTest, DocumentsFolderFromUserDirs) {
    struct Case {
        const char* text;
        const char* folder;
    };
    const Case cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "/home/ann/Docs"},
        {"# XDG_DOCUMENTS_DIR=\"/x\"\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n  XDG_DOCUMENTS_DIR=\"/data/docs\"", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", ""},
        {"XDG_DOCUMENTS_DIR=\"relative\"\n", ""},
        {"XDG_DOCUMENTS_DIR=\"/unclosed\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DocumentsFromUserDirs(c.text, "/home/ann"), c.folder) << c.text;
}

TEST(PlatformInfoTest, FoldersFromTheXdgSettings) {
    ScratchFolder home;
    const std::string h = home.path().string();
    ScopedEnv homeVar("HOME", h.c_str()), config("XDG_CONFIG_HOME", nullptr), data("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(ask("documents"), "NO_DATA");
    std::filesystem::create_directories(h + "/Documents");
    EXPECT_EQ(ask("documents"), h + "/Documents");
    std::filesystem::create_directories(h + "/.config");
    test::writeBytes(h + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
    EXPECT_EQ(ask("documents"), h + "/Papers");

    EXPECT_EQ(ask("appdata"), h + "/.local/share/Quivent");
    EXPECT_TRUE(std::filesystem::is_directory(h + "/.local/share/Quivent"));
    ScopedEnv data2("XDG_DATA_HOME", (h + "/data/").c_str());
    EXPECT_EQ(ask("APPDATA"), h + "/data/Quivent");
    EXPECT_TRUE(std::filesystem::is_directory(h + "/data/Quivent"));
    test::writeBytes(h + "/blocked", "a file");
    ScopedEnv data3("XDG_DATA_HOME", (h + "/blocked").c_str());
    EXPECT_EQ(ask("APPDATA"), "NO_DATA");

    EXPECT_EQ(ask("temp"), platform::privateTempDir());
    EXPECT_EQ(ask("temp").back(), '/');
}

TEST(PlatformInfoTest, NoGlEntryPointsWithoutAWindow) {
    EXPECT_EQ(ask("GLEXT:glBegin"), "0");
}

TEST(PlatformInfoTest, Environment) {
    ScopedEnv var("QVT_INFO_TEST", nullptr);
    EXPECT_EQ(std::string(GetEnvironment("QVT_INFO_TEST").view()), "");
    SetEnvironment("QVT_INFO_TEST", "a=b c");
    EXPECT_EQ(std::string(GetEnvironment("QVT_INFO_TEST").view()), "a=b c");
    const std::string all(GetEnvironment("").view());
    EXPECT_NE(all.find("QVT_INFO_TEST=a=b c\n"), std::string::npos);
    EXPECT_EQ(all.back(), '\n');
}

}  // namespace
}  // namespace qvt
