#include "files/memfile.h"

#include <cstdio>
#include <map>

namespace qvt {

namespace {

struct Registered {
    std::uint64_t size;
    MemoryBytes bytes;
};

// Keyed by address: live buffers never share one. Never destroyed, so an owner that
// outlives it among the static objects at exit can still withdraw its name.
std::map<std::uintptr_t, Registered>& registry() {
    static auto* live = new std::map<std::uintptr_t, Registered>;
    return *live;
}

constexpr std::string_view kPrefix = "mem://";
constexpr std::size_t kFieldWidth = 8;
constexpr std::size_t kAddressStart = kPrefix.size() + kFieldWidth + 1;  // offset 15

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Blanks, then 1 to 16 hex digits, then the end of the field; anything else is malformed.
bool parseHexField(std::string_view field, std::uint64_t& value) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    const std::size_t digits = field.size() - i;
    if (digits == 0 || digits > 16) return false;
    value = 0;
    for (; i < field.size(); ++i) {
        const int d = hexDigit(field[i]);
        if (d < 0) return false;
        value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    return true;
}

std::uintptr_t addressOf(const std::vector<std::uint8_t>& bytes) {
    return reinterpret_cast<std::uintptr_t>(bytes.data());
}

}  // namespace

MemoryFile::MemoryFile(std::vector<std::uint8_t> bytes) {
    // An empty vector may have no buffer at all; every memory file needs an address.
    if (bytes.capacity() == 0) bytes.reserve(1);
    auto owned = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    const std::uintptr_t address = addressOf(*owned);
    name_ = MemoryFileName(owned->size(), address);
    registry()[address] = Registered{owned->size(), owned};
    bytes_ = std::move(owned);
}

MemoryFile::~MemoryFile() { registry().erase(addressOf(*bytes_)); }

RuntimeString MemoryFileName(std::uint64_t size, std::uintptr_t address) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "mem://%8llx.%8llx",
                                static_cast<unsigned long long>(size),
                                static_cast<unsigned long long>(address));
    return RuntimeString(text, static_cast<std::size_t>(n));
}

bool IsMemoryFileName(std::string_view name) { return name.substr(0, kPrefix.size()) == kPrefix; }

MemoryBytes FindMemoryFile(std::string_view name) {
    if (!IsMemoryFileName(name) || name.size() <= kAddressStart) return nullptr;
    if (name[kAddressStart - 1] != '.') return nullptr;
    std::uint64_t size = 0, address = 0;
    if (!parseHexField(name.substr(kPrefix.size(), kFieldWidth), size)) return nullptr;
    if (!parseHexField(name.substr(kAddressStart), address)) return nullptr;
    const auto& live = registry();
    const auto it = live.find(static_cast<std::uintptr_t>(address));
    if (it == live.end() || it->second.size != size) return nullptr;
    return it->second.bytes;
}

std::size_t LiveMemoryFileCount() { return registry().size(); }

}  // namespace qvt
