#include "files/ini.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "files/whole_file.h"

namespace qvt {

namespace {

struct IniCache {
    RuntimeString fileName;
    std::string target;        // where the write-back goes; empty: never written
    bool dirty = false;
    bool unreadable = false;   // there but not read: writing would destroy it
    std::vector<IniSection> sections;
};

IniCache cache;
std::vector<IniCache> unsaved;  // write-backs that failed, retried at every later one

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool blank(char c) { return c == ' ' || c == '\t'; }
bool control(char c) { return static_cast<unsigned char>(c) < 32; }

// Removes the element at i; the last one takes its place.
template <class T>
void swapRemove(std::vector<T>& items, std::size_t i) {
    if (i + 1 != items.size()) items[i] = std::move(items.back());
    items.pop_back();
}

RuntimeString oneLine(const RuntimeString& text) {
    std::string s(text.view());
    for (char& c : s) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return RuntimeString(std::string_view(s));
}

IniSection* findSection(std::string_view name, std::size_t* at = nullptr) {
    for (std::size_t i = 0; i < cache.sections.size(); ++i) {
        if (sameName(cache.sections[i].name.view(), name)) {
            if (at != nullptr) *at = i;
            return &cache.sections[i];
        }
    }
    return nullptr;
}

bool writeBack(IniCache& c) {
    if (!c.dirty || c.target.empty()) return true;
    // Its old contents were never read; replacing them would lose them.
    if (c.unreadable) return RefuseSave(c.target);
    if (!SaveWholeFile(c.target, FormatIniText(c.sections))) return false;
    c.dirty = false;
    return true;
}

bool retryUnsaved() {
    for (std::size_t i = unsaved.size(); i-- > 0;) {
        if (writeBack(unsaved[i])) swapRemove(unsaved, i);
    }
    return unsaved.empty();
}

// Parses one line into the sections collected so far.
void parseLine(std::string_view line, IniSection& current, std::vector<IniSection>& sections) {
    std::size_t i = 0;
    while (i < line.size() && (blank(line[i]) || line[i] == '\r' || line[i] == '\n')) ++i;
    if (i == line.size() || line[i] == ';') return;
    if (line[i] == '[') {
        if (!current.keys.empty()) sections.push_back(current);
        current.keys.clear();
        ++i;
        while (i < line.size() && blank(line[i])) ++i;
        std::size_t end = i;
        while (end < line.size() && !blank(line[end]) && line[end] != '=') ++end;
        std::string_view name = line.substr(i, end - i);
        if (!name.empty() && name.back() == ']') name.remove_suffix(1);
        if (!name.empty()) current.name = RuntimeString(name);
        return;
    }
    std::size_t end = i;
    while (end < line.size() && !blank(line[end]) && line[end] != '=') ++end;
    const std::string_view key = line.substr(i, end - i);
    std::size_t at = end;
    while (at < line.size() && blank(line[at])) ++at;
    if (at == line.size() || line[at] != '=') return;
    ++at;
    while (at < line.size() && blank(line[at])) ++at;
    std::string_view value = line.substr(at);
    while (!value.empty() && control(value.back())) value.remove_suffix(1);
    // A value of nothing but control characters would be written as a key without one.
    if (value.empty()) return;
    current.keys.push_back({RuntimeString(key), RuntimeString(value)});
}

}  // namespace

std::vector<IniSection> ParseIniText(std::string_view text) {
    std::vector<IniSection> sections;
    IniSection current;
    for (const std::string& line : SplitFileLines(text)) {
        // The cache reads lines as C texts: a zero byte ends one.
        parseLine(std::string_view(line).substr(0, line.find('\0')), current, sections);
    }
    if (!current.keys.empty()) sections.push_back(std::move(current));
    return sections;
}

std::string FormatIniText(const std::vector<IniSection>& sections) {
    std::string text;
    for (const IniSection& s : sections) {
        text += '[';
        text += s.name.view();
        text += "]\r\n";
        for (const IniKey& k : s.keys) {
            text += k.name.view();
            text += '=';
            text += k.value.view();
            text += "\r\n";
        }
    }
    return text;
}

void OpenSettingsFile(const RuntimeString& path) {
    RegisterSettingsShutdown();
    retryUnsaved();
    if (!writeBack(cache)) unsaved.push_back(std::move(cache));
    cache = IniCache{};
    if (path.empty()) return;
    cache.fileName = path;
    cache.target = WriteTargetOf(path);
    for (std::size_t i = 0; i < unsaved.size(); ++i) {
        if (!cache.target.empty() && unsaved[i].target == cache.target) {
            cache = std::move(unsaved[i]);
            cache.fileName = path;
            swapRemove(unsaved, i);
            return;
        }
    }
    const std::int32_t before = LastErrorCode();
    std::string bytes;
    switch (ReadWholeFile(path, bytes)) {
        case WholeFileRead::Read:
            cache.sections = ParseIniText(bytes);
            break;
        case WholeFileRead::Missing:
            // Not there yet: the first write-back creates it.
            SetLastError(before);
            break;
        case WholeFileRead::Unreadable:
            cache.unreadable = true;
            SetLastError(kErrNoSuchFile);
            break;
    }
}

RuntimeString GetSetting(const RuntimeString& section, const RuntimeString& key,
                         const RuntimeString& fallback) {
    const IniSection* s = findSection(section.view());
    if (s == nullptr) return fallback;
    for (const IniKey& k : s->keys) {
        if (sameName(k.name.view(), key.view())) return k.value;
    }
    return fallback;
}

void PutSetting(const RuntimeString& section, const RuntimeString& key, const RuntimeString& value) {
    const RuntimeString name = oneLine(section);
    std::size_t at = 0;
    IniSection* s = findSection(name.view(), &at);
    if (key.empty()) {
        if (s == nullptr) return;
        swapRemove(cache.sections, at);
        cache.dirty = true;
        return;
    }
    if (s == nullptr) {
        cache.sections.push_back({name, {}});
        s = &cache.sections.back();
    }
    const RuntimeString keyName = oneLine(key);
    for (std::size_t i = 0; i < s->keys.size(); ++i) {
        if (!sameName(s->keys[i].name.view(), keyName.view())) continue;
        if (value.empty()) swapRemove(s->keys, i); else s->keys[i].value = oneLine(value);
        cache.dirty = true;
        return;
    }
    if (value.empty()) return;
    s->keys.push_back({keyName, oneLine(value)});
    cache.dirty = true;
}

bool FlushSettingsFile() {
    const bool older = retryUnsaved();
    return writeBack(cache) && older;
}

const RuntimeString& SettingsFileName() { return cache.fileName; }

void ResetSettingsFile() {
    cache = IniCache{};
    unsaved.clear();
}

}  // namespace qvt
