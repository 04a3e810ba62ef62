// Memory files: read-only blocks of bytes that loaders and channels open by a "mem://" name.
//
// The name spells out size and address ("mem://%8x.%8x"), but it is never trusted as an
// address: only names of memory files that are alive in the registry resolve, and only
// when size and address both agree with what was handed out. A typo or a built name reads
// as a missing file.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/strings.h"

namespace qvt {

// The bytes behind a memory file. Shared, so a channel opened on a memory file keeps
// reading after its owner moved on to the next lookup.
using MemoryBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// Owner of one memory file: registers its name while alive. Main thread only.
class MemoryFile {
public:
    // Takes the bytes and registers them under their name.
    explicit MemoryFile(std::vector<std::uint8_t> bytes);
    // Withdraws the name; holders of bytes() keep their copy alive.
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // "mem://" + size + "." + address, as MemoryFileName formats them.
    const RuntimeString& name() const { return name_; }
    const MemoryBytes& bytes() const { return bytes_; }

private:
    MemoryBytes bytes_;
    RuntimeString name_;
};

// "mem://%8x.%8x": size and address in lower-case hex, padded on the left with blanks to 8
// characters (a wider address keeps all its digits).
RuntimeString MemoryFileName(std::uint64_t size, std::uintptr_t address);

// True when the text starts with "mem://" (it may still name nothing).
bool IsMemoryFileName(std::string_view name);

// The bytes of the live memory file that name names, or null when the name is malformed
// or names no memory file handed out (size and address must both match).
MemoryBytes FindMemoryFile(std::string_view name);

// Number of memory files alive (tests and leak checks).
std::size_t LiveMemoryFileCount();

}  // namespace qvt
