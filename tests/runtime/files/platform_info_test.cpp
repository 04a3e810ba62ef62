// Platform queries: the locale from the environment through the language table (quirks
// kept), the form of every key, the machine id, the folders from the XDG settings, and the
// environment calls. GL entry points with a window: tests/runtime/gfx/glext_test.
#include "files/platform_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <tuple>
#include <utility>

#include "platform/tempdir.h"
#include "support/files.h"

namespace qvt {
namespace {

using test::ScopedEnv;

std::string ask(const char* key) { return std::string(QueryPlatformInfo(key).view()); }

TEST(PlatformInfoTest, LocaleFromTheEnvironment) {
    const std::tuple<const char*, std::uint16_t, const char*> cases[] = {  // the table reads 0409 as UK, 0809 as EN
        {"de_DE.UTF-8", 0x0407, "de"}, {"en_US", 0x0409, "uk"}, {"en_GB.UTF-8", 0x0809, "us"}, {"C", 0, "us"},
        {"sr_RS@latin", 0x081A, "sr"}, {"sr_RS", 0x0C1A, "sr"}};
    ScopedEnv messages("LC_MESSAGES", nullptr), lang("LANG", "ja_JP");
    for (const auto& [locale, id, code] : cases) {
        ScopedEnv all("LC_ALL", locale);
        EXPECT_EQ(std::pair(LocaleLanguageId(locale), ask("locale")), std::pair(id, std::string(code))) << locale;
    }
    // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
    ScopedEnv all("LC_ALL", ""), messages2("LC_MESSAGES", "de_DE");
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
        {"time", time}, {"UtcTime", time}, {"id", "[0-9A-F]{8}"}, {"GLEXT:glBegin", "0"}};  // no window
    for (const auto& [key, form] : cases) EXPECT_TRUE(std::regex_match(ask(key), std::regex(form))) << key << " " << ask(key);
    EXPECT_EQ(std::string(FormatPlatformTime(2024, 3, 3, 9, 5, 0).view()), "2024-03-03 09:05:00");
    EXPECT_EQ(std::string((BatteryKey(-1) + " " + BatteryKey(255) + " " + BatteryKey(57) + " " + BatteryKey(0)).view()), "100 100 57 0");
}

TEST(PlatformInfoTest, MachineId) {
    const std::pair<const char*, std::uint32_t> serials[] = {
        {"00000001000000020000000400000008\n", 0xFu}, {"0123456789ABCDEF0123456789abcdef", 0u},
        {"0000000100000002000000040000000g", kMissingMachineSerial}, {"00000001", kMissingMachineSerial}};
    for (const auto& [text, serial] : serials) EXPECT_EQ(MachineSerial(text), serial) << text;
    // Least significant byte first: a change in the low byte shows in the first two digits.
    const std::string a(MachineIdKey(0x11223344).view()), b(MachineIdKey(0x112233BB).view());
    EXPECT_NE(a.substr(0, 2), b.substr(0, 2));
    EXPECT_EQ(a.substr(2), b.substr(2));
}

TEST(PlatformInfoTest, DocumentsFolderFromUserDirs) {
    const std::pair<const char*, const char*> cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "/home/ann/Docs"},
        {"# XDG_DOCUMENTS_DIR=\"/x\"\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n  XDG_DOCUMENTS_DIR=\"/data/docs\"", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", ""}, {"XDG_DOCUMENTS_DIR=\"relative\"\n", ""},
        {"XDG_DOCUMENTS_DIR=\"/unclosed\n", ""}};
    for (const auto& [text, folder] : cases) EXPECT_EQ(DocumentsFromUserDirs(text, "/home/ann"), folder) << text;
}

TEST(PlatformInfoTest, FoldersFromTheXdgSettings) {
    test::ScratchFolder home;
    const std::string h = home.path().string();
    ScopedEnv homeVar("HOME", h.c_str()), config("XDG_CONFIG_HOME", nullptr), data("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(ask("documents"), "NO_DATA");
    std::filesystem::create_directories(h + "/Documents");
    EXPECT_EQ(ask("documents"), h + "/Documents");
    std::filesystem::create_directories(h + "/.config");
    test::writeBytes(h + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
    EXPECT_EQ(ask("documents"), h + "/Papers");
    // The data folder is made when missing.
    EXPECT_EQ(ask("appdata"), h + "/.local/share/Quivent");
    test::writeBytes(h + "/blocked", "a file");
    ScopedEnv data3("XDG_DATA_HOME", (h + "/blocked").c_str());
    EXPECT_EQ(ask("APPDATA"), "NO_DATA");
    EXPECT_EQ(ask("temp"), platform::privateTempDir());
}

TEST(PlatformInfoTest, Environment) {
    ScopedEnv var("QVT_INFO_TEST", nullptr);
    const std::string before(GetEnvironment("QVT_INFO_TEST").view());
    SetEnvironment("QVT_INFO_TEST", "a=b c");
    EXPECT_EQ(before + "|" + std::string(GetEnvironment("QVT_INFO_TEST").view()), "|a=b c");
}

}  // namespace
}  // namespace qvt
