// File-system operations of the runtime: existence tests, delete, copy, directories, the
// current directory and wildcard matching. Paths may use "/" or "\\"; a "\\" is read as
// "/" before the path reaches the system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/strings.h"

namespace qvt {

// 1 when path exists and is not a directory, else 0.
std::int32_t FileExists(const RuntimeString& path);
// 1 when path exists and is a directory, else 0.
std::int32_t DirectoryExists(const RuntimeString& path);
// Deletes the file; 1 on success, else 0.
std::int32_t RemoveFile(const RuntimeString& path);
// Creates one directory level; 1 on success, else 0.
std::int32_t MakeDirectory(const RuntimeString& path);
// Copies all of source (a disk file or a memory file) to destination, which is replaced
// only once the copy is complete; 1 on success, else 0 with last-error 3 and the
// destination as it was.
std::int32_t CopyFileTo(const RuntimeString& source, const RuntimeString& destination);
// Puts the finished file temp in place of path: its data is on the disk before the rename,
// so path is always either the old file or the new one. 1 on success, else 0 with
// last-error 3, temp left in place.
std::int32_t ReplaceFileWith(const RuntimeString& path, const RuntimeString& temp);
// The current directory with "/" separators and a trailing "/"; empty on failure.
RuntimeString GetCurrentDir();
// Makes path the current directory; 1 on success, else 0 with last-error 3.
std::int32_t ChangeDirectory(const RuntimeString& path);
// Turns every "\\" of text into "/" in place.
void NormalisePathSlashes(RuntimeString& text);
// 1 when name matches pattern: "*.*" matches everything, "*" any run of characters, "?"
// any one character but "."; other characters match exactly, letters ignoring case.
std::int32_t MatchWildcard(const RuntimeString& pattern, const RuntimeString& name);

// ---- Helpers for the file layer -------------------------------------------------------

// The path as the system takes it: up to the first zero byte, "\\" turned into "/".
std::string osPath(std::string_view path);
inline std::string osPath(const RuntimeString& path) { return osPath(std::string_view(path.c_str())); }

}  // namespace qvt
