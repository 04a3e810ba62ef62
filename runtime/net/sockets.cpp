#include "net/sockets.h"

#include <arpa/inet.h>

#include <array>
#include <cerrno>
#include <string>

#include "core/lifecycle.h"
#include "platform/net.h"

namespace qvt {

namespace {

constexpr std::uint16_t kFamilyIPv4 = 2;
constexpr const char* kLoopback = "127.0.0.1";

struct SocketLayer {
    std::array<SocketSlot, kSocketSlots> table;
    std::int32_t startCount = 0;
    std::int32_t lastError = 0;
};

SocketLayer& layer() {
    static SocketLayer state;
    return state;
}

SocketSlot* slotOf(int entry) {
    if (entry < 0 || entry >= kSocketSlots) return nullptr;
    SocketSlot& s = layer().table[static_cast<std::size_t>(entry)];
    return s.handle >= 0 ? &s : nullptr;
}

void record(int result) { layer().lastError = result < 0 ? -result : 0; }

void closeAll() {
    for (int i = 0; i < kSocketSlots; ++i) {
        if (slotOf(i) != nullptr) NetClose(i);
    }
}

}  // namespace

bool NetStart() {
    SocketLayer& l = layer();
    if (l.startCount <= 0) {
        l.table.fill(SocketSlot{});
        l.startCount = 0;
        RegisterShutdownStep(ShutdownStep::Network, NetShutdown);
    }
    ++l.startCount;
    return true;
}

void NetStop() {
    SocketLayer& l = layer();
    if (--l.startCount > 0) return;
    closeAll();
    l.startCount = 0;
}

std::int32_t NetStartCount() { return layer().startCount; }

void NetShutdown() {
    closeAll();
    layer().startCount = 0;
}

std::int32_t NetLastError() { return layer().lastError; }

int NetOpenSockets() {
    int open = 0;
    for (const SocketSlot& s : layer().table) open += s.handle >= 0 ? 1 : 0;
    return open;
}

NetAddress NetLookupHost(const RuntimeString& host, std::uint16_t port) {
    std::string name(host.c_str());
    if (name.empty()) {
        name = platform::machineName();
        if (name.empty() || platform::lookupIPv4(name.c_str()) == 0) name = kLoopback;
    }
    return NetAddress{platform::lookupIPv4(name.c_str()), htons(port)};
}

int TcpConnect(NetAddress to, std::int32_t timeoutMs) {
    SocketLayer& l = layer();
    int entry = -1;
    for (int i = 0; i < kSocketSlots && entry < 0; ++i) {
        if (l.table[static_cast<std::size_t>(i)].handle < 0) entry = i;
    }
    if (entry < 0) {
        l.lastError = kNetErrNoFreeEntry;
        return -1;
    }
    int fd = platform::openTcpSocket();
    if (fd < 0) {
        record(fd);
        return -1;
    }
    l.table[static_cast<std::size_t>(entry)] = SocketSlot{fd, kFamilyIPv4, to.port, to.address, false};
    platform::setSocketBlocking(fd, false);
    int r = platform::startConnect(fd, to.address, to.port);
    if (r == 0) return entry;
    if (r != -EINPROGRESS && r != -EAGAIN) {
        NetClose(entry);
        record(r);
        return -1;
    }
    if (timeoutMs < 1 || timeoutMs > kMaxConnectTimeoutMs) timeoutMs = kMaxConnectTimeoutMs;
    r = platform::waitWritable(fd, timeoutMs);
    if (r == 0) {
        NetClose(entry);
        l.lastError = kNetErrTimedOut;
        return -1;
    }
    int error = r < 0 ? -r : platform::socketError(fd);
    if (error != 0) {
        NetClose(entry);
        l.lastError = error;
        return -1;
    }
    return entry;
}

void NetSetBlocking(int entry, bool blocking) {
    if (SocketSlot* s = slotOf(entry)) record(platform::setSocketBlocking(s->handle, blocking));
}

long NetSendAll(int entry, const char* bytes, long count, double deadlineMs) {
    SocketSlot* s = slotOf(entry);
    if (s == nullptr || count < 0) return -1;
    long sent = 0;
    while (sent < count) {
        long r = platform::sendSome(s->handle, bytes + sent, static_cast<std::size_t>(count - sent));
        if (r >= 0) {
            sent += r;
            continue;
        }
        record(static_cast<int>(r));
        if (r != -EAGAIN) return -1;
        // The peer's window is full: wait for room instead of spinning on send.
        double left = deadlineMs - platform::monotonicMs();
        if (left <= 0 || platform::waitWritable(s->handle, static_cast<int>(left) + 1) < 0) return -1;
    }
    return sent;
}

long NetReceive(int entry, char* buffer, long max) {
    SocketSlot* s = slotOf(entry);
    if (s == nullptr || max <= 0) return -1;
    long r = platform::receiveSome(s->handle, buffer, static_cast<std::size_t>(max));
    if (r >= 0) return r;
    record(static_cast<int>(r));
    return r == -EAGAIN ? kNetNoDataYet : -1;
}

bool NetWaitReadable(int entry, int timeoutMs) {
    SocketSlot* s = slotOf(entry);
    return s != nullptr && platform::waitReadable(s->handle, timeoutMs) > 0;
}

void NetClose(int entry) {
    SocketSlot* s = slotOf(entry);
    if (s == nullptr) return;
    record(platform::closeSocket(s->handle));
    *s = SocketSlot{};
}

}  // namespace qvt
