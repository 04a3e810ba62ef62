// A tiny HTTP-ish server on 127.0.0.1 for client tests: a thread that accepts connections,
// reads each request up to its empty line and answers with the chunks the test chose,
// pausing between them so the client sees them in separate reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qvt::test {

// A listening socket on 127.0.0.1 at a free port (set in port); -1 when that fails.
int listenLoopback(std::uint16_t& port, int backlog = 16);
// A blocking connection to 127.0.0.1:port; -1 when refused.
int connectLoopback(std::uint16_t port);

// What every connection gets.
struct LoopbackReply {
    std::vector<std::string> chunks;  // sent in order, each its own send
    int pauseMs = 20;                 // between chunks
    bool holdOpen = false;            // after the chunks, keep the connection until stopped
};

class LoopbackServer {
public:
    explicit LoopbackServer(LoopbackReply reply);
    ~LoopbackServer();

    std::uint16_t port() const { return port_; }
    // Every request received so far, bytes as sent.
    std::vector<std::string> requests() const;
    // A loopback port that refuses connections (nothing listens there).
    static std::uint16_t closedPort();

private:
    void serve(int fd);

    LoopbackReply reply_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace qvt::test
