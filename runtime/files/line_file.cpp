#include "files/line_file.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "files/whole_file.h"

namespace qvt {

namespace {

struct LineCache {
    RuntimeString fileName;
    std::string target;       // where the write-back goes; empty: never written
    bool dirty = false;
    bool missing = false;     // could not be read: line reads say so until lines are put
    bool unreadable = false;  // there but not read: writing would destroy it
    std::vector<std::string> lines;  // 0 .. last line, then whatever followed line 255
};

LineCache cache;
std::vector<LineCache> unsaved;  // write-backs that failed, retried at every later one

bool writeBack(LineCache& c) {
    if (!c.dirty || c.target.empty()) return true;
    if (c.unreadable) return RefuseSave(c.target);
    if (!SaveWholeFile(c.target, FormatTextFileLines(c.lines))) return false;
    c.dirty = false;
    return true;
}

void dropUnsaved(std::size_t i) {
    if (i + 1 != unsaved.size()) unsaved[i] = std::move(unsaved.back());
    unsaved.pop_back();
}

bool retryUnsaved() {
    for (std::size_t i = unsaved.size(); i-- > 0;) {
        if (writeBack(unsaved[i])) dropUnsaved(i);
    }
    return unsaved.empty();
}

void nameFile(const RuntimeString& path) {
    if (StringEquals(path, cache.fileName)) return;
    RegisterSettingsShutdown();
    retryUnsaved();
    if (!writeBack(cache)) unsaved.push_back(std::move(cache));
    cache = LineCache{};
    cache.fileName = path;
    if (path.empty()) return;
    cache.target = WriteTargetOf(path);
    for (std::size_t i = 0; i < unsaved.size(); ++i) {
        if (cache.target.empty() || unsaved[i].target != cache.target) continue;
        cache = std::move(unsaved[i]);
        cache.fileName = path;
        dropUnsaved(i);
        return;
    }
    std::string bytes;
    const WholeFileRead read = ReadWholeFile(path, bytes);
    if (read == WholeFileRead::Read) {
        cache.lines = SplitFileLines(bytes);
        return;
    }
    cache.missing = true;
    cache.unreadable = read == WholeFileRead::Unreadable;
    SetLastError(kErrNoSuchFile);
}

bool validLine(std::int32_t line) {
    if (line >= 0 && line < kTextFileLines) return true;
    SetLastError(kErrOutOfMemory);
    return false;
}

}  // namespace

std::string FormatTextFileLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

RuntimeString GetTextFileLine(const RuntimeString& path, std::int32_t line) {
    nameFile(path);
    if (!validLine(line)) return RuntimeString("NO_DATA");
    if (cache.missing && !cache.dirty) {
        SetLastError(kErrNoSuchFile);
        return RuntimeString("NO_FILE");
    }
    if (static_cast<std::size_t>(line) >= cache.lines.size()) return {};
    // A line is a C text in the cache: a zero byte ends it.
    std::string_view text = cache.lines[static_cast<std::size_t>(line)];
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 32) text.remove_suffix(1);
    return RuntimeString(text);
}

void PutTextFileLine(const RuntimeString& path, std::int32_t line, const RuntimeString& text) {
    nameFile(path);
    if (!validLine(line)) return;
    std::string value(text.view().substr(0, kTextFileLineMax));
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    const auto at = static_cast<std::size_t>(line);
    if (cache.lines.size() <= at) cache.lines.resize(at + 1);
    cache.lines[at] = std::move(value);
    cache.dirty = true;
}

bool FlushTextFileLines() {
    const bool older = retryUnsaved();
    return writeBack(cache) && older;
}

const RuntimeString& TextFileName() { return cache.fileName; }

void ResetTextFileLines() {
    cache = LineCache{};
    unsaved.clear();
}

}  // namespace qvt
