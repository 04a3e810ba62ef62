#include "platform/tempdir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

namespace qvt::platform {

namespace {

std::optional<std::string> cachedDir;

std::string withSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string withoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// /tmp/quivent-UID (also when $TMPDIR is shared or foreign): made here when missing; one that exists must pass the same checks.
std::string userFolder() {
    std::string path = "/tmp/quivent-" + std::to_string(getuid());
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateDir(path) ? path : std::string{};
}

std::string freshFolder() {
    std::string tmpl = "/tmp/quivent-" + std::to_string(getuid()) + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (mkdtemp(buf.data()) == nullptr) return {};
    return std::string(buf.data());
}

}  // namespace

bool isPrivateDir(const std::string& path) {
    struct stat st{};
    if (path.empty() || lstat(withoutSlash(path).c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string choosePrivateTempDir() {
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && *env != 0 && isPrivateDir(env)) return withSlash(env);
    std::string user = userFolder();
    if (!user.empty()) return withSlash(user);
    // Someone else holds our usual folder: a fresh one under /tmp, whose sticky bit keeps
    // others from renaming it away.
    std::string fresh = freshFolder();
    return fresh.empty() ? std::string{} : withSlash(fresh);
}

const std::string& privateTempDir() {
    if (!cachedDir) cachedDir = choosePrivateTempDir();
    return *cachedDir;
}

void forgetPrivateTempDir() { cachedDir.reset(); }

std::FILE* openTempFile(const std::string& path, TempFileMode mode) {
    int flags = O_NOFOLLOW | O_CLOEXEC;
    const char* stdioMode = "rb";
    switch (mode) {
        case TempFileMode::Append:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            stdioMode = "ab";
            break;
        case TempFileMode::Create:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            stdioMode = "wb";
            break;
        case TempFileMode::Read: flags |= O_RDONLY; break;
    }
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, stdioMode);
    if (f == nullptr) close(fd);
    return f;
}

bool removeTempFile(const std::string& path) { return unlink(path.c_str()) == 0; }

}  // namespace qvt::platform
