// The local hiscore file: where it lives, reading it at start-up and writing it safely.
//
// Format: 30 lines ended by CR LF, three per entry from index 0 up: the name, the score's
// text and the sent flag's text, each enciphered with EncryptText under kHiscoreKey.
#pragma once

#include <cstdint>
#include <string>

#include "quivent.h"

namespace qvt::game {

// The shipped file's name, in the media folder (or the media pack).
inline constexpr const char* kHiscoreFile = "orvelsoft.ini";
// Key of the file's cipher.
inline constexpr const char* kHiscoreKey = "m4rq7e2dw";
// File channel the hiscore file is read and written on.
inline constexpr std::int32_t kHiscoreChannel = 1;
// Lines of a whole file: three per entry.
inline constexpr int kHiscoreLines = 30;

// The user's data folder for the game: $XDG_DATA_HOME/rayvaulter when that is an absolute
// path, else $HOME/.local/share/rayvaulter; empty when neither is known.
std::string UserDataFolder();

// Where the hiscore file is read and written. A media folder (the current directory) that
// holds shippedName on disk and can be written keeps it there, as in a build tree.
// Otherwise, as in a game with its media packed inside or an
// installed game, the file lives in UserDataFolder(), copied from the shipped one (disk or
// media pack) the first time; the result is then an absolute path. Falls back to
// shippedName when no data folder can be made.
RuntimeString LocateHiscoreFile(const RuntimeString& shippedName);

// Reads the file into LocalName, LocalScore and LocalSent, in file order. A missing file
// or one with fewer than 30 lines is not an error: the entries it does not reach keep what
// they held (the defaults at start-up). Returns the number of lines read, 0..30.
int ReadHiscoreFile(const RuntimeString& path);

// Writes the local table to path: first into path + ".tmp" beside it, which is then
// renamed over path, so a failed write never leaves a damaged or missing table behind.
// False (and the old file untouched) when the temporary file cannot be made or renamed.
bool WriteHiscoreFile(const RuntimeString& path);

}  // namespace qvt::game
