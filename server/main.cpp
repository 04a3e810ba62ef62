// hiscored: the RAYVAULTER hiscore server, and the operator's commands on its database.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "pages.h"
#include "service.h"
#include "store.h"

namespace {

constexpr const char* kVersion = "hiscored 1.0";
constexpr const char* kDefaultDatabase = "hiscores.db";

constexpr const char* kUsage =
    "usage: hiscored [serve] [options]      serve the hiscore list\n"
    "       hiscored list [--database D]    print the ranked entries\n"
    "       hiscored delete ID [--database D]\n"
    "                                      remove one entry (its id from list)\n"
    "       hiscored export [--database D]  all entries as CSV on standard output\n"
    "\n"
    "options:\n"
    "  --listen HOST:PORT        where to listen (env HISCORED_LISTEN; default 127.0.0.1:8080;\n"
    "                            [::1]:PORT for IPv6; port 0 picks a free one)\n"
    "  --database FILE|URL       SQLite file, or a postgresql:// URL (env HISCORED_DATABASE;\n"
    "                            default hiscores.db)\n"
    "  --write-limit N           writes per minute per client address (default 30; 0 off)\n"
    "  --max-connections N       open connections in all (default 1000)\n"
    "  --per-address-connections N\n"
    "                            open connections per client address (default 128; 0 off)\n"
    "  --timeout SECONDS         idle connections are closed after this (default 10)\n"
    "  --threads N               worker threads (default 2)\n"
    "  --access-log FILE|-|off   common log format, '-' standard output (default)\n"
    "  --port-file FILE          write the port listened on into FILE once serving\n"
    "  --help, --version\n";

struct Flags {
    std::string command = "serve";
    std::vector<std::string> arguments;
    std::string database = kDefaultDatabase;
    std::string portFile;
    hiscored::ServiceOptions service;
};

bool parseUnsigned(const std::string& text, unsigned& out) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = static_cast<unsigned>(std::stoul(text));
    return true;
}

// "HOST:PORT", "[V6]:PORT" or ":PORT".
bool parseListen(const std::string& text, hiscored::ServiceOptions& o) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    std::string host = text.substr(0, colon);
    unsigned port = 0;
    if (!parseUnsigned(text.substr(colon + 1), port) || port > 65535) return false;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    o.host = host;
    o.port = static_cast<std::uint16_t>(port);
    return true;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "hiscored: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// 0 parsed, -1 print help/version and end well, else an exit code.
int parseFlags(int argc, char** argv, Flags& f) {
    if (const char* listen = std::getenv("HISCORED_LISTEN"); listen != nullptr && *listen != 0) {
        if (!parseListen(listen, f.service)) return usageError("HISCORED_LISTEN is not HOST:PORT");
    }
    if (const char* db = std::getenv("HISCORED_DATABASE"); db != nullptr && *db != 0) f.database = db;
    int i = 1;
    if (i < argc && argv[i][0] != '-') f.command = argv[i++];
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (a == "--version") {
            std::printf("%s\n", kVersion);
            return -1;
        }
        if (a.rfind("--", 0) != 0) {
            f.arguments.push_back(a);
            continue;
        }
        if (i + 1 >= argc) return usageError(a + " needs a value");
        std::string v = argv[++i];
        unsigned n = 0;
        if (a == "--listen") {
            if (!parseListen(v, f.service)) return usageError("--listen wants HOST:PORT");
        } else if (a == "--database") {
            f.database = v;
        } else if (a == "--access-log") {
            f.service.accessLog = v;
        } else if (a == "--port-file") {
            f.portFile = v;
        } else if (!parseUnsigned(v, n)) {
            return usageError(a + " wants a whole number");
        } else if (a == "--write-limit") {
            f.service.writeLimit = static_cast<int>(n);
        } else if (a == "--max-connections") {
            f.service.maxConnections = n;
        } else if (a == "--per-address-connections") {
            f.service.perAddressConnections = n;
        } else if (a == "--timeout") {
            f.service.timeoutSeconds = n;
        } else if (a == "--threads") {
            f.service.threads = n;
        } else {
            return usageError("unknown option " + a);
        }
    }
    return 0;
}

int serve(hiscored::Store& store, const Flags& f) {
    // Signals are taken by sigwait below, never by a worker thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    hiscored::Service service(store, f.service);
    std::string error;
    if (!service.start(error)) {
        std::fprintf(stderr, "hiscored: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "hiscored: listening on %s:%u (%s)\n", f.service.host.c_str(), service.port(), store.kind());
    if (!f.portFile.empty()) {
        // Written whole under another name first, so a reader never sees half a number.
        std::string temp = f.portFile + ".tmp";
        std::ofstream(temp) << service.port() << "\n";
        std::rename(temp.c_str(), f.portFile.c_str());
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::fprintf(stderr, "hiscored: stopping on signal %d\n", signal);
    service.stop();
    return 0;
}

int list(hiscored::Store& store) {
    auto entries = store.all();
    if (!entries) return std::fprintf(stderr, "hiscored: cannot read the database\n"), 1;
    std::printf("%6s %8s  %-10s %10s  %s\n", "rank", "id", "name", "score", "when");
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const hiscored::Entry& e = (*entries)[i];
        std::printf("%6zu %8lld  %-10s %10lld  %s\n", i + 1, static_cast<long long>(e.id), e.name.c_str(),
                    static_cast<long long>(e.score), hiscored::IsoTime(e.when).c_str());
    }
    return 0;
}

int remove(hiscored::Store& store, const Flags& f) {
    unsigned id = 0;
    if (f.arguments.size() != 1 || !parseUnsigned(f.arguments[0], id)) return usageError("delete wants one entry id");
    std::optional<bool> removed = store.remove(id);
    if (!removed) return std::fprintf(stderr, "hiscored: cannot write the database\n"), 1;
    if (!*removed) return std::fprintf(stderr, "hiscored: no entry %u\n", id), 1;
    std::printf("deleted entry %u\n", id);
    return 0;
}

int exportCsv(hiscored::Store& store) {
    auto entries = store.all();
    if (!entries) return std::fprintf(stderr, "hiscored: cannot read the database\n"), 1;
    std::fputs(hiscored::ExportCsv(*entries).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Flags f;
    int parsed = parseFlags(argc, argv, f);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;
    if (f.command != "serve" && f.command != "list" && f.command != "delete" && f.command != "export") {
        return usageError("unknown command " + f.command);
    }
    if (f.command != "delete" && !f.arguments.empty()) return usageError("unexpected argument " + f.arguments[0]);
    std::string error;
    std::unique_ptr<hiscored::Store> store = hiscored::OpenStore(f.database, error);
    if (!store) {
        std::fprintf(stderr, "hiscored: cannot open the database: %s\n", error.c_str());
        return 1;
    }
    if (f.command == "list") return list(*store);
    if (f.command == "delete") return remove(*store, f);
    if (f.command == "export") return exportCsv(*store);
    return serve(*store, f);
}
