// Thin wrappers over the POSIX socket calls the socket layer needs: IPv4 TCP only.
// Results are plain numbers; a failure is -errno unless said otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvt::platform {

// First IPv4 address of host (a name or dotted address) in network byte order; 0 when none.
std::uint32_t lookupIPv4(const char* host);
// This machine's host name; empty on failure.
std::string machineName();

// A new TCP stream socket (close-on-exec); the descriptor, or -errno.
int openTcpSocket();
// Sets or clears O_NONBLOCK; 0 or -errno.
int setSocketBlocking(int fd, bool blocking);
// Starts a connect to address:port (both network byte order): 0 connected, -EINPROGRESS
// while a non-blocking connect goes on, else -errno.
int startConnect(int fd, std::uint32_t address, std::uint16_t port);
// Waits up to timeoutMs for fd to become writable (a connect's end): 1 ready, 0 time-out,
// -errno on a failed wait.
int waitWritable(int fd, int timeoutMs);
// Waits up to timeoutMs for data or a hang-up on fd: 1 ready, 0 time-out, -errno.
int waitReadable(int fd, int timeoutMs);
// The socket's pending error (SO_ERROR) as a positive errno; 0 when none.
int socketError(int fd);
// Sends up to n bytes without raising SIGPIPE: bytes sent, or -errno (-EAGAIN: would block).
long sendSome(int fd, const void* bytes, std::size_t n);
// Receives up to n bytes: bytes received, 0 when the peer closed, or -errno (-EAGAIN: none
// waiting yet).
long receiveSome(int fd, void* buffer, std::size_t n);
// Linger off, both directions shut, descriptor closed; 0 or -errno of the close.
int closeSocket(int fd);

// Milliseconds of a monotonic clock that tests cannot replace (network deadlines are real).
double monotonicMs();

}  // namespace qvt::platform
