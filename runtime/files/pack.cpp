// The pack container: trailer, directory, lookup index and the builder used by qvtpack.
#include "files/pack.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "core/bytes.h"

namespace qvt {

namespace {

constexpr std::size_t kEntryFixedBytes = 8;  // data offset + data size
constexpr std::size_t kCursorChunk = 4096;

std::int32_t readLe32s(const std::uint8_t* p) { return static_cast<std::int32_t>(loadLe32(p)); }

void appendLe32(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lookupKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = c == '\\' ? '/' : lowerAscii(c);
    return key;
}

// Sequential reads over [pos, end) of a source, a chunk at a time, so a directory costs
// memory in proportion to what is really there.
class SourceCursor {
public:
    SourceCursor(const PackSource& source, std::int64_t pos, std::int64_t end)
        : source_(source), pos_(pos), end_(end) {}

    bool read(void* out, std::size_t n) {
        auto* dst = static_cast<std::uint8_t*>(out);
        while (n > 0) {
            if (at_ == chunk_.size() && !refill()) return false;
            const std::size_t take = std::min(n, chunk_.size() - at_);
            std::memcpy(dst, chunk_.data() + at_, take);
            at_ += take;
            dst += take;
            n -= take;
        }
        return true;
    }

private:
    bool refill() {
        if (pos_ >= end_) return false;
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(end_ - pos_, kCursorChunk));
        chunk_.resize(n);
        if (!source_.readAt(pos_, chunk_.data(), n)) return false;
        pos_ += static_cast<std::int64_t>(n);
        at_ = 0;
        return true;
    }

    const PackSource& source_;
    std::int64_t pos_;
    std::int64_t end_;
    std::vector<std::uint8_t> chunk_;
    std::size_t at_ = 0;
};

// A directory or data offset from the start of the source, or -1 when it points nowhere.
std::int64_t resolveOffset(std::int32_t raw, bool fromEndAllowed, std::int64_t size) {
    if (raw >= 0) return raw;
    if (!fromEndAllowed) return -1;
    const std::int64_t at = size + raw;
    return at >= 0 ? at : -1;
}

bool readEntry(SourceCursor& cursor, std::uint8_t length, bool fromEnd, std::int64_t size,
               std::int64_t dataEnd, PackEntry& entry) {
    entry.name.resize(length);
    std::uint8_t fixed[kEntryFixedBytes];
    if (!cursor.read(entry.name.data(), length) || !cursor.read(fixed, sizeof fixed)) return false;
    entry.rawOffset = readLe32s(fixed);
    const std::int32_t stored = readLe32s(fixed + 4);
    entry.offset = resolveOffset(entry.rawOffset, fromEnd, size);
    if (entry.offset < 0 || stored < 0) return false;
    entry.stored = static_cast<std::uint32_t>(stored);
    return entry.offset + stored <= dataEnd;
}

}  // namespace

bool MemoryPackSource::readAt(std::int64_t offset, void* buffer, std::size_t n) const {
    if (offset < 0 || offset > size() || n > static_cast<std::size_t>(size() - offset)) return false;
    if (n > 0) std::memcpy(buffer, bytes_.data() + offset, n);
    return true;
}

bool ReadPackDirectory(const PackSource& source, std::vector<PackEntry>& entries) {
    entries.clear();
    const std::int64_t size = source.size();
    if (size < static_cast<std::int64_t>(kPackTrailerSize)) return false;
    const std::int64_t trailerAt = size - static_cast<std::int64_t>(kPackTrailerSize);
    std::uint8_t trailer[kPackTrailerSize];
    if (!source.readAt(trailerAt, trailer, sizeof trailer)) return false;
    if (std::memcmp(trailer, kPackMagic, sizeof kPackMagic) != 0) return false;
    const std::int32_t rawDir = readLe32s(trailer + 3);
    const std::int64_t dirAt = resolveOffset(rawDir, true, size);
    if (dirAt < 0 || dirAt >= trailerAt) return false;

    SourceCursor cursor(source, dirAt, trailerAt);
    for (;;) {
        std::uint8_t length = 0;
        if (!cursor.read(&length, 1)) break;
        if (length == 0) return true;
        PackEntry entry;
        if (!readEntry(cursor, length, rawDir < 0, size, trailerAt, entry)) break;
        entries.push_back(std::move(entry));
    }
    entries.clear();
    return false;
}

bool ReadPackEntry(const PackSource& source, const PackEntry& entry, std::vector<std::uint8_t>& out) {
    out.clear();
    if (entry.offset < 0 || entry.offset > source.size() ||
        entry.stored > static_cast<std::uint64_t>(source.size() - entry.offset)) {
        return false;
    }
    std::vector<std::uint8_t> stored(entry.stored);
    if (!source.readAt(entry.offset, stored.data(), stored.size())) return false;
    return DecodeStoredEntry(stored, out);
}

bool ValidPackName(std::string_view name) {
    if (name.empty() || name.size() > kPackMaxNameLength) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        const std::string_view part = name.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (part.find('\\') != std::string_view::npos || part.find('\0') != std::string_view::npos) return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

bool BuildMediaPack(const std::vector<PackFile>& files, PackFormat format,
                    std::vector<std::uint8_t>& pack, std::string& error) {
    pack.clear();
    std::unordered_set<std::string> seen;
    std::vector<std::int64_t> starts;
    std::vector<std::uint32_t> sizes;
    for (const PackFile& file : files) {
        if (!ValidPackName(file.name)) {
            error = "invalid name in pack: \"" + file.name + "\"";
            return false;
        }
        if (!seen.insert(lookupKey(file.name)).second) {
            error = "two files named \"" + file.name + "\" (names ignore case)";
            return false;
        }
        std::vector<std::uint8_t> stored = EncodeStoredEntry(file.data, format);
        if (stored.empty()) {
            error = "cannot pack \"" + file.name + "\" (too large, or the compressor failed)";
            return false;
        }
        starts.push_back(static_cast<std::int64_t>(pack.size()));
        sizes.push_back(static_cast<std::uint32_t>(stored.size()));
        pack.insert(pack.end(), stored.begin(), stored.end());
    }
    std::size_t dirBytes = 1 + kPackTrailerSize;
    for (const PackFile& file : files) dirBytes += 1 + file.name.size() + kEntryFixedBytes;
    const std::int64_t total = static_cast<std::int64_t>(pack.size() + dirBytes);
    if (total > std::numeric_limits<std::int32_t>::max()) {
        error = "pack larger than 2 GiB";
        pack.clear();
        return false;
    }
    const std::int64_t dirAt = static_cast<std::int64_t>(pack.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        pack.push_back(static_cast<std::uint8_t>(files[i].name.size()));
        pack.insert(pack.end(), files[i].name.begin(), files[i].name.end());
        appendLe32(pack, static_cast<std::int32_t>(starts[i] - total));
        appendLe32(pack, static_cast<std::int32_t>(sizes[i]));
    }
    pack.push_back(0);
    pack.insert(pack.end(), kPackMagic, kPackMagic + sizeof kPackMagic);
    appendLe32(pack, static_cast<std::int32_t>(dirAt - total));
    return true;
}

PackIndex::PackIndex(const std::vector<PackEntry>& entries) {
    byName_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        byName_.emplace(lookupKey(entries[i].name), static_cast<std::ptrdiff_t>(i));  // first wins
    }
}

std::ptrdiff_t PackIndex::find(std::string_view path) const {
    if (byName_.empty()) return -1;
    const std::string key = lookupKey(path);
    std::size_t start = 0;
    for (;;) {
        const auto it = byName_.find(key.substr(start));
        if (it != byName_.end()) return it->second;
        const std::size_t slash = key.find('/', start);
        if (slash == std::string::npos) return -1;
        start = slash + 1;
    }
}

}  // namespace qvt
