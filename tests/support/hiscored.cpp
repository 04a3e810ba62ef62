#include "support/hiscored.h"

#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "core/cipher.h"
#include "support/loopback_server.h"

#ifndef HISCORED_BIN
#define HISCORED_BIN "hiscored"
#endif

namespace qvt::test {

namespace {

constexpr int kWaitMs = 10000;
constexpr const char* kPgBin = "/usr/lib/postgresql/15/bin";

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

RawReply rawGet(std::uint16_t port, const std::string& path, const std::string& extraHeaders) {
    RawReply reply;
    int fd = connectLoopback(port);
    if (fd < 0) return reply;
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string all;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    char buffer[8192];
    for (ssize_t n = 1; n > 0 && std::chrono::steady_clock::now() < end;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) all.append(buffer, n);
    }
    ::close(fd);
    std::size_t split = all.find("\r\n\r\n");
    if (split == std::string::npos || split < 12) return reply;
    reply.header = all.substr(0, split + 2);
    reply.body = all.substr(split + 4);
    reply.status = std::atoi(reply.header.c_str() + 9);
    return reply;
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
    pid_ = ::fork();
    if (pid_ == 0) {
        std::freopen((folder_ / "stderr").c_str(), "w", stderr);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    for (int waited = 0; waited < kWaitMs && port_ == 0; waited += 10) {
        port_ = static_cast<std::uint16_t>(std::atoi(readText(portFile).c_str()));
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        sleepMs(10);
    }
}

int HiscoredProcess::stop(int sig) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, sig);
    int status = 0, result = -1;
    for (int waited = 0; waited < kWaitMs && result < 0; waited += 10, sleepMs(10)) {
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

std::string runCommand(const std::string& command, int* status) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int end = ::pclose(pipe);
    if (status != nullptr) *status = WIFEXITED(end) ? WEXITSTATUS(end) : -1;
    return out;
}

int runHiscored(const std::vector<std::string>& args, std::string& out) {
    std::string command = HISCORED_BIN;
    for (const std::string& a : args) command += " '" + a + "'";  // the tests' arguments hold no quote
    int status = -1;
    out = runCommand(command, &status);
    return status;
}

PgCluster::PgCluster() {
    char templ[] = "/tmp/pgcluster-XXXXXX";
    folder_ = ::mkdtemp(templ);
    // The server refuses to run as root: the cluster belongs to nobody then.
    if (::geteuid() == 0) {
        passwd* pw = ::getpwnam("nobody");
        if (pw == nullptr || ::chown(folder_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            why_ = "cannot hand the cluster folder to nobody";
            return;
        }
        asUser_ = "runuser -u nobody -- ";
    }
    ::close(listenLoopback(port_));
    std::string data = folder_ + "/data", options = "-p " + std::to_string(port_) + " -k " + folder_ + " -h 127.0.0.1 -F";
    if (run(std::string(kPgBin) + "/initdb -D " + data + " -A trust -U hiscore -E UTF8 --no-sync") != 0 ||
        run(std::string(kPgBin) + "/pg_ctl -D " + data + " -l " + folder_ + "/server.log -w -t 30 -o '" + options +
            "' start") != 0) {
        why_ = "PostgreSQL 15 did not start (see " + folder_ + "/log)";
        return;
    }
    url_ = "postgresql://hiscore@127.0.0.1:" + std::to_string(port_) + "/";
}

PgCluster::~PgCluster() {
    if (url_.empty()) return;  // the folder stays to show why
    run(std::string(kPgBin) + "/pg_ctl -D " + folder_ + "/data -m immediate -w stop");
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::string PgCluster::database(const std::string& name) {
    run(std::string(kPgBin) + "/createdb -h 127.0.0.1 -p " + std::to_string(port_) + " -U hiscore " + name);
    return url_ + name;
}

int PgCluster::run(const std::string& command) {
    int status = std::system(("cd / && " + asUser_ + command + " >>" + folder_ + "/log 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qvt::test
