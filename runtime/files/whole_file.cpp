#include "files/whole_file.h"

#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "files/filesystem.h"
#include "files/files.h"
#include "files/memfile.h"
#include "files/resolver.h"
#include "platform/fs.h"

namespace qvt {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool readDescriptor(int fd, std::string& bytes) {
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        const std::int64_t got = platform::readFile(fd, chunk.data(), chunk.size());
        if (got < 0) return false;
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < chunk.size()) return true;
    }
}

}  // namespace

WholeFileRead ReadWholeFile(const RuntimeString& name, std::string& bytes) {
    bytes.clear();
    RuntimeString found;
    if (!ResolveMediaFile(kMediaResolver, name, found, true)) return WholeFileRead::Missing;
    if (IsMemoryFileName(found.view())) {
        const MemoryBytes memory = FindMemoryFile(found.view());
        if (memory == nullptr) return WholeFileRead::Missing;
        bytes.assign(memory->begin(), memory->end());
        return WholeFileRead::Read;
    }
    const int fd = platform::openFile(osPath(found).c_str(), platform::FileAccess::Read);
    if (fd < 0) return WholeFileRead::Unreadable;
    const bool ok = readDescriptor(fd, bytes);
    platform::closeFile(fd);
    if (!ok) bytes.clear();
    return ok ? WholeFileRead::Read : WholeFileRead::Unreadable;
}

std::string WriteTargetOf(const RuntimeString& name) {
    if (name.empty() || IsMemoryFileName(name.view())) return {};
    std::string path = osPath(name);
    if (path.empty() || path.front() == '/') return path;
    const std::string cwd = platform::currentDirectory();
    if (cwd.empty()) return path;
    return cwd.back() == '/' ? cwd + path : cwd + "/" + path;
}

bool SaveWholeFile(const std::string& target, std::string_view bytes) {
    const std::string partial = target + ".qvtsave-" + std::to_string(platform::processId());
    platform::removeFile(partial.c_str());
    const int fd = platform::openFile(partial.c_str(), platform::FileAccess::CreateNew);
    bool ok = fd >= 0 && platform::writeFile(fd, bytes.data(), bytes.size());
    if (fd >= 0) platform::closeFile(fd);
    ok = ok && platform::renameFileDurably(partial.c_str(), target.c_str());
    if (ok) return true;
    platform::removeFile(partial.c_str());
    return RefuseSave(target);
}

bool RefuseSave(const std::string& target) {
    SetLastError(kErrNoSuchFile);
    WriteLogFormat("Could not save %s\n", target.c_str());
    return false;
}

std::vector<std::string> SplitFileLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        const bool fed = end != std::string_view::npos;
        if (!fed) end = bytes.size();
        std::size_t stop = end;
        if (fed && stop > at && bytes[stop - 1] == '\r') --stop;
        lines.emplace_back(bytes.substr(at, stop - at));
        at = fed ? end + 1 : end;
    }
    return lines;
}

void RegisterSettingsShutdown() { RegisterShutdownStep(ShutdownStep::SettingsFiles, ShutdownSettingsFiles); }

}  // namespace qvt
