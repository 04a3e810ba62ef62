// The hiscore server exchange: reading the global list and sending new local entries.
//
// A request counts only when a reply came back whole with a 2xx status; a reply of any
// other kind leaves the game as an unreachable server would.
#include "game/online.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>

#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/routines.h"
#include "game/screens.h"

#ifndef RAYVAULTER_HISCORE_SERVER
#define RAYVAULTER_HISCORE_SERVER "127.0.0.1"
#endif

namespace qvt::game {

namespace {

constexpr std::uint16_t kDefaultPort = 80;
constexpr const char* kPlaceholderName = "----------";

// A reply file goes into the folder of the hiscore file (the writable one).
RuntimeString replyFile(const char* name) {
    std::string_view path = G().HiscoreFileName.view();
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return RuntimeString(name);
    RuntimeString out(path.substr(0, slash + 1));
    out.append(name);
    return out;
}

std::int32_t serverGet(const RuntimeString& path, const RuntimeString& file) {
    ServerAddress server = HiscoreServerAddress();
    std::int32_t done = HttpGetToFile(server.host, path, server.port, &file, nullptr, 0, kServerTimeoutMs);
    std::int32_t status = HttpLastStatus();
    return done != 0 && status >= 200 && status <= 299 ? 1 : 0;
}

// The whole reply file; false when it cannot be read.
bool readReply(const RuntimeString& path, RuntimeString& body) {
    if (OpenChannel(kHiscoreChannel, path, 1) == 0) return false;
    SeekChannel(kHiscoreChannel, 0, -1);
    std::int32_t size = GetChannelPosition(kHiscoreChannel);
    SeekChannel(kHiscoreChannel, 0, 0);
    bool ok = size >= 0 && size <= kHttpMaxBody;
    if (ok) body = ReadChannelBytes(kHiscoreChannel, size);
    CloseChannel(kHiscoreChannel);
    return ok;
}

double finiteOrZero(double value) { return std::isfinite(value) ? value : 0; }

// ServerRecords: its blank entry at 0, then the records from the lowest score up; equal
// scores keep the server's order, the first sent placed highest. Slots without a record
// show the placeholder, never the blank entry or a repeated record.
void fillGlobalTable(const std::vector<ListRecord>& records) {
    GameGlobals& g = G();
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (records[a].score != records[b].score) return records[a].score < records[b].score;
        return a > b;
    });
    DimRecords(g.ServerRecords, 1);
    RedimRecords(g.ServerRecords, static_cast<std::int32_t>(records.size()) + 1);
    for (std::size_t k = 0; k < order.size(); ++k) {
        ServerRecord& r = g.ServerRecords(static_cast<double>(k + 1));
        const ListRecord& from = records[order[k]];
        ServerScore(r) = from.score;
        ServerName(r) = from.name;
        LeadNumber(r) = from.leadNumber;
    }
    std::int32_t n = static_cast<std::int32_t>(records.size());
    for (int s = kHiscoreEntries - 1; s >= 0; --s, --n) {
        if (n >= 1) {
            ServerRecord& r = g.ServerRecords(n);
            g.GlobalScore(s) = ServerScore(r);
            g.GlobalName(s) = ServerName(r);
        } else {
            g.GlobalScore(s) = 0;
            g.GlobalName(s) = kPlaceholderName;
        }
    }
}

}  // namespace

ServerAddress HiscoreServerAddress() {
    const char* env = std::getenv("RAYVAULTER_HISCORE_SERVER");
    std::string text = env != nullptr && *env != 0 ? env : RAYVAULTER_HISCORE_SERVER;
    ServerAddress out;
    std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        std::string port = text.substr(colon + 1);
        long value = port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos
                         ? 0
                         : std::strtol(port.c_str(), nullptr, 10);
        out.port = value >= 1 && value <= 65535 ? static_cast<std::uint16_t>(value) : kDefaultPort;
        text.resize(colon);
    }
    out.host = RuntimeString(std::string_view(text));
    return out;
}

bool ParseServerList(std::string_view body, std::vector<ListRecord>& records) {
    records.clear();
    std::size_t at = 0;
    auto nextLine = [&](std::string_view& line) {
        if (at >= body.size()) return false;
        std::size_t end = body.find('\n', at);
        if (end == std::string_view::npos) end = body.size();
        line = body.substr(at, end - at);
        if (end < body.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        at = end + 1;
        return true;
    };
    std::string_view lead, name, score;
    while (nextLine(lead)) {
        if (lead == "eof") return true;
        if (records.size() >= kMaxListRecords || !nextLine(name) || !nextLine(score)) return false;
        ListRecord r;
        r.leadNumber = finiteOrZero(StringToNumber(RuntimeString(lead)));
        r.name = DecryptText(kWireKey, RuntimeString(name));
        r.score = finiteOrZero(StringToNumber(DecryptText(kWireKey, RuntimeString(score))));
        records.push_back(std::move(r));
    }
    return false;
}

void FillGlobalPlaceholders() {
    GameGlobals& g = G();
    for (int i = 0; i < kHiscoreEntries; ++i) {
        g.GlobalScore(i) = 0;
        g.GlobalName(i) = kPlaceholderName;
    }
}

void CheckOnlineHiScore() {
    GameGlobals& g = G();
    RuntimeString file = replyFile(kListFile);
    g.WebOk = serverGet(kReadPath, file);
    RuntimeString body;
    std::vector<ListRecord> records;
    if (g.WebOk != 0 && !(readReply(file, body) && ParseServerList(body.view(), records))) g.WebOk = 0;
    if (g.WebOk == 0) {
        FillGlobalPlaceholders();
        return;
    }
    fillGlobalTable(records);
}

void UploadPendingEntries(UploadForm form) {
    GameGlobals& g = G();
    if (g.WebOk == 0) return;
    if (form == UploadForm::Save) {
        drawFixed("UPLOADING HISCORES TO SERVER", 96, 448);
        ShowScreen();
    }
    g.GlobalStale = 0;
    RuntimeString file = replyFile(kResultFile);
    for (int i = 0; i < kHiscoreEntries; ++i) {
        if (g.GlobalScore(0) < g.LocalScore(i) && g.LocalSent(i) == 0) {
            g.GlobalStale = 1;
            g.WorkLine = EncryptText(kWireKey, g.LocalName(i));
            g.WorkLine.append("&eakcs=");
            g.WorkLine.append(EncryptText(kWireKey, NumberToString(g.LocalScore(i))));
            RuntimeString path(kWritePath);
            path.append(g.WorkLine);
            g.WebOk = serverGet(path, file);
            if (g.WebOk != 0) g.LocalSent(i) = 1;
        }
        if (form == UploadForm::StartUp) ShowScreen();
    }
    if (form == UploadForm::StartUp && g.GlobalStale == 1) CheckOnlineHiScore();
}

}  // namespace qvt::game
