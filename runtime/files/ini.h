// The INI settings cache: one file of sections and keys held in memory, read when it is
// named and written back whole when another file is named and at the end of the program.
//
// The file is found through the media resolver, so it may come from a media pack or a
// memory file; it is always written to the named path on disk, never to a memory file.
// Section and key names compare case-insensitively (ASCII) and keep their spelling.
// Main thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/strings.h"

namespace qvt {

struct IniKey {
    RuntimeString name;
    RuntimeString value;
};

struct IniSection {
    RuntimeString name;
    std::vector<IniKey> keys;
};

// Writes the current file back if it changed, then reads path (empty: no file). A missing
// file gives an empty cache that keeps the name, so changes create the file; a file that
// is there but cannot be read sets last-error 3 and is never overwritten. A file whose
// write-back failed earlier comes back with its unsaved changes.
void OpenSettingsFile(const RuntimeString& path);
// The value of the first key of that name in the first section of that name, else
// fallback.
RuntimeString GetSetting(const RuntimeString& section, const RuntimeString& key,
                         const RuntimeString& fallback);
// An empty key removes the section; an empty value removes the key; otherwise the key is
// set, the section and key made when missing. The last section or key takes the place of
// one removed. Line breaks and zero bytes in the texts become blanks, so nothing put can
// start a line of its own in the file. Changes reach the disk at the write-back.
void PutSetting(const RuntimeString& section, const RuntimeString& key, const RuntimeString& value);

// Writes the current file back now if it changed, and retries files whose write-back
// failed. False when anything is still unsaved (last-error 3, a line in the error log).
bool FlushSettingsFile();
// The file currently named (empty when none).
const RuntimeString& SettingsFileName();
// Drops the cache and every unsaved file without writing (tests).
void ResetSettingsFile();

// The sections of an INI text: comments (";"), blank lines and keys without a value are
// dropped, and so are sections without keys.
std::vector<IniSection> ParseIniText(std::string_view text);
// The file text of sections: "[name]" then "key=value" lines, each ending in CR LF.
std::string FormatIniText(const std::vector<IniSection>& sections);

}  // namespace qvt
