#include "service.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "pages.h"
#include "query.h"

namespace hiscored {

namespace {

constexpr const char* kReadPath = "/123/ifvdhread.php";
constexpr const char* kWritePath = "/123/ifvdhwrite.php";
// Requests here are a line and a few headers; a small pool is less memory to clear per
// connection (a new one for every request from the game).
constexpr std::size_t kConnectionMemory = 8 * 1024;
constexpr unsigned kListenBacklog = 1024;
// The write limiter forgets addresses whose bucket is full again past this many.
constexpr std::size_t kMaxTrackedAddresses = 10000;
constexpr const char* kPageCache = "public, max-age=10";

MHD_Response* copyResponse(const std::string& body, const char* type) {
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    return r;
}

// Everything the read paths answer with, built once per database version and shared by
// every request until the next one (libmicrohttpd counts the responses' users).
struct Snapshot {
    std::int64_t version = -1;
    std::string etag;
    MHD_Response* list = nullptr;
    MHD_Response* html = nullptr;
    MHD_Response* json = nullptr;
    MHD_Response* notModified = nullptr;
    std::size_t listBytes = 0, htmlBytes = 0, jsonBytes = 0;

    Snapshot(std::int64_t v, const std::vector<Entry>& entries) : version(v) {
        etag = "\"v" + std::to_string(v) + "\"";
        std::int64_t newest = 0;
        for (const Entry& e : entries) newest = std::max(newest, e.when);
        std::string modified = HttpDate(newest > 0 ? newest : std::time(nullptr));
        std::string text = ListReply(entries);
        listBytes = text.size();
        list = copyResponse(text, "text/plain; charset=us-ascii");
        MHD_add_response_header(list, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
        text = LeaderboardHtml(entries);
        htmlBytes = text.size();
        html = copyResponse(text, "text/html; charset=utf-8");
        text = LeaderboardJson(entries);
        jsonBytes = text.size();
        json = copyResponse(text, "application/json");
        notModified = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        for (MHD_Response* r : {html, json, notModified}) {
            MHD_add_response_header(r, MHD_HTTP_HEADER_ETAG, etag.c_str());
            MHD_add_response_header(r, MHD_HTTP_HEADER_LAST_MODIFIED, modified.c_str());
            MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, kPageCache);
        }
    }
    ~Snapshot() {
        for (MHD_Response* r : {list, html, json, notModified}) MHD_destroy_response(r);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
};

// A token bucket per address: writeLimit tokens, refilled evenly over a minute.
class WriteLimiter {
public:
    explicit WriteLimiter(int perMinute) : perMinute_(perMinute) {}

    bool allow(const std::string& address) {
        if (perMinute_ <= 0) return true;
        double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        std::lock_guard<std::mutex> lock(mutex_);
        if (buckets_.size() > kMaxTrackedAddresses) forgetFull(now);
        auto [it, fresh] = buckets_.try_emplace(address, Bucket{static_cast<double>(perMinute_), now});
        Bucket& b = it->second;
        b.tokens = std::min<double>(perMinute_, b.tokens + (now - b.at) * perMinute_ / 60.0);
        b.at = now;
        if (b.tokens < 1.0) return false;
        b.tokens -= 1.0;
        return true;
    }

private:
    struct Bucket {
        double tokens;
        double at;
    };
    void forgetFull(double now) {
        for (auto it = buckets_.begin(); it != buckets_.end();) {
            bool full = it->second.tokens + (now - it->second.at) * perMinute_ / 60.0 >= perMinute_;
            it = full ? buckets_.erase(it) : std::next(it);
        }
    }

    int perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

std::string clientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr) return "-";
    char text[INET6_ADDRSTRLEN] = "-";
    const sockaddr* a = info->client_addr;
    if (a->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
    } else if (a->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr, text, sizeof text);
    }
    return text;
}

// Bytes a log line must not carry as they are (a path is the client's text).
std::string logSafe(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0 && out.size() < 512; ++p) {
        if (*p < 0x20 || *p >= 0x7f || *p == '"' || *p == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", *p);
            out += hex;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out;
}

}  // namespace

struct Service::Impl {
    Store& store;
    ServiceOptions options;
    MHD_Daemon* daemon = nullptr;
    WriteLimiter limiter;
    std::FILE* log = nullptr;
    bool ownLog = false;

    std::mutex snapshotMutex;
    std::shared_ptr<const Snapshot> snapshot;
    std::atomic<std::uint64_t> generation{1};
    std::mutex refreshMutex;
    std::atomic<bool> healthy{false};

    std::mutex pollMutex;
    std::condition_variable pollWake;
    bool stopping = false;
    std::thread poller;

    Impl(Store& s, ServiceOptions o) : store(s), options(std::move(o)), limiter(options.writeLimit) {}

    // Readers keep a copy per thread and take the lock only when the generation moved, so
    // the read path never waits on another request.
    std::shared_ptr<const Snapshot> current() {
        thread_local std::shared_ptr<const Snapshot> cached;
        thread_local const Impl* cachedFor = nullptr;
        thread_local std::uint64_t cachedGeneration = 0;
        std::uint64_t now = generation.load(std::memory_order_acquire);
        if (cachedFor != this || cachedGeneration != now || !cached) {
            std::lock_guard<std::mutex> lock(snapshotMutex);
            cached = snapshot;
            cachedFor = this;
            cachedGeneration = generation.load(std::memory_order_relaxed);
        }
        return cached;
    }

    // Reads the database again when its version moved (or always, when forced).
    bool refresh(bool force) {
        std::lock_guard<std::mutex> lock(refreshMutex);
        std::optional<std::int64_t> version = store.version();
        healthy = version.has_value();
        if (!version) return false;
        std::shared_ptr<const Snapshot> now;
        {
            std::lock_guard<std::mutex> lock(snapshotMutex);
            now = snapshot;
        }
        if (!force && now && now->version == *version) return true;
        std::optional<std::vector<Entry>> entries = store.top(kPageEntries);
        if (!entries) {
            healthy = false;
            return false;
        }
        auto next = std::make_shared<const Snapshot>(*version, *entries);
        std::lock_guard<std::mutex> swap(snapshotMutex);
        snapshot = std::move(next);
        generation.fetch_add(1, std::memory_order_release);
        return true;
    }

    void pollLoop() {
        std::unique_lock<std::mutex> lock(pollMutex);
        while (!stopping) {
            pollWake.wait_for(lock, std::chrono::milliseconds(options.pollMs));
            if (stopping) break;
            lock.unlock();
            refresh(false);
            lock.lock();
        }
    }

    void logRequest(MHD_Connection* c, const char* method, const char* url, const char* version, int status,
                    std::size_t bytes) {
        if (log == nullptr) return;
        // Formatting a local time takes the time zone lock: once a second per thread is enough.
        thread_local std::time_t formattedAt = 0;
        thread_local char when[64];
        std::time_t t = std::time(nullptr);
        if (t != formattedAt) {
            std::tm tm{};
            localtime_r(&t, &tm);
            std::strftime(when, sizeof when, "%d/%b/%Y:%H:%M:%S %z", &tm);
            formattedAt = t;
        }
        std::string line = clientAddress(c) + " - - [" + when + "] \"" + logSafe(method) + " " + logSafe(url) +
                           " " + logSafe(version) + "\" " + std::to_string(status) + " " +
                           (bytes > 0 ? std::to_string(bytes) : std::string("-")) + "\n";
        // One append per line: lines from several threads never interleave, and no lock.
        ssize_t ignored = ::write(fileno(log), line.data(), line.size());
        (void)ignored;
    }

    MHD_Result answer(MHD_Connection* c, const char* method, const char* url, const char* version, int status,
                      MHD_Response* response, std::size_t bytes) {
        MHD_Result r = MHD_queue_response(c, static_cast<unsigned>(status), response);
        logRequest(c, method, url, version, status, std::strcmp(method, "HEAD") == 0 ? 0 : bytes);
        return r;
    }

    MHD_Result answerText(MHD_Connection* c, const char* method, const char* url, const char* version, int status,
                          const std::string& text) {
        MHD_Response* response = copyResponse(text, "text/plain; charset=us-ascii");
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        MHD_Result r = answer(c, method, url, version, status, response, text.size());
        MHD_destroy_response(response);
        return r;
    }

    MHD_Result write(MHD_Connection* c, const char* method, const char* url, const char* version) {
        if (!limiter.allow(clientAddress(c))) {
            return answerText(c, method, url, version, 429, "too many writes from this address; try again later\n");
        }
        WriteCheck check = CheckWrite(MHD_lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "isoud"),
                                      MHD_lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "eakcs"));
        if (!check.ok()) return answerText(c, method, url, version, check.status, check.reason + "\n");
        AddResult added = store.add(check.name, check.score, std::time(nullptr));
        if (added == AddResult::Failed) {
            return answerText(c, method, url, version, 503, "the database is not available\n");
        }
        // The game reads the list right after its writes: it must already hold this one.
        if (added == AddResult::Added) refresh(false);
        return answerText(c, method, url, version, 200, "ok");
    }

    MHD_Result page(MHD_Connection* c, const char* method, const char* url, const char* version, bool json) {
        std::shared_ptr<const Snapshot> s = current();
        if (!s) return answerText(c, method, url, version, 503, "the database is not available\n");
        const char* match = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
        if (match != nullptr && s->etag == match) return answer(c, method, url, version, 304, s->notModified, 0);
        return json ? answer(c, method, url, version, 200, s->json, s->jsonBytes)
                    : answer(c, method, url, version, 200, s->html, s->htmlBytes);
    }

    MHD_Result route(MHD_Connection* c, const char* url, const char* method, const char* version) {
        if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0) {
            return answerText(c, method, url, version, 405, "only GET and HEAD are served\n");
        }
        if (std::strcmp(url, kReadPath) == 0) {
            std::shared_ptr<const Snapshot> s = current();
            if (!s) return answerText(c, method, url, version, 503, "the database is not available\n");
            return answer(c, method, url, version, 200, s->list, s->listBytes);
        }
        if (std::strcmp(url, kWritePath) == 0) return write(c, method, url, version);
        if (std::strcmp(url, "/") == 0) return page(c, method, url, version, false);
        if (std::strcmp(url, "/top.json") == 0) return page(c, method, url, version, true);
        if (std::strcmp(url, "/healthz") == 0) {
            return healthy ? answerText(c, method, url, version, 200, "ok\n")
                           : answerText(c, method, url, version, 503, "the database is not available\n");
        }
        return answerText(c, method, url, version, 404, "no such page\n");
    }

    static MHD_Result onRequest(void* self, MHD_Connection* c, const char* url, const char* method,
                                const char* version, const char* uploadData, std::size_t* uploadSize, void** state) {
        (void)uploadData;
        // No request body is ever wanted: other methods may send one, which is read and
        // dropped before their 405 goes out.
        static char readingBody;
        if (*uploadSize != 0) {
            *uploadSize = 0;
            return MHD_YES;
        }
        if (*state == nullptr && std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0) {
            *state = &readingBody;
            return MHD_YES;
        }
        return static_cast<Impl*>(self)->route(c, url, method, version);
    }
};

Service::Service(Store& store, ServiceOptions options) : impl_(new Impl(store, std::move(options))) {}

Service::~Service() {
    stop();
    delete impl_;
}

bool Service::start(std::string& error) {
    Impl& s = *impl_;
    if (!s.refresh(true)) {
        error = "cannot read the database";
        return false;
    }
    if (s.options.accessLog == "-") {
        s.log = stdout;
    } else if (s.options.accessLog != "off") {
        s.log = std::fopen(s.options.accessLog.c_str(), "a");
        if (s.log == nullptr) {
            error = "cannot open the access log " + s.options.accessLog;
            return false;
        }
        s.ownLog = true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    std::string port = std::to_string(s.options.port);
    if (getaddrinfo(s.options.host.empty() ? nullptr : s.options.host.c_str(), port.c_str(), &hints, &found) != 0 ||
        found == nullptr) {
        error = "cannot resolve the listen address " + s.options.host;
        return false;
    }
    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_TURBO | MHD_USE_ERROR_LOG;
    if (found->ai_family == AF_INET6) flags |= MHD_USE_IPv6;
    s.daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &Impl::onRequest, &s,
                                MHD_OPTION_SOCK_ADDR, found->ai_addr,
                                MHD_OPTION_THREAD_POOL_SIZE, std::max(1u, s.options.threads),
                                MHD_OPTION_CONNECTION_LIMIT, std::max(1u, s.options.maxConnections),
                                MHD_OPTION_PER_IP_CONNECTION_LIMIT, s.options.perAddressConnections,
                                MHD_OPTION_CONNECTION_TIMEOUT, s.options.timeoutSeconds,
                                MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,
                                MHD_OPTION_LISTEN_BACKLOG_SIZE, kListenBacklog,
                                MHD_OPTION_END);
    freeaddrinfo(found);
    if (s.daemon == nullptr) {
        error = "cannot listen on " + s.options.host + ":" + port;
        return false;
    }
    s.poller = std::thread([&s] { s.pollLoop(); });
    return true;
}

std::uint16_t Service::port() const {
    if (impl_->daemon == nullptr) return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

void Service::stop() {
    Impl& s = *impl_;
    if (s.daemon != nullptr) {
        MHD_stop_daemon(s.daemon);
        s.daemon = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(s.pollMutex);
        s.stopping = true;
    }
    s.pollWake.notify_all();
    if (s.poller.joinable()) s.poller.join();
    if (s.ownLog) std::fclose(s.log);
    s.log = nullptr;
    s.ownLog = false;
}

}  // namespace hiscored
