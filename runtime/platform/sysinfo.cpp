#include "platform/sysinfo.h"

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

extern char** environ;

namespace qvt::platform {

namespace {

// The first line of a small file (sysfs attributes, the machine id); empty when unreadable.
std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    return line;
}

bool readInt(const std::string& path, int& value) {
    const std::string text = firstLine(path);
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || v < 0 || v > 100000) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

CalendarTime calendarNow(bool utc) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (utc) ::gmtime_r(&now, &parts); else ::localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int batteryPercent(const std::string& root) {
    DIR* dir = ::opendir(root.c_str());
    if (dir == nullptr) return -1;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    long sum = 0;
    int count = 0;
    for (const std::string& name : names) {
        const std::string base = root + "/" + name + "/";
        int present = 1, capacity = 0;
        if (firstLine(base + "type") != "Battery") continue;
        if (readInt(base + "present", present) && present == 0) continue;
        if (!readInt(base + "capacity", capacity)) continue;
        sum += capacity;
        ++count;
    }
    return count > 0 ? static_cast<int>(sum / count) : -1;
}

std::string machineIdText() {
    std::string id = firstLine("/etc/machine-id");
    return id.empty() ? firstLine("/var/lib/dbus/machine-id") : id;
}

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

bool environmentValue(const char* name, std::string& value) {
    const char* v = std::getenv(name);
    if (v == nullptr) return false;
    value = v;
    return true;
}

bool setEnvironmentValue(const char* name, const char* value) {
    return ::setenv(name, value, 1) == 0;
}

std::vector<std::string> environmentEntries() {
    std::vector<std::string> entries;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) entries.emplace_back(*e);
    return entries;
}

}  // namespace qvt::platform
