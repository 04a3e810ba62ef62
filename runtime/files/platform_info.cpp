#include "files/platform_info.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "files/filesystem.h"
#include "platform/fs.h"
#include "platform/sysinfo.h"
#include "platform/tempdir.h"
#include "platform/window.h"

namespace qvt {

namespace {

constexpr std::uint32_t kMachineMask = 0x5156A7E1;
constexpr const char* kHostId = "QVTLNX01";
constexpr const char* kNoData = "NO_DATA";

RuntimeString programVersion("000.001");

struct LanguageEntry {
    std::uint16_t id;
    const char* code;
};

// The runtime's language table, as programs built on it have always seen it (0409 reads
// "UK" and 0809 "EN": programs rely on that).
constexpr LanguageEntry kLanguages[] = {
    {0x0401, "AR"}, {0x0402, "BG"}, {0x0403, "CA"}, {0x0404, "CH"}, {0x0405, "CS"}, {0x0406, "DA"}, {0x0407, "DE"},
    {0x0408, "EL"}, {0x0409, "UK"}, {0x040A, "ES"}, {0x040B, "FI"}, {0x040C, "FR"}, {0x040D, "HE"}, {0x040E, "HU"},
    {0x040F, "IS"}, {0x0410, "IT"}, {0x0411, "JP"}, {0x0412, "KO"}, {0x0413, "NL"}, {0x0414, "NO"}, {0x0415, "PL"},
    {0x0416, "PT"}, {0x0418, "RO"}, {0x0419, "RU"}, {0x041A, "HR"}, {0x041B, "SK"}, {0x041C, "SQ"}, {0x041D, "SV"},
    {0x041E, "TH"}, {0x041F, "TR"}, {0x0420, "UR"}, {0x0421, "IN"}, {0x0422, "UK"}, {0x0423, "BE"}, {0x0424, "SL"},
    {0x0425, "ET"}, {0x0426, "LV"}, {0x0427, "LT"}, {0x0429, "FA"}, {0x042A, "VI"}, {0x042B, "HY"}, {0x042C, "AZ"},
    {0x042D, "EU"}, {0x042F, "MK"}, {0x0436, "AF"}, {0x0437, "KA"}, {0x0438, "FO"}, {0x0439, "HI"}, {0x043E, "MS"},
    {0x043F, "KK"}, {0x0440, "KY"}, {0x0441, "SW"}, {0x0443, "UZ"}, {0x0444, "TT"}, {0x0445, "BE"}, {0x0446, "PA"},
    {0x0447, "GU"}, {0x0448, "OR"}, {0x0449, "TA"}, {0x044A, "TE"}, {0x044B, "KA"}, {0x044C, "MA"}, {0x044D, "AS"},
    {0x044E, "MA"}, {0x044F, "SA"}, {0x0450, "MO"}, {0x0456, "GL"}, {0x0457, "KN"}, {0x045A, "SY"}, {0x0465, "DI"},
    {0x0801, "AR"}, {0x0804, "CH"}, {0x0807, "DE"}, {0x0809, "EN"}, {0x080A, "ES"}, {0x080C, "FR"}, {0x0810, "IT"},
    {0x0813, "NL"}, {0x0814, "NO"}, {0x0816, "PT"}, {0x081A, "SR"}, {0x081D, "SV"}, {0x0820, "UR"}, {0x0827, "LT"},
    {0x082C, "AZ"}, {0x083E, "MS"}, {0x0843, "UZ"}, {0x0C01, "AR"}, {0x0C04, "ZH"}, {0x0C07, "DE"}, {0x0C09, "EN"},
    {0x0C0A, "ES"}, {0x0C0C, "FR"}, {0x0C1A, "SR"}, {0x1001, "AR"}, {0x1004, "ZH"}, {0x1007, "DE"}, {0x1009, "EN"},
    {0x100A, "ES"}, {0x100C, "FR"}, {0x1401, "AR"}, {0x1404, "ZH"}, {0x1407, "DE"}, {0x1409, "EN"}, {0x140A, "ES"},
    {0x140C, "FR"}, {0x1801, "AR"}, {0x1809, "EN"}, {0x180A, "ES"}, {0x180C, "FR"}, {0x1C01, "AR"}, {0x1C09, "EN"},
    {0x1C0A, "ES"}, {0x2001, "AR"}, {0x2009, "EN"}, {0x200A, "ES"}, {0x2401, "AR"}, {0x2409, "EN"}, {0x240A, "ES"},
    {0x2801, "AR"}, {0x2809, "EN"}, {0x280A, "ES"}, {0x2C01, "AR"}, {0x2C09, "EN"}, {0x2C0A, "ES"}, {0x3001, "AR"},
    {0x3009, "EN"}, {0x300A, "ES"}, {0x3401, "AR"}, {0x3409, "EN"}, {0x340A, "ES"}, {0x3801, "AR"}, {0x380A, "ES"},
    {0x3C01, "AR"}, {0x3C0A, "ES"}, {0x4001, "AR"}, {0x400A, "ES"}, {0x440A, "ES"}, {0x480A, "ES"}, {0x4C0A, "ES"},
    {0x500A, "ES"},
};

// POSIX language (and territory or modifier) to language identifier. An entry with an
// empty territory is the language's default.
struct LocaleEntry {
    const char* language;
    const char* territory;  // "@name" matches a modifier
    std::uint16_t id;
};

constexpr LocaleEntry kLocales[] = {
    {"ar", "", 0x0401}, {"ar", "IQ", 0x0801}, {"ar", "EG", 0x0C01}, {"ar", "LY", 0x1001},
    {"ar", "DZ", 0x1401}, {"ar", "MA", 0x1801}, {"ar", "TN", 0x1C01}, {"ar", "OM", 0x2001},
    {"ar", "YE", 0x2401}, {"ar", "SY", 0x2801}, {"ar", "JO", 0x2C01}, {"ar", "LB", 0x3001},
    {"ar", "KW", 0x3401}, {"ar", "AE", 0x3801}, {"ar", "BH", 0x3C01}, {"ar", "QA", 0x4001},
    {"bg", "", 0x0402}, {"ca", "", 0x0403},
    {"zh", "", 0x0804}, {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004}, {"zh", "MO", 0x1404},
    {"cs", "", 0x0405}, {"da", "", 0x0406},
    {"de", "", 0x0407}, {"de", "CH", 0x0807}, {"de", "AT", 0x0C07}, {"de", "LU", 0x1007}, {"de", "LI", 0x1407},
    {"el", "", 0x0408},
    {"en", "", 0x0409}, {"en", "GB", 0x0809}, {"en", "AU", 0x0C09}, {"en", "CA", 0x1009},
    {"en", "NZ", 0x1409}, {"en", "IE", 0x1809}, {"en", "ZA", 0x1C09}, {"en", "JM", 0x2009},
    {"en", "BZ", 0x2809}, {"en", "TT", 0x2C09}, {"en", "ZW", 0x3009}, {"en", "PH", 0x3409},
    {"es", "", 0x0C0A}, {"es", "MX", 0x080A}, {"es", "GT", 0x100A}, {"es", "CR", 0x140A},
    {"es", "PA", 0x180A}, {"es", "DO", 0x1C0A}, {"es", "VE", 0x200A}, {"es", "CO", 0x240A},
    {"es", "PE", 0x280A}, {"es", "AR", 0x2C0A}, {"es", "EC", 0x300A}, {"es", "CL", 0x340A},
    {"es", "UY", 0x380A}, {"es", "PY", 0x3C0A}, {"es", "BO", 0x400A}, {"es", "SV", 0x440A},
    {"es", "HN", 0x480A}, {"es", "NI", 0x4C0A}, {"es", "PR", 0x500A},
    {"fi", "", 0x040B},
    {"fr", "", 0x040C}, {"fr", "BE", 0x080C}, {"fr", "CA", 0x0C0C}, {"fr", "CH", 0x100C},
    {"fr", "LU", 0x140C}, {"fr", "MC", 0x180C},
    {"he", "", 0x040D}, {"iw", "", 0x040D}, {"hu", "", 0x040E}, {"is", "", 0x040F},
    {"it", "", 0x0410}, {"it", "CH", 0x0810}, {"ja", "", 0x0411}, {"ko", "", 0x0412},
    {"nl", "", 0x0413}, {"nl", "BE", 0x0813}, {"nb", "", 0x0414}, {"no", "", 0x0414}, {"nn", "", 0x0814},
    {"pl", "", 0x0415}, {"pt", "", 0x0816}, {"pt", "BR", 0x0416}, {"ro", "", 0x0418}, {"ru", "", 0x0419},
    {"hr", "", 0x041A}, {"sr", "", 0x0C1A}, {"sr", "@latin", 0x081A}, {"sk", "", 0x041B},
    {"sq", "", 0x041C}, {"sv", "", 0x041D}, {"sv", "FI", 0x081D}, {"th", "", 0x041E},
    {"tr", "", 0x041F}, {"ur", "", 0x0420}, {"ur", "IN", 0x0820}, {"id", "", 0x0421},
    {"in", "", 0x0421}, {"uk", "", 0x0422}, {"be", "", 0x0423}, {"sl", "", 0x0424},
    {"et", "", 0x0425}, {"lv", "", 0x0426}, {"lt", "", 0x0427}, {"fa", "", 0x0429},
    {"vi", "", 0x042A}, {"hy", "", 0x042B}, {"az", "", 0x042C}, {"az", "@cyrillic", 0x082C},
    {"eu", "", 0x042D}, {"mk", "", 0x042F}, {"af", "", 0x0436}, {"ka", "", 0x0437},
    {"fo", "", 0x0438}, {"hi", "", 0x0439}, {"ms", "", 0x043E}, {"ms", "BN", 0x083E},
    {"kk", "", 0x043F}, {"ky", "", 0x0440}, {"sw", "", 0x0441}, {"uz", "", 0x0443},
    {"uz", "@cyrillic", 0x0843}, {"tt", "", 0x0444}, {"bn", "", 0x0445}, {"pa", "", 0x0446},
    {"gu", "", 0x0447}, {"or", "", 0x0448}, {"ta", "", 0x0449}, {"te", "", 0x044A},
    {"kn", "", 0x044B}, {"ml", "", 0x044C}, {"as", "", 0x044D}, {"mr", "", 0x044E},
    {"sa", "", 0x044F}, {"mn", "", 0x0450}, {"gl", "", 0x0456}, {"kok", "", 0x0457},
    {"syr", "", 0x045A}, {"dv", "", 0x0465},
};

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string envOr(const char* name, const std::string& fallback = {}) {
    std::string value;
    return platform::environmentValue(name, value) && !value.empty() ? value : fallback;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string localeName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = envOr(name);
        if (!value.empty()) return value;
    }
    return {};
}

// An XDG base folder: the variable when it holds an absolute path, else home + fallback.
std::string xdgFolder(const char* variable, const char* fallback) {
    const std::string value = envOr(variable);
    if (!value.empty() && value.front() == '/') return withoutTrailingSlash(value);
    const std::string home = platform::homeDirectory();
    return home.empty() ? std::string{} : withoutTrailingSlash(home) + fallback;
}

std::string readSmallFile(const std::string& path) {
    const int fd = platform::openFile(path.c_str(), platform::FileAccess::Read);
    if (fd < 0) return {};
    std::string text(64 * 1024, '\0');
    const std::int64_t got = platform::readFile(fd, text.data(), text.size());
    platform::closeFile(fd);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::string documentsFolder() {
    const std::string home = withoutTrailingSlash(platform::homeDirectory());
    if (home.empty()) return {};
    const std::string config = xdgFolder("XDG_CONFIG_HOME", "/.config");
    std::string docs = DocumentsFromUserDirs(readSmallFile(config + "/user-dirs.dirs"), home);
    if (docs.empty() && platform::statPath((home + "/Documents").c_str()).kind == platform::PathKind::Directory) {
        docs = home + "/Documents";
    }
    return withoutTrailingSlash(docs);
}

// Makes path and every missing folder above it; true when it is a folder in the end.
bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (platform::statPath(part.c_str()).kind != platform::PathKind::Directory) platform::makeDirectory(part.c_str());
        if (slash == std::string::npos) break;
    }
    return platform::statPath(path.c_str()).kind == platform::PathKind::Directory;
}

std::string appDataFolder() {
    const std::string data = xdgFolder("XDG_DATA_HOME", "/.local/share");
    if (data.empty()) return {};
    const std::string folder = data + "/Quivent";
    return makeFolders(folder) ? folder : std::string{};
}

RuntimeString folderOrNoData(std::string path) {
    if (path.empty()) return RuntimeString(kNoData);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return RuntimeString(std::string_view(path));
}

RuntimeString timeNow(bool utc) {
    const platform::CalendarTime t = platform::calendarNow(utc);
    return FormatPlatformTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace

std::uint16_t LocaleLanguageId(std::string_view locale) {
    const std::size_t at = locale.find('@');
    std::string modifier;
    if (at != std::string_view::npos) modifier.append("@").append(lowerAscii(locale.substr(at + 1)));
    locale = locale.substr(0, std::min(locale.find('.'), at));
    const std::size_t bar = locale.find('_');
    const std::string language = lowerAscii(locale.substr(0, bar));
    const std::string territory = bar == std::string_view::npos ? std::string{} : upperAscii(locale.substr(bar + 1));
    // A modifier ("sr@latin") decides before the territory, the territory before the default.
    const std::string tries[] = {modifier, territory, std::string{}};
    for (std::size_t t = 0; t < std::size(tries); ++t) {
        if (t + 1 < std::size(tries) && tries[t].empty()) continue;
        for (const LocaleEntry& e : kLocales) {
            if (language == e.language && tries[t] == e.territory) return e.id;
        }
    }
    return 0;
}

RuntimeString LanguageCode(std::uint16_t languageId) {
    std::string code = "US";
    for (const LanguageEntry& e : kLanguages) {
        if (e.id == languageId) {
            code = e.code;
            break;
        }
    }
    code = lowerAscii(code);
    if (code == "eng" || code == "english-uk") code = "uk";
    code = code.substr(0, 2);
    static constexpr std::array<std::pair<const char*, const char*>, 7> kRenames = {{
        {"c", "us"}, {"el", "gr"}, {"du", "nl"}, {"am", "us"}, {"en", "us"}, {"ja", "jp"}, {"po", "pl"}}};
    for (const auto& [from, to] : kRenames) {
        if (code == from) code = to;
    }
    return RuntimeString(code.size() == 2 ? code.c_str() : "us");
}

RuntimeString BatteryKey(int percent) { return NumberToString(percent < 0 ? 100 : std::min(percent, 100)); }

RuntimeString FormatPlatformTime(int year, int month, int day, int hour, int minute, int second) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return RuntimeString(text);
}

std::uint32_t MachineSerial(std::string_view idText) {
    while (!idText.empty() && (idText.back() == '\n' || idText.back() == '\r' || idText.back() == ' ')) idText.remove_suffix(1);
    if (idText.size() != 32) return kMissingMachineSerial;
    std::uint32_t serial = 0;
    for (std::size_t group = 0; group < 4; ++group) {
        std::uint32_t word = 0;
        for (const char c : idText.substr(group * 8, 8)) {
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return kMissingMachineSerial;
            word = (word << 4) | static_cast<std::uint32_t>(digit);
        }
        serial ^= word;
    }
    return serial;
}

RuntimeString MachineIdKey(std::uint32_t serial) {
    const std::uint32_t v = serial ^ kMachineMask;
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
    return RuntimeString(text);
}

std::string DocumentsFromUserDirs(std::string_view text, const std::string& home) {
    std::string found;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
        if (line.substr(0, kKey.size()) != kKey) continue;
        line.remove_prefix(kKey.size());
        const std::size_t quote = line.find('"');
        if (quote == std::string_view::npos) continue;
        line = line.substr(0, quote);
        // The file holds "$HOME/..." or an absolute path; anything else is not a folder.
        if (line.substr(0, 5) == "$HOME" && (line.size() == 5 || line[5] == '/')) {
            found = home + std::string(line.substr(5));
        } else if (!line.empty() && line.front() == '/') {
            found = std::string(line);
        }
    }
    return found;
}

RuntimeString QueryPlatformInfo(const RuntimeString& key) {
    const std::string k = upperAscii(key.view());
    if (k.empty()) return RuntimeString("LINUX");
    if (k == "DEVICE") return RuntimeString("DESKTOP");
    if (k.rfind("GLEXT:", 0) == 0) {
        const std::string name(key.view().substr(6));
        return RuntimeString(!name.empty() && platform::glProcAddress(name.c_str()) != nullptr ? "1" : "0");
    }
    if (k == "ID") return MachineIdKey(MachineSerial(platform::machineIdText()));
    if (k == "TIME") return timeNow(false);
    if (k == "UTCTIME") return timeNow(true);
    if (k == "BATTERY") return BatteryKey(platform::batteryPercent());
    if (k == "COMPILED") return RuntimeString(__DATE__ "-" __TIME__);
    if (k == "HOSTID") return RuntimeString(kHostId);
    if (k == "VERSION") return programVersion;
    if (k == "LOCALE") return LanguageCode(LocaleLanguageId(localeName()));
    if (k == "DOCUMENTS") return folderOrNoData(documentsFolder());
    if (k == "APPDATA") return folderOrNoData(appDataFolder());
    if (k == "TEMP") return folderOrNoData(platform::privateTempDir());
    return RuntimeString(kNoData);
}

RuntimeString GetEnvironment(const RuntimeString& name) {
    if (name.empty()) {
        std::string all;
        for (const std::string& entry : platform::environmentEntries()) all += entry + "\n";
        return RuntimeString(std::string_view(all));
    }
    std::string value;
    return platform::environmentValue(name.c_str(), value) ? RuntimeString(std::string_view(value)) : RuntimeString();
}

void SetEnvironment(const RuntimeString& name, const RuntimeString& value) {
    platform::setEnvironmentValue(name.c_str(), value.c_str());
}

void SetProgramVersion(const RuntimeString& version) { programVersion = version; }

}  // namespace qvt
