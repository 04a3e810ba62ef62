// Thin wrappers over the POSIX file calls the file layer needs. Paths are plain
// zero-terminated byte strings with "/" separators; nothing here rewrites them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvt::platform {

// What a path names, after following symlinks.
enum class PathKind { Missing, File, Directory, Other };

// The facts of a file the file layer uses; size and mtimeNs are 0 unless kind is File.
struct FileInfo {
    PathKind kind = PathKind::Missing;
    std::int64_t size = 0;     // bytes
    std::int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
    std::uint64_t device = 0;  // device and inode: which file it is
    std::uint64_t inode = 0;
};

// How openFile opens a path.
enum class FileAccess {
    Read,             // existing file, read only; a directory is refused
    ReadWriteNew,     // created (or cut to empty), read and write; a final symlink is refused
    WriteCreate,      // write only, created when missing, kept as it is otherwise
    CreateNew,        // a new file (0666 less the umask); fails when anything exists there
    CreateExclusive,  // a new private file (mode 0600); fails when anything exists there
};

// Origin of seekFile.
enum class SeekFrom { Start, Current, End };

// Facts of the path (symlinks followed).
FileInfo statPath(const char* path);
// Facts of an open file.
FileInfo statFile(int fd);

// Opens path; a descriptor >= 0, or -1. The descriptor is closed on exec.
int openFile(const char* path, FileAccess access);
// Closes fd (ignored when negative).
void closeFile(int fd);
// Reads up to n bytes at the file position, retrying short reads; bytes read (less than n
// only at the end of the file), or -1 on an error.
std::int64_t readFile(int fd, void* buffer, std::size_t n);
// As readFile, at offset; the file position is left alone.
std::int64_t readFileAt(int fd, std::int64_t offset, void* buffer, std::size_t n);
// Writes all n bytes at the file position; false when any could not be written.
bool writeFile(int fd, const void* buffer, std::size_t n);
// As writeFile, at offset; the file position is left alone.
bool writeFileAt(int fd, std::int64_t offset, const void* buffer, std::size_t n);
// Moves the file position; the new position from the start, or -1 (position unchanged).
std::int64_t seekFile(int fd, std::int64_t offset, SeekFrom from);

// Deletes a file (not a directory); true on success.
bool removeFile(const char* path);
// Creates one directory level (mode 0777 less the umask); true on success.
bool makeDirectory(const char* path);
// Renames from to to, replacing a file at to; true on success.
bool renameFile(const char* from, const char* to);
// As renameFile, but from's data reaches the disk before the rename and the rename itself
// after it, so a power cut leaves either the old file or the new one, whole.
bool renameFileDurably(const char* from, const char* to);
// The absolute current directory without a trailing slash ("/" for the root); empty on
// failure.
std::string currentDirectory();
// Makes path the current directory; true on success.
bool changeDirectory(const char* path);
// The id of this process (unique names for temporary files).
std::int64_t processId();

// Writes n bytes as the new file `relative` ("/" between its parts, none of them empty,
// "." or "..") below the folder dir, never following a symlink below dir: missing folders
// on the way are made, a link or file where a folder should be is refused, and whatever
// stands at the file's own place (a file or a link, never a folder) is removed and the
// file made anew. False, with the system's reason in *error, on any failure.
bool writeFileBelow(const char* dir, const std::string& relative, const void* bytes,
                    std::size_t n, std::string* error);

}  // namespace qvt::platform
