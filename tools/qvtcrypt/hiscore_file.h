// Reading the game's local hiscore file: 30 enciphered lines, name / score / sent flag for
// each of the ten entries, index 0 the lowest score.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/strings.h"

namespace qvt::crypttool {

inline constexpr int kHiscoreEntries = 10;
inline constexpr int kHiscoreFieldsPerEntry = 3;  // name, score, sent, one line each
inline constexpr int kHiscoreLines = kHiscoreEntries * kHiscoreFieldsPerEntry;
inline constexpr char kHiscoreKey[] = "m4rq7e2dw";  // the game's key for every line

// One table entry as deciphered; a field whose line is missing keeps its has-flag false.
struct HiscoreEntry {
    RuntimeString name;   // raw deciphered bytes (Windows-1252), cut at the first zero
    double score = 0;     // text-to-number of the deciphered line
    double sent = 0;      // 1 nothing to send, 0 still to be uploaded
    bool hasName = false;
    bool hasScore = false;
    bool hasSent = false;
};

// The table as far as the file holds it.
struct HiscoreFile {
    std::array<HiscoreEntry, kHiscoreEntries> entries;
    int linesRead = 0;         // lines present, 0..30; fewer than 30 means a short file
    bool extraLines = false;   // something follows line 30 (the game never reads it)
};

// Lines end at LF with an optional CR before it; a final unterminated line still counts.
// Each of the first 30 lines is deciphered with kHiscoreKey. Any bytes are accepted.
HiscoreFile parseHiscoreFile(std::string_view bytes);

}  // namespace qvt::crypttool
