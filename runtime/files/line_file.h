// The line-indexed file cache: one text file held in memory, its lines 0 to 255 read and
// replaced by number, written back whole when another file is named and at the end of the
// program.
//
// The file is found through the media resolver (disk, media pack, memory file) and always
// written to the named path on disk, never to a memory file. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/strings.h"

namespace qvt {

inline constexpr std::int32_t kTextFileLines = 256;   // lines 0..255 can be addressed
inline constexpr std::int32_t kTextFileLineMax = 1023;  // bytes a put line keeps

// Names path (see below), then returns its line with trailing characters below 32 removed
// ("" beyond the end of the file). A line number outside 0..255 gives "NO_DATA" with
// last-error 7; a file that could not be read gives "NO_FILE" with last-error 3 until a
// line is put into it.
RuntimeString GetTextFileLine(const RuntimeString& path, std::int32_t line);
// Names path, then stores text (cut to 1023 bytes; line breaks and zero bytes become
// blanks) as the line, extending the file with empty lines as needed. A line number outside
// 0..255 sets last-error 7 and changes nothing. The disk sees it at the write-back.
void PutTextFileLine(const RuntimeString& path, std::int32_t line, const RuntimeString& text);

// Naming a file: the same path as now does nothing; another one first writes the current
// file back if it changed (a failed write-back keeps its lines and they come back when the
// path is named again), then reads the new one. Lines after 255 are kept for the
// write-back, never dropped.

// Writes the current file back now if it changed, and retries files whose write-back
// failed. False when anything is still unsaved (last-error 3, a line in the error log).
bool FlushTextFileLines();
// The file currently named (empty when none).
const RuntimeString& TextFileName();
// Drops the cache and every unsaved file without writing (tests).
void ResetTextFileLines();

// The file text of lines, each followed by CR LF.
std::string FormatTextFileLines(const std::vector<std::string>& lines);

}  // namespace qvt
