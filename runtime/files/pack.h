// Media packs: the container, its directory, and the two entry codecs.
//
// Layout of a pack (all integers little-endian):
//
//   [stored entries ...][directory][trailer]
//
//   trailer, the last 7 bytes    "pkQ", then int32 directory offset
//   directory, repeated          uint8 name length; 0 ends the directory
//                                name bytes: a path relative to the packed folder, "/"
//                                between folders, at most 255 bytes
//                                int32 data offset of the stored entry
//                                int32 data size: bytes stored
//
//   An offset >= 0 counts from the start of the file; a negative one counts from its end,
//   and data offsets may be negative only when the directory offset is. Our packer writes
//   negative offsets only, so the same pack works alone and appended to an executable.
//   The pack has no entry count: the directory is read up to its end marker.
//
//   stored entry                 uint32 header: bits 0-30 the unpacked size, bit 31 the
//                                format (0 LZO1X, 1 LZSS); then the compressed stream.
//                                An LZO1X entry is thus "4-byte length + LZO1X stream".
//
// Nothing read from a pack is trusted: every offset, size and count is checked against the
// bytes really there before anything is allocated or copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qvt {

inline constexpr char kPackMagic[3] = {'p', 'k', 'Q'};
inline constexpr std::size_t kPackTrailerSize = 7;
inline constexpr std::size_t kPackMaxNameLength = 255;
inline constexpr std::size_t kStoredHeaderSize = 4;
// Largest entry we unpack (bytes); a header claiming more is treated as corrupt.
inline constexpr std::uint32_t kPackMaxEntryBytes = 512u << 20;

// The two entry codecs.
enum class PackFormat : std::uint8_t { Lzo = 0, Lzss = 1 };

// A random-access byte source a pack is read from (a file or a memory block).
class PackSource {
public:
    virtual ~PackSource() = default;
    // Total bytes in the source.
    virtual std::int64_t size() const = 0;
    // Reads exactly n bytes at offset; false when they are not all there.
    virtual bool readAt(std::int64_t offset, void* buffer, std::size_t n) const = 0;
};

// A pack held in memory (the bytes must outlive the source).
class MemoryPackSource final : public PackSource {
public:
    explicit MemoryPackSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    bool readAt(std::int64_t offset, void* buffer, std::size_t n) const override;

private:
    std::span<const std::uint8_t> bytes_;
};

// One directory entry, its offset already resolved and checked against the source.
struct PackEntry {
    std::string name;         // as stored
    std::int64_t offset = 0;  // start of the stored bytes, from the start of the source
    std::uint32_t stored = 0; // bytes stored
    std::int32_t rawOffset = 0;  // the offset as written in the directory
};

// Reads the trailer and the whole directory. False (entries empty) when the magic is
// missing or any entry or offset does not fit the source.
bool ReadPackDirectory(const PackSource& source, std::vector<PackEntry>& entries);

// Header of a stored entry.
struct StoredHeader {
    PackFormat format = PackFormat::Lzo;
    std::uint32_t unpacked = 0;  // bytes
};

// Reads and checks the header: false when the stored bytes are too few, or the unpacked size
// exceeds kPackMaxEntryBytes or what the format can make of the stored bytes.
bool ReadStoredHeader(std::span<const std::uint8_t> stored, StoredHeader& header);

// Unpacks one stored entry into out; false (out empty) on any inconsistency.
bool DecodeStoredEntry(std::span<const std::uint8_t> stored, std::vector<std::uint8_t>& out);

// Reads an entry's stored bytes from the source and unpacks them.
bool ReadPackEntry(const PackSource& source, const PackEntry& entry, std::vector<std::uint8_t>& out);

// Packs data as a stored entry (header + stream) in the given format; empty on failure.
std::vector<std::uint8_t> EncodeStoredEntry(std::span<const std::uint8_t> data, PackFormat format);

// The raw LZSS stream of data (no header).
std::vector<std::uint8_t> LzssCompress(std::span<const std::uint8_t> data);
// Unpacks a raw LZSS stream that must make exactly out.size() bytes and end there.
bool LzssDecompress(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// A file to pack: its name in the pack and its bytes.
struct PackFile {
    std::string name;
    std::vector<std::uint8_t> data;
};

// True when name may stand in a pack: 1 to 255 bytes, "/" separators, no empty, "." or
// ".." part, no "\\", no zero byte.
bool ValidPackName(std::string_view name);

// Builds a pack of files (in the given order). False with a reason in error for an invalid
// or duplicate name (names compare case-insensitively) or a pack beyond 2 GiB.
bool BuildMediaPack(const std::vector<PackFile>& files, PackFormat format,
                    std::vector<std::uint8_t>& pack, std::string& error);

// Name lookup over a directory. A requested path finds the entry whose name equals the
// path or a tail of it that starts after a "/" ("Media/pell/a.png" finds "pell/a.png" and
// "a.png", preferring the longer); letters compare case-insensitively, "\\" reads as "/".
class PackIndex {
public:
    PackIndex() = default;
    explicit PackIndex(const std::vector<PackEntry>& entries);
    // Index into the entries, or -1.
    std::ptrdiff_t find(std::string_view path) const;

private:
    std::unordered_map<std::string, std::ptrdiff_t> byName_;
};

}  // namespace qvt
