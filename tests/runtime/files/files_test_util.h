// Helpers shared by the file-layer tests: a scratch folder and whole-file reads/writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qvt::test {

// A fresh folder, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string templ = (std::filesystem::temp_directory_path() / "qvt-files-XXXXXX").string();
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

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string readText(const std::string& path) {
    const std::vector<std::uint8_t> b = readBytes(path);
    return std::string(b.begin(), b.end());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    writeBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Bytes that neither repeat nor hold a line feed at a regular place: every value but '\n'.
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
