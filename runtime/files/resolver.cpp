#include "files/resolver.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "files/filesystem.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "platform/fs.h"
#include "platform/tempdir.h"

namespace qvt {

namespace {

// Attempts at a fresh temporary name before giving up (another process may hold some).
constexpr int kExtractAttempts = 64;
constexpr std::size_t kMaxExtension = 8;

class FilePackSource final : public PackSource {
public:
    FilePackSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}
    std::int64_t size() const override { return size_; }
    bool readAt(std::int64_t offset, void* buffer, std::size_t n) const override {
        if (offset < 0 || offset > size_ || static_cast<std::int64_t>(n) > size_ - offset) return false;
        return platform::readFileAt(fd_, offset, buffer, n) == static_cast<std::int64_t>(n);
    }

private:
    int fd_;
    std::int64_t size_;
};

// An open pack for one lookup: a disk file or the bytes of a memory file.
struct OpenPack {
    int fd = -1;
    MemoryBytes memory;
    std::unique_ptr<PackSource> source;
    platform::FileInfo identity;

    OpenPack() = default;
    OpenPack(const OpenPack&) = delete;
    OpenPack& operator=(const OpenPack&) = delete;
    ~OpenPack() { platform::closeFile(fd); }
};

struct Resolver {
    bool enabled = false;
    std::string packPath;
    std::string extractedFile;
    std::unique_ptr<MemoryFile> extractedMemory;
    // The directory read last time, kept while the pack is the same file.
    bool indexed = false;
    platform::FileInfo indexedIdentity;
    MemoryBytes indexedMemory;  // held, so no other block can take its address meanwhile
    std::vector<PackEntry> entries;
    PackIndex index;
};

std::array<Resolver, kResolverCount> resolvers;

void releaseHandOut(Resolver& r) {
    r.extractedMemory.reset();
    if (!r.extractedFile.empty()) platform::removeFile(r.extractedFile.c_str());
    r.extractedFile.clear();
}

void forgetPack(Resolver& r) {
    r.indexed = false;
    r.indexedMemory = nullptr;
    r.entries.clear();
    r.index = PackIndex();
}

bool openPack(const std::string& path, OpenPack& pack) {
    if (IsMemoryFileName(path)) {
        pack.memory = FindMemoryFile(path);
        if (pack.memory == nullptr) return false;
        pack.source = std::make_unique<MemoryPackSource>(*pack.memory);
        return true;
    }
    pack.fd = platform::openFile(osPath(path).c_str(), platform::FileAccess::Read);
    if (pack.fd < 0) return false;
    pack.identity = platform::statFile(pack.fd);
    pack.source = std::make_unique<FilePackSource>(pack.fd, pack.identity.size);
    return true;
}

bool sameAsIndexed(const Resolver& r, const OpenPack& pack) {
    if (!r.indexed) return false;
    if (pack.memory != nullptr) return r.indexedMemory == pack.memory;
    const platform::FileInfo& was = r.indexedIdentity;
    const platform::FileInfo& now = pack.identity;
    return r.indexedMemory == nullptr && was.device == now.device && was.inode == now.inode &&
           was.size == now.size && was.mtimeNs == now.mtimeNs;
}

// The directory of the open pack, read again only when the pack changed.
bool ensureIndex(Resolver& r, const OpenPack& pack) {
    if (sameAsIndexed(r, pack)) return true;
    forgetPack(r);
    if (!ReadPackDirectory(*pack.source, r.entries)) return false;
    r.index = PackIndex(r.entries);
    r.indexedIdentity = pack.identity;
    r.indexedMemory = pack.memory;
    r.indexed = true;
    return true;
}

// The name's extension (letters and digits only), kept so loaders that go by it still can.
std::string safeExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return {};
    std::string ext = ".";
    for (std::size_t i = dot + 1; i < name.size() && ext.size() <= kMaxExtension; ++i) {
        const char c = name[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain) return {};
        ext += c;
    }
    return ext.size() > 1 ? ext : std::string();
}

// "pkq" + two letters from the entry, then this process and a counter, so two resolvers or
// two running programs never share (and delete) each other's file.
bool extractToFile(Resolver& r, const PackEntry& entry, const std::vector<std::uint8_t>& bytes,
                   RuntimeString& out) {
    const std::string dir = platform::privateTempDir();
    if (dir.empty()) return false;
    static unsigned counter = 0;
    const auto raw = static_cast<std::uint32_t>(entry.rawOffset);
    const std::string stem = dir + "pkq" + static_cast<char>('A' + (raw & 0xFF) % 26) +
                             static_cast<char>('A' + (entry.stored & 0xFF) % 26) + "-" +
                             std::to_string(platform::processId()) + "-";
    const std::string ext = safeExtension(entry.name);
    for (int attempt = 0; attempt < kExtractAttempts; ++attempt) {
        const std::string path = stem + std::to_string(counter++) + ext;
        const int fd = platform::openFile(path.c_str(), platform::FileAccess::CreateExclusive);
        if (fd < 0) continue;
        const bool written = platform::writeFile(fd, bytes.data(), bytes.size());
        platform::closeFile(fd);
        if (!written) {
            platform::removeFile(path.c_str());
            return false;
        }
        r.extractedFile = path;
        out = RuntimeString(std::string_view(path));
        return true;
    }
    return false;
}

bool lookUpInPack(Resolver& r, const RuntimeString& name, RuntimeString& out, bool memoryAllowed) {
    if (r.packPath.empty()) {
        r.enabled = false;
        return false;
    }
    OpenPack pack;
    if (!openPack(r.packPath, pack) || !ensureIndex(r, pack)) {
        r.enabled = false;
        forgetPack(r);
        return false;
    }
    const std::ptrdiff_t at = r.index.find(name.c_str());
    if (at < 0) return false;
    const PackEntry& entry = r.entries[static_cast<std::size_t>(at)];
    std::vector<std::uint8_t> bytes;
    if (!ReadPackEntry(*pack.source, entry, bytes)) return false;
    if (!memoryAllowed) return extractToFile(r, entry, bytes, out);
    r.extractedMemory = std::make_unique<MemoryFile>(std::move(bytes));
    out = r.extractedMemory->name();
    return true;
}

}  // namespace

void SetMediaPacks(const RuntimeString& mediaPack, const RuntimeString& secondPack) {
    const RuntimeString* paths[kResolverCount] = {&mediaPack, &secondPack};
    for (std::size_t i = 0; i < resolvers.size(); ++i) {
        Resolver& r = resolvers[i];
        releaseHandOut(r);
        forgetPack(r);
        r.enabled = true;
        r.packPath = std::string(paths[i]->c_str());
    }
}

bool ResolveMediaFile(std::int32_t resolver, const RuntimeString& name, RuntimeString& out,
                      bool memoryAllowed) {
    out = name;
    if (resolver < 0 || resolver >= kResolverCount) {
        SetLastError(kErrOutOfMemory);
        return false;
    }
    // A name handed out earlier stays valid as it is; dropping it first would pull the
    // bytes from under the caller who passed it back in.
    if (FindMemoryFile(name.view()) != nullptr) return true;
    Resolver& r = resolvers[static_cast<std::size_t>(resolver)];
    releaseHandOut(r);
    if (name.empty()) {
        SetLastError(kErrNoSuchFile);
        return false;
    }
    if (FileExists(name) != 0) return true;
    if (r.enabled && lookUpInPack(r, name, out, memoryAllowed)) return true;
    out = name;
    SetLastError(kErrNoSuchFile);
    return false;
}

bool MediaPackEnabled(std::int32_t resolver) {
    return resolver >= 0 && resolver < kResolverCount && resolvers[static_cast<std::size_t>(resolver)].enabled;
}

void ReleaseMediaResolvers() {
    for (Resolver& r : resolvers) {
        releaseHandOut(r);
        forgetPack(r);
        r.enabled = false;
        r.packPath.clear();
    }
}

}  // namespace qvt
