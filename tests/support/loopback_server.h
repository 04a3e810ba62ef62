// Servers on 127.0.0.1 for tests: a tiny HTTP-ish one for client tests (a thread that
// reads each request up to its empty line and answers with the chunks the test chose,
// pausing between them so the client sees them in separate reads), and hiscored, the
// hiscore server, as a process, with a plain HTTP GET that shows its replies as they came.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"

namespace qvt::test {

// A listening socket on 127.0.0.1 at a free port (set in port); -1 when that fails.
int listenLoopback(std::uint16_t& port, int backlog = 16);
// A blocking connection to 127.0.0.1:port; -1 when refused.
int connectLoopback(std::uint16_t port);

// What every connection gets.
struct LoopbackReply {
    std::vector<std::string> chunks;  // sent in order, each its own send, 20 ms apart
    bool holdOpen = false;            // after the chunks, keep the connection until stopped
};

class LoopbackServer {
public:
    explicit LoopbackServer(LoopbackReply reply);
    ~LoopbackServer();

    std::uint16_t port() const { return port_; }
    // Every request received so far, bytes as sent.
    std::vector<std::string> requests() const;
    // A loopback port that refuses connections: bound for the whole run, never listening.
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

// The reply to rawGet: status 0 when nothing parseable came back.
struct RawReply {
    int status = 0;
    std::string header;
    std::string body;
};

// GET path from 127.0.0.1:port over HTTP/1.0 (with curl), with one more header line when
// given; waits at most 10 s.
RawReply rawGet(std::uint16_t port, const std::string& path, const std::string& header = "");

// The write path's query for name and score, enciphered as the game sends them.
std::string writePath(const std::string& name, const std::string& score);

// A hiscored serving database on 127.0.0.1 at a free port; its messages reach the test's
// standard error only when it does not start.
class HiscoredProcess {
public:
    // Starts it and waits (at most 10 s) until it serves; ok() tells whether it does.
    explicit HiscoredProcess(const std::string& database, std::vector<std::string> extraArgs = {"--write-limit", "0"});
    ~HiscoredProcess() { stop(SIGTERM); }

    bool ok() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // Sends sig and waits for the process to end; its exit status (or 128 + signal).
    int stop(int sig);
    std::string accessLog() const { return readText(folder_ / "access.log"); }

private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    ScratchFolder folder_;
};

// Runs the hiscored binary with args for at most 10 s; its exit status (124 when it was
// ended), standard output in out.
int runHiscored(const std::vector<std::string>& args, std::string& out);

}  // namespace qvt::test
