// The HTTP side of hiscored on libmicrohttpd (a thread pool on epoll): the game's read and
// write paths, the leaderboard page and JSON, /healthz, the access log, the per-address
// write limit, and the replies kept in memory, rebuilt whenever the database changes.
#pragma once

#include <cstdint>
#include <string>

#include "store.h"

namespace hiscored {

struct ServiceOptions {
    std::string host = "127.0.0.1";  // address or name to listen on
    std::uint16_t port = 8080;       // 0: any free port (see Service::port)
    int writeLimit = 30;             // accepted write requests per minute per address; 0 off
    unsigned maxConnections = 1000;  // open connections in all
    unsigned perAddressConnections = 128;
    unsigned timeoutSeconds = 10;    // idle connections are closed after this
    unsigned threads = 2;            // worker threads, each with its own epoll
    std::string accessLog = "-";     // a file to append to, "-" standard output, "off"
    int pollMs = 250;                // how often the database is asked for others' changes
};

class Service {
public:
    Service(Store& store, ServiceOptions options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Reads the database, binds and starts serving; false with error set on failure.
    bool start(std::string& error);
    // The port bound (the real one when options asked for 0).
    std::uint16_t port() const;
    // Stops accepting, finishes the requests under way, stops the poller.
    void stop();

    struct Impl;

private:
    Impl* impl_;
};

}  // namespace hiscored
