// hiscored in tests: a server process on loopback, a PostgreSQL cluster of the test's own,
// and a plain HTTP GET that shows status, headers and body as they came.
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

// GET path from 127.0.0.1:port over HTTP/1.0 with extra header lines ("Name: value\r\n"
// each); waits at most 10 s.
RawReply rawGet(std::uint16_t port, const std::string& path, const std::string& extraHeaders = "");

// The write path's query for name and score, enciphered as the game sends them.
std::string writePath(const std::string& name, const std::string& score);

// A hiscored serving database on 127.0.0.1 at a free port.
class HiscoredProcess {
public:
    // Starts it and waits (at most 10 s) until it serves; ok() tells whether it does.
    explicit HiscoredProcess(const std::string& database, std::vector<std::string> extraArgs = {"--write-limit", "0"});
    ~HiscoredProcess() { stop(SIGTERM); }
    HiscoredProcess(const HiscoredProcess&) = delete;
    HiscoredProcess& operator=(const HiscoredProcess&) = delete;

    bool ok() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // Sends sig and waits for the process to end; its exit status (or 128 + signal).
    int stop(int sig);
    // The access log and standard error so far.
    std::string accessLog() const { return readText(folder_ / "access.log"); }
    std::string errors() const { return readText(folder_ / "stderr"); }

private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    ScratchFolder folder_;
};

// Runs a shell command; its standard output, and its exit status in status.
std::string runCommand(const std::string& command, int* status = nullptr);
// Runs the hiscored binary with args; its exit status, standard output in out.
int runHiscored(const std::vector<std::string>& args, std::string& out);

// A PostgreSQL cluster in a scratch folder on a free loopback port, run as an unprivileged
// user when the test runs as root. available() is false (with why()) when it cannot start.
class PgCluster {
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    bool available() const { return !url_.empty(); }
    const std::string& why() const { return why_; }
    // postgresql://... of a database of its own for each name (made on first use).
    std::string database(const std::string& name);

private:
    int run(const std::string& command);
    std::string folder_, url_, why_, asUser_;
    std::uint16_t port_ = 0;
};

}  // namespace qvt::test
