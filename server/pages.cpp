#include "pages.h"

#include <algorithm>
#include <ctime>

#include <nlohmann/json.hpp>

#include "query.h"

namespace hiscored {

namespace {

std::string formatTime(std::int64_t seconds, const char* format) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[64];
    std::size_t n = std::strftime(text, sizeof text, format, &tm);
    return std::string(text, n);
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::size_t shown(const std::vector<Entry>& entries, int limit) {
    return std::min(entries.size(), static_cast<std::size_t>(limit));
}

}  // namespace

std::string IsoTime(std::int64_t seconds) { return formatTime(seconds, "%Y-%m-%dT%H:%M:%SZ"); }

std::string HttpDate(std::int64_t seconds) { return formatTime(seconds, "%a, %d %b %Y %H:%M:%S GMT"); }

std::string ListReply(const std::vector<Entry>& entries) {
    std::string out;
    for (std::size_t i = 0; i < shown(entries, kListEntries); ++i) {
        out += std::to_string(i + 1) + "\r\n";
        out += EncipherForWire(entries[i].name) + "\r\n";
        out += EncipherForWire(std::to_string(entries[i].score)) + "\r\n";
    }
    out += "eof\r\n";
    return out;
}

std::string LeaderboardHtml(const std::vector<Entry>& entries) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<title>RAYVAULTER hiscores</title>"
        "<style>body{font-family:monospace;background:#000;color:#eee}"
        "table{border-collapse:collapse}td,th{padding:2px 12px}"
        "td.n,th.n{text-align:right}</style></head>\n<body><h1>RAYVAULTER hiscores</h1>\n"
        "<table id=\"hiscores\"><thead><tr><th class=\"n\">rank</th><th>name</th>"
        "<th class=\"n\">score</th><th>when</th></tr></thead><tbody>\n";
    for (std::size_t i = 0; i < shown(entries, kPageEntries); ++i) {
        const Entry& e = entries[i];
        out += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td><td>" + escapeHtml(e.name) +
               "</td><td class=\"n\">" + std::to_string(e.score) + "</td><td>" +
               formatTime(e.when, "%Y-%m-%d %H:%M UTC") + "</td></tr>\n";
    }
    out += "</tbody></table>\n</body></html>\n";
    return out;
}

std::string LeaderboardJson(const std::vector<Entry>& entries) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < shown(entries, kPageEntries); ++i) {
        const Entry& e = entries[i];
        list.push_back({{"rank", i + 1}, {"name", e.name}, {"score", e.score}, {"when", IsoTime(e.when)}});
    }
    // Names from the database need not be UTF-8 (an operator may have put anything there).
    return list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string ExportCsv(const std::vector<Entry>& entries) {
    std::string out = "id,rank,name,score,when\r\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        std::string name = "\"";
        for (char c : e.name) name += c == '"' ? std::string("\"\"") : std::string(1, c);
        name += "\"";
        out += std::to_string(e.id) + "," + std::to_string(i + 1) + "," + name + "," + std::to_string(e.score) +
               "," + IsoTime(e.when) + "\r\n";
    }
    return out;
}

}  // namespace hiscored
