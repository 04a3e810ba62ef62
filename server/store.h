// Where hiscored keeps its entries: SQLite (a file) or PostgreSQL (a connection URL).
// Every method is safe to call from several threads; each store serialises its own
// connection. Every value reaches the database as a bound parameter.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hiscored {

// One stored entry. when: seconds since the epoch (UTC) at which it was accepted.
struct Entry {
    std::int64_t id = 0;
    std::string name;
    std::int64_t score = 0;
    std::int64_t when = 0;
};

enum class AddResult { Added, Duplicate, Failed };

class Store {
public:
    virtual ~Store() = default;
    // Stores (name, score) once: the same pair again is a Duplicate, not a second row.
    // Durable before it returns Added or Duplicate.
    virtual AddResult add(const std::string& name, std::int64_t score, std::int64_t when) = 0;
    // The best `limit` entries, best first; ties: the earlier entry first. Empty optional on
    // a database failure.
    virtual std::optional<std::vector<Entry>> top(int limit) = 0;
    // Every entry in rank order (limit <= 0: all).
    std::optional<std::vector<Entry>> all() { return top(0); }
    // Removes the entry with this id: true when one was removed.
    virtual std::optional<bool> remove(std::int64_t id) = 0;
    // A number that changes with every accepted add or remove, from any instance sharing the
    // database. Empty optional on a database failure.
    virtual std::optional<std::int64_t> version() = 0;
    // "sqlite" or "postgresql".
    virtual const char* kind() const = 0;
};

// True when database names a PostgreSQL database: a postgres:// or postgresql:// URL, or a
// key=value connection string.
bool IsPostgresDatabase(const std::string& database);

// Opens (and creates the tables of) the database so named; null with error set on
// failure.
std::unique_ptr<Store> OpenStore(const std::string& database, std::string& error);
std::unique_ptr<Store> OpenSqliteStore(const std::string& file, std::string& error);
std::unique_ptr<Store> OpenPostgresStore(const std::string& url, std::string& error);

}  // namespace hiscored
