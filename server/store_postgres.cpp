// PostgreSQL: one connection per instance, every statement a single round trip with bound
// parameters. An add and its version bump are one statement, so they commit together and
// every instance sharing the database sees the bump on its next poll.
#include <libpq-fe.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "store.h"

namespace hiscored {

namespace {

// Several instances may start at once on an empty database: the schema is made under
// this advisory lock, so their CREATE statements never race.
constexpr const char* kSchema =
    "SELECT pg_advisory_lock(7270081);"
    "CREATE TABLE IF NOT EXISTS scores ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL, score BIGINT NOT NULL, created BIGINT NOT NULL,"
    " UNIQUE (name, score));"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id ASC);"
    "CREATE TABLE IF NOT EXISTS hiscore_version ("
    " one INTEGER PRIMARY KEY CHECK (one = 1), v BIGINT NOT NULL);"
    "INSERT INTO hiscore_version VALUES (1, 0) ON CONFLICT DO NOTHING;"
    "SELECT pg_advisory_unlock(7270081);";

constexpr const char* kAdd =
    "WITH added AS (INSERT INTO scores (name, score, created) VALUES ($1, $2::bigint, $3::bigint)"
    " ON CONFLICT (name, score) DO NOTHING RETURNING id)"
    " UPDATE hiscore_version SET v = v + 1 WHERE one = 1 AND EXISTS (SELECT 1 FROM added)"
    " RETURNING v";
constexpr const char* kRemove =
    "WITH gone AS (DELETE FROM scores WHERE id = $1::bigint RETURNING id)"
    " UPDATE hiscore_version SET v = v + 1 WHERE one = 1 AND EXISTS (SELECT 1 FROM gone)"
    " RETURNING v";
constexpr const char* kTop =
    "SELECT id, name, score, created FROM scores ORDER BY score DESC, id ASC LIMIT $1::bigint";
constexpr const char* kTopAll = "SELECT id, name, score, created FROM scores ORDER BY score DESC, id ASC";
constexpr const char* kVersion = "SELECT v FROM hiscore_version WHERE one = 1";

// A result, cleared on scope exit.
class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return r_; }
    bool tuples() const { return r_ != nullptr && PQresultStatus(r_) == PGRES_TUPLES_OK; }

private:
    PGresult* r_;
};

std::int64_t number(PGresult* r, int row, int column) {
    return std::strtoll(PQgetvalue(r, row, column), nullptr, 10);
}

class PostgresStore final : public Store {
public:
    explicit PostgresStore(PGconn* conn) : conn_(conn) {}
    ~PostgresStore() override { PQfinish(conn_); }

    AddResult add(const std::string& name, std::int64_t score, std::int64_t when) override {
        std::string s = std::to_string(score), w = std::to_string(when);
        std::lock_guard<std::mutex> lock(mutex_);
        Result r(run(kAdd, {name.c_str(), s.c_str(), w.c_str()}));
        if (!r.tuples()) return AddResult::Failed;
        return PQntuples(r.get()) == 1 ? AddResult::Added : AddResult::Duplicate;
    }

    std::optional<std::vector<Entry>> top(int limit) override {
        std::string l = std::to_string(limit);
        std::lock_guard<std::mutex> lock(mutex_);
        Result r(limit > 0 ? run(kTop, {l.c_str()}) : run(kTopAll, {}));
        if (!r.tuples()) return std::nullopt;
        std::vector<Entry> out;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            Entry e;
            e.id = number(r.get(), i, 0);
            e.name.assign(PQgetvalue(r.get(), i, 1), static_cast<std::size_t>(PQgetlength(r.get(), i, 1)));
            e.score = number(r.get(), i, 2);
            e.when = number(r.get(), i, 3);
            out.push_back(std::move(e));
        }
        return out;
    }

    std::optional<bool> remove(std::int64_t id) override {
        std::string i = std::to_string(id);
        std::lock_guard<std::mutex> lock(mutex_);
        Result r(run(kRemove, {i.c_str()}));
        if (!r.tuples()) return std::nullopt;
        return PQntuples(r.get()) == 1;
    }

    std::optional<std::int64_t> version() override {
        std::lock_guard<std::mutex> lock(mutex_);
        Result r(run(kVersion, {}));
        if (!r.tuples() || PQntuples(r.get()) != 1) return std::nullopt;
        return number(r.get(), 0, 0);
    }

    const char* kind() const override { return "postgresql"; }

private:
    // A lost connection is made again once before the statement is given up.
    PGresult* run(const char* sql, const std::vector<const char*>& params) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
            PGresult* r = PQexecParams(conn_, sql, static_cast<int>(params.size()), nullptr, params.data(),
                                       nullptr, nullptr, 0);
            if (PQstatus(conn_) == CONNECTION_OK || attempt == 1) return r;
            PQclear(r);
        }
        return nullptr;
    }

    PGconn* conn_;
    std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Store> OpenPostgresStore(const std::string& url, std::string& error) {
    PGconn* conn = PQconnectdb(url.c_str());
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
        error = conn != nullptr ? PQerrorMessage(conn) : "out of memory";
        PQfinish(conn);
        return nullptr;
    }
    PGresult* r = PQexec(conn, kSchema);
    bool ok = PQresultStatus(r) == PGRES_TUPLES_OK || PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok) error = PQerrorMessage(conn);
    PQclear(r);
    if (!ok) {
        PQfinish(conn);
        return nullptr;
    }
    return std::make_unique<PostgresStore>(conn);
}

}  // namespace hiscored
