#include "net/http.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/filesystem.h"
#include "net/sockets.h"
#include "platform/fs.h"
#include "platform/net.h"

namespace qvt {

namespace {

constexpr std::uint16_t kDefaultPort = 80;
constexpr long kChunk = 1023;
// Empty reads wait this long for data before the deadline is looked at again.
constexpr int kPollMs = 5;
constexpr std::size_t kStatusLineMax = 64;
constexpr const char* kMemoryPrefix = "mem://";

std::int32_t lastStatus = 0;

// Bytes that would let a caller's text change the request's shape.
bool safeRequestText(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p <= ' ' || *p == 127) return false;
    }
    return true;
}

// "HTTP/1.x NNN ..." gives NNN; anything else 0.
std::int32_t parseStatus(const std::string& line) {
    if (line.compare(0, 5, "HTTP/") != 0) return 0;
    std::size_t at = line.find(' ');
    if (at == std::string::npos) return 0;
    while (at < line.size() && line[at] == ' ') ++at;
    if (at + 3 > line.size()) return 0;
    std::int32_t code = 0;
    for (std::size_t i = at; i < at + 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    if (at + 3 < line.size() && line[at + 3] != ' ' && line[at + 3] != '\r') return 0;
    return code;
}

// Where one reply's body goes, and how far its header has been read.
struct Reply {
    int file = -1;
    char* out = nullptr;
    std::int32_t outSize = 0;
    std::int32_t outUsed = 0;
    std::int64_t bodyBytes = 0;
    int lineFeeds = 0;
    bool headerDone = false;
    bool statusDone = false;
    std::string statusLine;

    // Header bytes of a chunk: returns how many of them the header took.
    long scanHeader(const char* bytes, long n) {
        for (long i = 0; i < n; ++i) {
            char c = bytes[i];
            if (!statusDone) {
                if (c == '\n' || statusLine.size() >= kStatusLineMax) {
                    statusDone = true;
                    lastStatus = parseStatus(statusLine);
                } else {
                    statusLine += c;
                }
            }
            if (c == '\n') {
                if (++lineFeeds == 2) {
                    headerDone = true;
                    return i + 1;
                }
            } else if (c != '\r') {
                lineFeeds = 0;
            }
        }
        return n;
    }

    // False when the body cannot be stored or grows too long. done: the buffer is full.
    bool body(const char* bytes, long n, bool& done) {
        bodyBytes += n;
        if (bodyBytes > kHttpMaxBody) return false;
        if (file >= 0 && !platform::writeFile(file, bytes, static_cast<std::size_t>(n))) return false;
        if (out != nullptr) {
            std::int32_t room = outSize - 1 - outUsed;
            std::int32_t take = static_cast<std::int32_t>(std::min<long>(room, n));
            std::memcpy(out + outUsed, bytes, static_cast<std::size_t>(take));
            outUsed += take;
            out[outUsed] = 0;
            if (outUsed >= outSize - 1) done = true;
        }
        return true;
    }
};

// Reads the reply until the server closes; true on a complete reply.
bool receiveReply(int entry, Reply& reply, std::vector<char>& buffer, double deadlineMs) {
    for (;;) {
        // A server that trickles bytes is held to the same bound as a silent one.
        double left = deadlineMs - platform::monotonicMs();
        if (left <= 0) return false;
        long n = NetReceive(entry, buffer.data(), kChunk);
        if (n == 0) return true;
        if (n == -1) return false;
        if (n == kNetNoDataYet) {
            NetWaitReadable(entry, std::min(kPollMs, static_cast<int>(left) + 1));
            continue;
        }
        long start = reply.headerDone ? 0 : reply.scanHeader(buffer.data(), n);
        if (!reply.headerDone || start == n) continue;
        bool full = false;
        if (!reply.body(buffer.data() + start, n - start, full)) return false;
        if (full) return true;
    }
}

}  // namespace

std::int32_t HttpGetToFile(const RuntimeString& host, const RuntimeString& path, std::uint16_t port,
                           const RuntimeString* target, char* out, std::int32_t outSize,
                           std::int32_t timeoutMs) {
    lastStatus = 0;
    if (port == 0) port = kDefaultPort;
    if (out != nullptr && outSize > 0) out[0] = 0;
    if (outSize < 1) out = nullptr;
    Reply reply;
    reply.out = out;
    reply.outSize = outSize;
    if (target != nullptr) {
        if (std::strncmp(target->c_str(), kMemoryPrefix, std::strlen(kMemoryPrefix)) == 0) return 0;
        std::string name = osPath(*target);
        platform::removeFile(name.c_str());
        reply.file = platform::openFile(name.c_str(), platform::FileAccess::ReadWriteNew);
        if (reply.file < 0) return 0;
    }
    bool ok = false;
    int entry = -1;
    bool started = false;
    if (timeoutMs < 1 || timeoutMs > kMaxConnectTimeoutMs) timeoutMs = kMaxConnectTimeoutMs;
    const double deadline = platform::monotonicMs() + static_cast<double>(kHttpTotalTimeouts) * timeoutMs;
    if (safeRequestText(host.c_str()) && safeRequestText(path.c_str()) && NetStart()) {
        started = true;
        NetAddress to = NetLookupHost(host, port);
        if (to.address != 0) entry = TcpConnect(to, timeoutMs);
    }
    if (entry >= 0) {
        NetSetBlocking(entry, false);
        std::size_t size = std::max<std::size_t>(1024, std::strlen(host.c_str()) + std::strlen(path.c_str()) + 100);
        std::vector<char> buffer(size);
        int length = std::snprintf(buffer.data(), size, "GET %s HTTP/1.0\r\nHost:%s\r\nAccept: */*\r\nUser-Agent: Quivent\r\n\r\n",
                                   path.c_str(), host.c_str());
        if (length > 0 && NetSendAll(entry, buffer.data(), length, deadline) == length) {
            ok = receiveReply(entry, reply, buffer, deadline);
        }
        NetClose(entry);
    }
    if (started) NetStop();
    platform::closeFile(reply.file);
    if (!ok) lastStatus = 0;
    return ok ? 1 : 0;
}

std::int32_t HttpLastStatus() { return lastStatus; }

}  // namespace qvt
