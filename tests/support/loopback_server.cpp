#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "core/cipher.h"

#ifndef HISCORED_BIN
#define HISCORED_BIN "hiscored"
#endif

namespace qvt::test {

namespace {

constexpr int kStepMs = 10;
// No connection is served longer than this; a stuck client cannot hang the suite.
constexpr int kMaxHoldMs = 30000;
// No wait for hiscored (start, reply, end) is longer than this.
constexpr int kWaitMs = 10000;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return at;
}

// A socket bound to 127.0.0.1 at a free port (set in port); -1 when that fails.
int bindLoopback(std::uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at = loopback(0);
    socklen_t size = sizeof at;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(at.sin_port);
    return fd;
}

// Runs command through the shell for at most 10 s (a hiscored that serves instead is ended):
// its exit status (124 when it was ended), standard output in out.
int capture(const std::string& command, std::string& out) {
    FILE* pipe = ::popen(("timeout 10 " + command + " 2>/dev/null").c_str(), "r");
    char chunk[4096];
    out.clear();
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kStepMs) > 0;
}

}  // namespace

int listenLoopback(std::uint16_t& port, int backlog) {
    int fd = bindLoopback(port);
    if (fd >= 0 && ::listen(fd, backlog) == 0) return fd;
    ::close(fd);
    return -1;
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
    // Bound for the whole run and never listening: connects are refused, and no other test
    // process can take the port in the meantime.
    static std::uint16_t port = 0;
    static const int fd = bindLoopback(port);
    return fd >= 0 ? port : 0;
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
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (::send(fd, reply_.chunks[i].data(), reply_.chunks[i].size(), MSG_NOSIGNAL) < 0) return;
    }
    for (int waited = 0; reply_.holdOpen && !stop_ && waited < kMaxHoldMs; waited += kStepMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
}

RawReply rawGet(std::uint16_t port, const std::string& path, const std::string& header) {
    std::string all;  // the tests' paths and headers hold no quote
    capture("curl -si0 --path-as-is -H '" + header + "' 'http://127.0.0.1:" + std::to_string(port) +
                path + "'", all);
    std::size_t split = all.find("\r\n\r\n");
    if (split == std::string::npos || split < 12) return {};
    return {std::atoi(all.c_str() + 9), all.substr(0, split + 2), all.substr(split + 4)};
}

std::string writePath(const std::string& name, const std::string& score) {
    auto hex = [](const std::string& text) { return std::string(EncryptText("5hwintor", text.c_str()).c_str()); };
    return "/123/ifvdhwrite.php?isoud=" + hex(name) + "&eakcs=" + hex(score);
}

HiscoredProcess::HiscoredProcess(const std::string& database, std::vector<std::string> extraArgs) {
    std::string portFile = folder_ / "port";
    std::vector<std::string> args = {HISCORED_BIN, "--listen", "127.0.0.1:0", "--database", database,
                                     "--port-file", portFile, "--access-log", folder_ / "access.log",
                                     "--threads", "1"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if ((pid_ = ::fork()) == 0) {
        std::freopen((folder_ / "stderr").c_str(), "w", stderr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    for (int waited = 0; waited < kWaitMs && port_ == 0 && pid_ > 0; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        port_ = static_cast<std::uint16_t>(std::atoi(readText(portFile).c_str()));
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    }
    if (port_ == 0) std::fprintf(stderr, "hiscored did not start: %s\n", readText(folder_ / "stderr").c_str());
}

int HiscoredProcess::stop(int sig) {
    int status = 0, result = -1;
    if (pid_ <= 0 || ::kill(pid_, sig) != 0) return -1;
    for (int waited = 0; waited < kWaitMs && result < 0; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (::waitpid(pid_, &status, WNOHANG) == pid_) result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (result < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    port_ = 0;
    return result;
}

int runHiscored(const std::vector<std::string>& args, std::string& out) {
    std::string command = HISCORED_BIN;
    for (const std::string& a : args) command += " '" + a + "'";  // the tests' arguments hold no quote
    return capture(command, out);
}

}  // namespace qvt::test
