#include "files/filesystem.h"

#include <vector>

#include "core/errors.h"
#include "files/memfile.h"
#include "platform/fs.h"

namespace qvt {

namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameChar(char patternChar, char nameChar) {
    if (patternChar == '?') return nameChar != '.';
    return lowerAscii(patternChar) == lowerAscii(nameChar);
}

// Copies all of fd into out; false on a read or write error.
bool copyDescriptor(int in, int out) {
    std::vector<std::uint8_t> buffer(kCopyChunk);
    for (;;) {
        const std::int64_t got = platform::readFile(in, buffer.data(), buffer.size());
        if (got < 0) return false;
        if (got > 0 && !platform::writeFile(out, buffer.data(), static_cast<std::size_t>(got))) return false;
        if (static_cast<std::size_t>(got) < buffer.size()) return true;
    }
}

bool copySourceTo(const RuntimeString& source, int out) {
    if (IsMemoryFileName(source.view())) {
        const MemoryBytes bytes = FindMemoryFile(source.view());
        return bytes != nullptr && platform::writeFile(out, bytes->data(), bytes->size());
    }
    const int in = platform::openFile(osPath(source).c_str(), platform::FileAccess::Read);
    if (in < 0) return false;
    const bool ok = copyDescriptor(in, out);
    platform::closeFile(in);
    return ok;
}

}  // namespace

std::string osPath(std::string_view path) {
    std::string out(path.substr(0, path.find('\0')));
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

std::int32_t FileExists(const RuntimeString& path) {
    return platform::statPath(osPath(path).c_str()).kind == platform::PathKind::File ? 1 : 0;
}

std::int32_t DirectoryExists(const RuntimeString& path) {
    return platform::statPath(osPath(path).c_str()).kind == platform::PathKind::Directory ? 1 : 0;
}

std::int32_t RemoveFile(const RuntimeString& path) {
    return platform::removeFile(osPath(path).c_str()) ? 1 : 0;
}

std::int32_t ReplaceFileWith(const RuntimeString& path, const RuntimeString& temp) {
    if (platform::renameFileDurably(osPath(temp).c_str(), osPath(path).c_str())) return 1;
    SetLastError(kErrNoSuchFile);
    return 0;
}

std::int32_t MakeDirectory(const RuntimeString& path) {
    return platform::makeDirectory(osPath(path).c_str()) ? 1 : 0;
}

std::int32_t CopyFileTo(const RuntimeString& source, const RuntimeString& destination) {
    // The copy is made beside the destination and renamed over it, so a failure half way
    // never leaves a cut file, nor deletes one that was there before.
    const std::string target = osPath(destination);
    const std::string partial = target + ".qvtcopy-" + std::to_string(platform::processId());
    platform::removeFile(partial.c_str());
    const int out = platform::openFile(partial.c_str(), platform::FileAccess::CreateNew);
    bool ok = out >= 0 && copySourceTo(source, out);
    if (out >= 0) platform::closeFile(out);
    ok = ok && platform::renameFileDurably(partial.c_str(), target.c_str());
    if (!ok) {
        platform::removeFile(partial.c_str());
        SetLastError(kErrNoSuchFile);
    }
    return ok ? 1 : 0;
}

RuntimeString GetCurrentDir() {
    std::string dir = osPath(platform::currentDirectory());
    if (dir.empty()) return {};
    if (dir.back() != '/') dir += '/';
    return RuntimeString(std::string_view(dir));
}

std::int32_t ChangeDirectory(const RuntimeString& path) {
    if (platform::changeDirectory(osPath(path).c_str())) return 1;
    SetLastError(kErrNoSuchFile);
    return 0;
}

void NormalisePathSlashes(RuntimeString& text) {
    if (!text.ownsStorage()) return;  // the shared empty text has nothing to turn
    char* p = text.data();
    for (std::uint32_t i = 0; i < text.length(); ++i) {
        if (p[i] == '\\') p[i] = '/';
    }
}

std::int32_t MatchWildcard(const RuntimeString& pattern, const RuntimeString& name) {
    const std::string_view p = pattern.view();
    const std::string_view n = name.view();
    if (p == "*.*") return 1;
    // Greedy scan that returns to the last "*" on a mismatch: O(|p| * |n|) at worst.
    std::size_t pi = 0, ni = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starAt = pi++;
            resumeAt = ni;
        } else if (pi < p.size() && sameChar(p[pi], n[ni])) {
            ++pi;
            ++ni;
        } else if (starAt != std::string_view::npos) {
            pi = starAt + 1;
            ni = ++resumeAt;
        } else {
            return 0;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size() ? 1 : 0;
}

}  // namespace qvt
