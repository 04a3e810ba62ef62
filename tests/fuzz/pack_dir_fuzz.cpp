// The media-pack trailer and directory parser on arbitrary bytes: every entry must lie
// inside the input, every name must be found again, and nothing may read outside the input.
#include "fuzz.h"
#include "files/pack.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const qvt::MemoryPackSource source(std::span<const std::uint8_t>(data, size));
    std::vector<qvt::PackEntry> entries;
    if (!qvt::ReadPackDirectory(source, entries)) {
        if (!entries.empty()) std::abort();
        return;
    }
    const std::int64_t dataEnd = source.size() - static_cast<std::int64_t>(qvt::kPackTrailerSize);
    const qvt::PackIndex index(entries);
    for (const qvt::PackEntry& e : entries) {
        if (e.name.empty() || e.name.size() > qvt::kPackMaxNameLength || index.find(e.name) < 0) std::abort();
        if (e.offset < 0 || e.offset + static_cast<std::int64_t>(e.stored) > dataEnd) std::abort();
    }
}
