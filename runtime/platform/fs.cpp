#include "platform/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace qvt::platform {

namespace {

FileInfo infoFrom(const struct stat& st) {
    FileInfo info;
    if (S_ISREG(st.st_mode)) {
        info.kind = PathKind::File;
        info.size = static_cast<std::int64_t>(st.st_size);
        info.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL +
                       st.st_mtim.tv_nsec;
        info.device = static_cast<std::uint64_t>(st.st_dev);
        info.inode = static_cast<std::uint64_t>(st.st_ino);
    } else {
        info.kind = S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::Other;
    }
    return info;
}

int openFlags(FileAccess access) {
    switch (access) {
        case FileAccess::Read: return O_RDONLY;
        case FileAccess::ReadWriteNew: return O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW;
        case FileAccess::WriteCreate: return O_WRONLY | O_CREAT;
        case FileAccess::CreateNew:
        case FileAccess::CreateExclusive: return O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    }
    return O_RDONLY;
}

}  // namespace

FileInfo statPath(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return {};
    return infoFrom(st);
}

FileInfo statFile(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return {};
    return infoFrom(st);
}

int openFile(const char* path, FileAccess access) {
    const mode_t mode = access == FileAccess::CreateExclusive ? 0600 : 0666;
    int fd;
    do {
        fd = ::open(path, openFlags(access) | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 && statFile(fd).kind == PathKind::Directory) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void closeFile(int fd) {
    if (fd >= 0) ::close(fd);
}

std::int64_t readFile(int fd, void* buffer, std::size_t n) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(fd, out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t readFileAt(int fd, std::int64_t offset, void* buffer, std::size_t n) {
    if (offset < 0) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, out + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool writeFile(int fd, const void* buffer, std::size_t n) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd, in + done, n - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool writeFileAt(int fd, std::int64_t offset, const void* buffer, std::size_t n) {
    if (offset < 0) return false;
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, in + done, n - done,
                                     static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::int64_t seekFile(int fd, std::int64_t offset, SeekFrom from) {
    const int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence);
    return pos < 0 ? -1 : static_cast<std::int64_t>(pos);
}

bool removeFile(const char* path) { return ::unlink(path) == 0; }

bool makeDirectory(const char* path) { return ::mkdir(path, 0777) == 0; }

bool renameFile(const char* from, const char* to) { return ::rename(from, to) == 0; }

namespace {

bool syncPath(const char* path, int flags) {
    int fd = ::open(path, flags | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool renameFileDurably(const char* from, const char* to) {
    if (!syncPath(from, O_RDONLY | O_NOFOLLOW)) return false;
    if (::rename(from, to) != 0) return false;
    std::string folder(to);
    std::size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    syncPath(folder.c_str(), O_RDONLY | O_DIRECTORY);  // the rename stands even if this fails
    return true;
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

bool changeDirectory(const char* path) { return ::chdir(path) == 0; }

std::int64_t processId() { return static_cast<std::int64_t>(::getpid()); }

bool writeFileBelow(const char* dir, const std::string& relative, const void* bytes,
                    std::size_t n, std::string* error) {
    const auto failWith = [error](int code, int fd) {
        if (fd >= 0) ::close(fd);
        if (error != nullptr) *error = std::strerror(code);
        return false;
    };
    int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return failWith(errno, -1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        const std::string part = relative.substr(start, slash == std::string::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") return failWith(EINVAL, fd);
        if (slash == std::string::npos) break;
        if (::mkdirat(fd, part.c_str(), 0777) != 0 && errno != EEXIST) return failWith(errno, fd);
        // O_NOFOLLOW: a link planted in the folder never leads the write elsewhere.
        const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int code = errno;
        ::close(fd);
        if (next < 0) return failWith(code, -1);
        fd = next;
        start = slash + 1;
    }
    const std::string name = relative.substr(start);
    if (::unlinkat(fd, name.c_str(), 0) != 0 && errno != ENOENT) return failWith(errno, fd);
    const int out = ::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const int code = errno;
    ::close(fd);
    if (out < 0) return failWith(code, -1);
    const bool written = writeFile(out, bytes, n);
    const int writeCode = errno;
    if (::close(out) != 0 || !written) return failWith(written ? errno : writeCode, -1);
    return true;
}

}  // namespace qvt::platform
