#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/tempdir.h"

namespace qvt {

namespace {

constexpr int kOpenAttempts = 5;

}  // namespace

std::string LogPath() {
    const std::string& dir = platform::privateTempDir();
    return dir.empty() ? std::string{} : dir + "ErrorLog.txt";
}

void StartLog() {
    std::string path = LogPath();
    if (path.empty()) return;
    platform::removeTempFile(path);
    WriteLog("Start new log...\n");
}

void WriteLog(const char* text) {
    if (text == nullptr) text = "NULL";
    std::string path = LogPath();
    if (path.empty()) return;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        std::FILE* f = platform::openTempFile(path, platform::TempFileMode::Append);
        if (f == nullptr) continue;
        std::fwrite(text, 1, std::strlen(text), f);
        std::fclose(f);
        return;
    }
}

void WriteLogFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n >= 0) {
        std::vector<char> buf(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, again);
        WriteLog(buf.data());
    }
    va_end(again);
}

}  // namespace qvt
