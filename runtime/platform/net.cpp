#include "platform/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace qvt::platform {

namespace {

int pollFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -errno;
    return r > 0 ? 1 : 0;
}

}  // namespace

std::uint32_t lookupIPv4(const char* host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    std::uint32_t address = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    ::freeaddrinfo(found);
    return address;
}

std::string machineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

int openTcpSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? -errno : fd;
}

int setSocketBlocking(int fd, bool blocking) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return -errno;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) < 0 ? -errno : 0;
}

int startConnect(int fd, std::uint32_t address, std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = port;
    to.sin_addr.s_addr = address;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return 0;
    return -errno;
}

int waitWritable(int fd, int timeoutMs) { return pollFor(fd, POLLOUT, timeoutMs); }

int waitReadable(int fd, int timeoutMs) { return pollFor(fd, POLLIN, timeoutMs); }

int socketError(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
}

long sendSome(int fd, const void* bytes, std::size_t n) {
    ssize_t r;
    do {
        r = ::send(fd, bytes, n, MSG_NOSIGNAL);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return errno == EWOULDBLOCK ? -EAGAIN : -errno;
    return static_cast<long>(r);
}

long receiveSome(int fd, void* buffer, std::size_t n) {
    ssize_t r;
    do {
        r = ::recv(fd, buffer, n, 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        // A reset ends the reply like an orderly close does.
        if (errno == ECONNRESET) return 0;
        return errno == EWOULDBLOCK ? -EAGAIN : -errno;
    }
    return static_cast<long>(r);
}

int closeSocket(int fd) {
    linger off{0, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    ::shutdown(fd, SHUT_RDWR);
    return ::close(fd) == 0 ? 0 : -errno;
}

double monotonicMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

}  // namespace qvt::platform
