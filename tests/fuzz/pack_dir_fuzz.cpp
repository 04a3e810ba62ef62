// The media-pack trailer and directory parser on arbitrary bytes, then the resolver over the
// same bytes held as a memory-file pack: every entry must lie inside the input, every name
// must be found again, and nothing may read outside the input.
#include "fuzz.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "files/resolver.h"

namespace {

// Names compare as the index does: letters ignoring case, "\\" as "/".
bool sameKey(const std::string& a, const std::string& b) {
    auto fold = [](char c) { return c == '\\' ? '/' : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return fold(x) == fold(y); });
}

void checkEntries(const qvt::PackSource& source, const std::vector<qvt::PackEntry>& entries) {
    const std::int64_t dataEnd = source.size() - static_cast<std::int64_t>(qvt::kPackTrailerSize);
    const qvt::PackIndex index(entries);
    for (const qvt::PackEntry& e : entries) {
        if (e.name.empty() || e.name.size() > qvt::kPackMaxNameLength) std::abort();
        if (e.offset < 0 || e.offset + static_cast<std::int64_t>(e.stored) > dataEnd) std::abort();
        const std::ptrdiff_t at = index.find(e.name);
        if (at < 0 || !sameKey(entries[static_cast<std::size_t>(at)].name, e.name)) std::abort();
        std::vector<std::uint8_t> out;
        if (qvt::ReadPackEntry(source, e, out) && out.size() > qvt::kPackMaxEntryBytes) std::abort();
    }
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const qvt::MemoryPackSource source(std::span<const std::uint8_t>(data, size));
    std::vector<qvt::PackEntry> entries;
    if (!qvt::ReadPackDirectory(source, entries)) {
        if (!entries.empty()) std::abort();
        return;
    }
    checkEntries(source, entries);

    // The same bytes through the resolver: a pack held in memory, both hand-outs.
    qvt::MemoryFile pack(std::vector<std::uint8_t>(data, data + size));
    qvt::SetMediaPacks("", pack.name());
    for (std::size_t i = 0; i < entries.size() && i < 4; ++i) {
        const std::string name = "fuzz/" + entries[i].name;
        qvt::RuntimeString out;
        if (qvt::ResolveMediaFile(qvt::kRuntimeResolver, qvt::RuntimeString(std::string_view(name)), out,
                                  i % 2 == 0) &&
            i % 2 == 0 && qvt::FindMemoryFile(out.view()) == nullptr) {
            std::abort();
        }
    }
    qvt::ReleaseMediaResolvers();
}
