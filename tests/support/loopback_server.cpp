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
// No test waits longer than this for anything; a stuck client cannot hang the suite.
constexpr int kMaxHoldMs = 30000;
constexpr std::size_t kMaxRequest = 64 * 1024;

int listenLoopback(std::uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(at.sin_port);
    return fd;
}

}  // namespace

LoopbackServer::LoopbackServer(Answer answer) : answer_(std::move(answer)) {
    listenFd_ = listenLoopback(port_);
    if (listenFd_ >= 0) thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::uint16_t LoopbackServer::closedPort() {
    std::uint16_t port = 0;
    int fd = listenLoopback(port);
    if (fd >= 0) ::close(fd);
    return port;
}

void LoopbackServer::run() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kStepMs) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++connections_;
        serve(fd);
        ::close(fd);
    }
}

void LoopbackServer::serve(int fd) {
    std::string request;
    for (int waited = 0; waited < kMaxHoldMs && !stop_ && request.find("\r\n\r\n") == std::string::npos &&
                         request.size() < kMaxRequest;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kStepMs) <= 0) {
            waited += kStepMs;
            continue;
        }
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    LoopbackReply reply = answer_(request);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (std::size_t i = 0; i < reply.chunks.size() && !stop_; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
        const std::string& c = reply.chunks[i];
        if (::send(fd, c.data(), c.size(), MSG_NOSIGNAL) < 0) return;
    }
    for (int waited = 0; reply.holdOpen && !stop_ && waited < kMaxHoldMs; waited += kStepMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
}

}  // namespace qvt::test
