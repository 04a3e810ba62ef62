// Scratch folders, environment overrides, whole-file reads and writes and little-endian
// field writers: the helpers every suite that touches files or outside data shares.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace qvt::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh private folder, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string templ = (std::filesystem::temp_directory_path() / "qvt-test-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << templ;
        path_ = templ;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Absolute path of name inside the folder.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sets (or with a null value, unsets) one environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) ::setenv(name, value, 1); else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1); else ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string readText(const std::string& path) {
    const Bytes b = readBytes(path);
    return std::string(b.begin(), b.end());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    writeBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Little-endian fields written into b at offset at (b must be large enough).
inline void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 2; ++i) b[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
}
// Little-endian fields appended to b.
inline void append16(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, v);
}
inline void append32(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}

// Bytes that neither repeat nor hold a line end at a regular place: every value but '\n'
// and '\r'.
inline std::string varied(std::size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
        if (c == '\n' || c == '\r') c = 'n';
    }
    return s;
}

}  // namespace qvt::test
