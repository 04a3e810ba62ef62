// Platform queries: the locale from the environment through the language table (quirks
// kept), the form of every key, the machine serial, the folders from the XDG settings, and
// the environment calls.
#include "files/platform_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <utility>

#include "platform/tempdir.h"
#include "support/files.h"

namespace qvt {
namespace {

using test::ScopedEnv;

std::string ask(const char* key) { return std::string(QueryPlatformInfo(key).view()); }

// LC_ALL before LC_MESSAGES before LANG; an empty one does not count. The language table
// reads 0409 as UK.
TEST(PlatformInfoTest, LocaleFromTheEnvironment) {
    const std::pair<const char*, const char*> locales[] = {{"C", "us"}, {"en_US", "uk"},
        {"de_DE.UTF-8", "de"}, {"en_GB.UTF-8", "us"}, {"sr_RS", "sr"}};
    for (const auto& [locale, code] : locales) {
        ScopedEnv all("LC_ALL", locale);
        EXPECT_EQ(ask("locale"), code) << locale;
    }
    ScopedEnv all("LC_ALL", ""), messages("LC_MESSAGES", "de_DE"), lang("LANG", "ja_JP");
    EXPECT_EQ(ask("LOCALE"), "de");
    ScopedEnv noMessages("LC_MESSAGES", nullptr);
    EXPECT_EQ(ask("LOCALE"), "jp");
    ScopedEnv noLang("LANG", nullptr);
    EXPECT_EQ(ask("LOCALE"), "us");
}

TEST(PlatformInfoTest, EveryKeyHasItsForm) {
    const std::string time = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
    const std::pair<const char*, std::string> cases[] = {
        {"", "LINUX"}, {"Device", "DESKTOP"}, {"whatever", "NO_DATA"}, {"version", "000\\.001"},
        {"UtcTime", time}, {"id", "[0-9A-F]{8}"}, {"GLEXT:glBegin", "0"}};  // no window
    for (const auto& [key, form] : cases) {
        EXPECT_TRUE(std::regex_match(ask(key), std::regex(form))) << key << " " << ask(key);
    }
    EXPECT_EQ(std::string(FormatPlatformTime(2024, 3, 3, 9, 5, 0).view()), "2024-03-03 09:05:00");
}

TEST(PlatformInfoTest, MachineSerialNeedsAWholeId) {
    EXPECT_EQ(MachineSerial("00000001000000020000000400000008\n"), 0xFu);
    EXPECT_EQ(MachineSerial("0000000100000002000000040000000g"), kMissingMachineSerial);
    EXPECT_EQ(MachineSerial("00000001"), kMissingMachineSerial);
}

TEST(PlatformInfoTest, Folders) {
    const std::pair<const char*, const char*> lines[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "/home/ann/Docs"},
        {"# XDG_DOCUMENTS_DIR=\"/x\"\n  XDG_DOCUMENTS_DIR=\"/data/docs\"", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", ""}, {"XDG_DOCUMENTS_DIR=\"relative\"\n", ""},
        {"XDG_DOCUMENTS_DIR=\"/unclosed\n", ""}};
    for (const auto& [text, folder] : lines) {
        EXPECT_EQ(DocumentsFromUserDirs(text, "/home/ann"), folder) << text;
    }
    test::ScratchFolder home;
    const std::string h = home.path().string();
    ScopedEnv homeVar("HOME", h.c_str()), config("XDG_CONFIG_HOME", nullptr),
        data("XDG_DATA_HOME", "relative/ignored");
    std::filesystem::create_directories(h + "/.config");
    test::writeBytes(h + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
    EXPECT_EQ(ask("documents"), h + "/Papers");
    EXPECT_EQ(ask("appdata"), h + "/.local/share/Quivent") << "made when missing";
    EXPECT_EQ(ask("temp"), platform::privateTempDir());
}

TEST(PlatformInfoTest, Environment) {
    ScopedEnv var("QVT_INFO_TEST", nullptr);
    EXPECT_EQ(std::string(GetEnvironment("QVT_INFO_TEST").view()), "");
    SetEnvironment("QVT_INFO_TEST", "a=b c");
    EXPECT_EQ(std::string(GetEnvironment("QVT_INFO_TEST").view()), "a=b c");
}

}  // namespace
}  // namespace qvt
