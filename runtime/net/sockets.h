// The socket layer under the HTTP client: a fixed table of open sockets, a start count and
// the last network error. IPv4 stream sockets only; main thread only, no locks.
//
// Error numbers are the system's errno values, except the two the layer makes itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Entries of the socket table.
inline constexpr int kSocketSlots = 1024;
// Last network error when the table has no free entry.
inline constexpr std::int32_t kNetErrNoFreeEntry = 8;
// Last network error when a connect timed out.
inline constexpr std::int32_t kNetErrTimedOut = 10036;
// Connect time-outs outside 1..kMaxConnectTimeoutMs become kMaxConnectTimeoutMs.
inline constexpr std::int32_t kMaxConnectTimeoutMs = 30000;

// NetReceive: nothing waiting yet on a non-blocking socket.
inline constexpr long kNetNoDataYet = -2;

// One entry of the socket table; handle -1 marks a free entry.
struct SocketSlot {
    int handle = -1;
    std::uint16_t family = 0;
    std::uint16_t port = 0;     // network byte order
    std::uint32_t address = 0;  // network byte order
    bool datagram = false;
};

// A remote IPv4 address and port, both in network byte order; address 0: none found.
struct NetAddress {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// Starts the layer: the first start clears the table and registers the shutdown step; later
// starts only count. Always true on this platform.
bool NetStart();
// Lowers the start count; at 0 closes every open socket of the table.
void NetStop();
// Times started and not stopped.
std::int32_t NetStartCount();
// Closes every open socket and sets the start count to 0 (the shutdown step).
void NetShutdown();
// Latest socket call's error number, kNetErrNoFreeEntry or kNetErrTimedOut.
std::int32_t NetLastError();
// Open entries of the table.
int NetOpenSockets();

// host (name or dotted IPv4; empty: this machine, else 127.0.0.1) with port (host order).
NetAddress NetLookupHost(const RuntimeString& host, std::uint16_t port);
// Connects a non-blocking TCP socket within timeoutMs (clamped as above): the entry
// number, or -1 (last error set; nothing left open).
int TcpConnect(NetAddress to, std::int32_t timeoutMs);
// Switches the entry's socket between blocking and non-blocking.
void NetSetBlocking(int entry, bool blocking);
// Sends all count bytes, waiting for room until deadlineMs (platform::monotonicMs time):
// count, or -1 on an error or when the deadline passes.
long NetSendAll(int entry, const char* bytes, long count, double deadlineMs);
// Receives up to max bytes: the count, 0 when the peer closed or reset the connection,
// kNetNoDataYet when nothing is waiting, -1 on other errors.
long NetReceive(int entry, char* buffer, long max);
// Waits up to timeoutMs for the entry to have data (or a hang-up): true when it has.
bool NetWaitReadable(int entry, int timeoutMs);
// Closes the entry's socket and frees it; records the close's error.
void NetClose(int entry);

}  // namespace qvt
