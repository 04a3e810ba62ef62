// The runtime's private temporary folder and the files it keeps there.
//
// The folder is private to this user (no one else may write it), and files in it are
// never opened through a symbolic link, so another user cannot redirect the log or an
// extracted media file.
#pragma once

#include <cstdio>
#include <string>

namespace qvt::platform {

// The private temporary folder with a trailing slash, chosen once per process: $TMPDIR
// when set and private, else /tmp/quivent-UID (created with mode 0700) when private, else
// a fresh folder made by mkdtemp under /tmp. Empty when none can be had.
const std::string& privateTempDir();
// Chooses again on the next privateTempDir() (tests that change $TMPDIR).
void forgetPrivateTempDir();
// The choice itself, without the cache.
std::string choosePrivateTempDir();
// True when path is a real directory (not a symbolic link) owned by this user that no
// group or other user may write.
bool isPrivateDir(const std::string& path);

// How openTempFile opens.
enum class TempFileMode {
    Append,  // write at the end, create when missing
    Create,  // write from the start, create or truncate
    Read,
};
// Opens path (normally inside privateTempDir()) with O_NOFOLLOW, new files with mode
// 0600. Null when the last part of path is a symbolic link or the open fails. The caller
// owns the stream and closes it with std::fclose.
std::FILE* openTempFile(const std::string& path, TempFileMode mode);
// Removes path (a symbolic link itself, never its target). False when nothing was removed.
bool removeTempFile(const std::string& path);

}  // namespace qvt::platform
