// hiscored in tests: a server process on loopback, the binary run as a command, and a
// plain HTTP GET that shows status, headers and body as they came.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"

namespace qvt::test {

// The reply to rawGet: status 0 when nothing parseable came back.
struct RawReply {
    int status = 0;
    std::string header;
    std::string body;
};

// GET path from 127.0.0.1:port over HTTP/1.0, with one more header line when given; waits
// at most 10 s.
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

// Runs the hiscored binary with args; its exit status, standard output in out.
int runHiscored(const std::vector<std::string>& args, std::string& out);

}  // namespace qvt::test
