// Whole-file reads through the media resolver and whole-file writes that never leave a cut
// file: what the settings caches share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/strings.h"

namespace qvt {

enum class WholeFileRead {
    Read,        // bytes hold the file
    Missing,     // neither on disk nor in the media pack
    Unreadable,  // there, but it could not be read
};

// Reads all of name, found through the media resolver (disk, then pack, memory files too).
// Leaves the last-error code as the resolver set it.
WholeFileRead ReadWholeFile(const RuntimeString& name, std::string& bytes);

// Where a file named name is written: its absolute path at the moment it is named, so a
// later change of directory cannot send the write elsewhere. Empty for an empty name and
// for memory files, which are never written.
std::string WriteTargetOf(const RuntimeString& name);

// Replaces the file at target with bytes: written beside it, flushed to the disk, then
// renamed over it, so the old file stays whole until the new one is. False (nothing
// changed, last-error 3, a line in the error log) when that cannot be done.
bool SaveWholeFile(const std::string& target, std::string_view bytes);

// The failure of SaveWholeFile for a file that must not be replaced (one that could not be
// read): last-error 3, a line in the error log, false.
bool RefuseSave(const std::string& target);

// The lines of a text file: split at line feeds, a carriage return before one removed; a
// last line without a line feed counts, an empty rest does not.
std::vector<std::string> SplitFileLines(std::string_view bytes);

// Registers the shutdown step that writes back both settings caches (every first use).
void RegisterSettingsShutdown();

}  // namespace qvt
