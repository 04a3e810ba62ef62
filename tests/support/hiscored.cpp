#include "support/hiscored.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/cipher.h"

#ifndef HISCORED_BIN
#define HISCORED_BIN "hiscored"
#endif

namespace qvt::test {

namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 10000;
constexpr const char* kPgBin = "/usr/lib/postgresql/15/bin";

std::string scratch(const char* prefix) {
    std::string templ = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    return ::mkdtemp(templ.data()) != nullptr ? templ : std::string();
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::uint16_t freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size);
    ::close(fd);
    return ntohs(at.sin_port);
}

int waitExit(pid_t pid, int ms) {
    for (int waited = 0; waited < ms; waited += 10) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

RawReply rawGet(std::uint16_t port, const std::string& path, const std::string& extraHeaders) {
    RawReply reply;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return reply;
    }
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string all;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buffer[8192];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        all.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    std::size_t split = all.find("\r\n\r\n");
    if (split == std::string::npos) return reply;
    reply.header = all.substr(0, split + 2);
    reply.body = all.substr(split + 4);
    if (reply.header.size() > 12) reply.status = std::atoi(reply.header.c_str() + 9);
    return reply;
}

std::string writePath(const std::string& name, const std::string& score) {
    auto hex = [](const std::string& text) {
        return std::string(EncryptText("5hwintor", RuntimeString(std::string_view(text))).c_str());
    };
    return "/123/ifvdhwrite.php?isoud=" + hex(name) + "&eakcs=" + hex(score);
}

std::string HiscoredProcess::binary() { return HISCORED_BIN; }

HiscoredProcess::HiscoredProcess(const std::string& database, std::vector<std::string> extraArgs) {
    folder_ = scratch("hiscored");
    std::string portFile = folder_ + "/port";
    std::vector<std::string> args = {binary(), "--listen", "127.0.0.1:0", "--database", database,
                                     "--port-file", portFile, "--access-log", folder_ + "/access.log",
                                     "--threads", "1"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        std::freopen((folder_ + "/stderr").c_str(), "w", stderr);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    for (int waited = 0; waited < kWaitMs && pid_ > 0; waited += 10) {
        std::ifstream in(portFile);
        unsigned port = 0;
        if (in >> port && port != 0) {
            port_ = static_cast<std::uint16_t>(port);
            return;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HiscoredProcess::~HiscoredProcess() {
    stop(SIGTERM);
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

int HiscoredProcess::stop(int sig) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, sig);
    int status = waitExit(pid_, kWaitMs);
    pid_ = -1;
    port_ = 0;
    return status;
}

std::string HiscoredProcess::accessLog() const { return slurp(folder_ + "/access.log"); }

std::string HiscoredProcess::errors() const { return slurp(folder_ + "/stderr"); }

int runHiscored(const std::vector<std::string>& args, std::string& out) {
    std::string command = HiscoredProcess::binary();
    for (const std::string& a : args) {
        std::string quoted = "'";
        for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += " " + quoted + "'";
    }
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    std::size_t n;
    out.clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PgCluster::PgCluster() {
    if (!fs::exists(std::string(kPgBin) + "/initdb")) {
        why_ = "PostgreSQL 15 is not installed";
        return;
    }
    folder_ = scratch("pgcluster");
    if (folder_.empty()) {
        why_ = "no scratch folder";
        return;
    }
    // The server refuses to run as root: the cluster belongs to nobody then.
    if (::geteuid() == 0) {
        passwd* pw = ::getpwnam("nobody");
        if (pw == nullptr || ::chown(folder_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            why_ = "cannot hand the cluster folder to nobody";
            return;
        }
        asUser_ = "runuser -u nobody -- ";
    }
    port_ = freePort();
    std::string data = folder_ + "/data";
    if (run(std::string(kPgBin) + "/initdb -D " + data + " -A trust -U hiscore -E UTF8 --no-sync") != 0) {
        why_ = "initdb failed (see " + folder_ + "/log)";
        return;
    }
    std::string options = "-p " + std::to_string(port_) + " -k " + folder_ + " -h 127.0.0.1 -F";
    if (run(std::string(kPgBin) + "/pg_ctl -D " + data + " -l " + folder_ + "/server.log -w -t 30 -o '" + options +
            "' start") != 0) {
        why_ = "pg_ctl start failed (see " + folder_ + "/server.log)";
        return;
    }
    url_ = "postgresql://hiscore@127.0.0.1:" + std::to_string(port_) + "/";
}

PgCluster::~PgCluster() {
    if (!url_.empty()) run(std::string(kPgBin) + "/pg_ctl -D " + folder_ + "/data -m immediate -w stop");
    if (!folder_.empty() && why_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

std::string PgCluster::database(const std::string& name) {
    if (url_.empty()) return {};
    run(std::string(kPgBin) + "/createdb -h 127.0.0.1 -p " + std::to_string(port_) + " -U hiscore " + name);
    return url_ + name;
}

int PgCluster::run(const std::string& command) {
    std::string line = "cd / && " + asUser_ + command + " >>" + folder_ + "/log 2>&1";
    int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qvt::test
