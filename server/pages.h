// What hiscored answers with, built from the ranked entries: the game's list reply, the
// leaderboard page, its JSON twin and the operator's CSV export.
#pragma once

#include <string>
#include <vector>

#include "store.h"

namespace hiscored {

// Entries the game's list holds, and the page and JSON.
inline constexpr int kListEntries = 10;
inline constexpr int kPageEntries = 100;

// The game's list: per entry its rank, the enciphered name and the enciphered score, one
// line each; then "eof". entries are in rank order; only the first kListEntries count.
std::string ListReply(const std::vector<Entry>& entries);

// The leaderboard page: rank, name, score and when for the first kPageEntries; every name
// HTML-escaped; no script.
std::string LeaderboardHtml(const std::vector<Entry>& entries);

// The same as a JSON array of {"rank", "name", "score", "when"} (when: ISO 8601 UTC).
std::string LeaderboardJson(const std::vector<Entry>& entries);

// id,rank,name,score,when lines under a header; text fields quoted.
std::string ExportCsv(const std::vector<Entry>& entries);

// "2026-12-07T03:53:32Z".
std::string IsoTime(std::int64_t seconds);
// "Mon, 07 Dec 2026 03:53:32 GMT", as HTTP dates are written.
std::string HttpDate(std::int64_t seconds);

}  // namespace hiscored
