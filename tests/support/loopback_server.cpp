#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace qvt::test {

namespace {

constexpr int kStepMs = 10;
// No connection is served longer than this; a stuck client cannot hang the suite.
constexpr int kMaxHoldMs = 30000;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return at;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kStepMs) > 0;
}

}  // namespace

int listenLoopback(std::uint16_t& port, int backlog) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at = loopback(0);
    socklen_t size = sizeof at;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(at.sin_port);
    return fd;
}

int connectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return fd;
    ::close(fd);
    return -1;
}

LoopbackServer::LoopbackServer(LoopbackReply reply) : reply_(std::move(reply)) {
    listenFd_ = listenLoopback(port_);
    thread_ = std::thread([this] {
        while (!stop_) {
            int fd = readable(listenFd_) ? ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
            if (fd < 0) continue;
            serve(fd);
            ::close(fd);
        }
    });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::uint16_t LoopbackServer::closedPort() {
    std::uint16_t port = 0;
    ::close(listenLoopback(port));
    return port;
}

void LoopbackServer::serve(int fd) {
    std::string request;
    char buffer[4096];
    for (int waited = 0; waited < kMaxHoldMs && !stop_ && request.find("\r\n\r\n") == std::string::npos;
         waited += kStepMs) {
        if (!readable(fd)) continue;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (std::size_t i = 0; i < reply_.chunks.size() && !stop_; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply_.pauseMs));
        if (::send(fd, reply_.chunks[i].data(), reply_.chunks[i].size(), MSG_NOSIGNAL) < 0) return;
    }
    for (int waited = 0; reply_.holdOpen && !stop_ && waited < kMaxHoldMs; waited += kStepMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
}

}  // namespace qvt::test
