// SQLite: one connection, WAL with synchronous=FULL, so an answered write survives a
// crash or power cut; writes take the write lock up front (BEGIN IMMEDIATE), so two
// processes on one file queue behind the busy time-out instead of failing mid-way.
#include <sqlite3.h>

#include <mutex>

#include "store.h"

namespace hiscored {

namespace {

constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name TEXT NOT NULL, score INTEGER NOT NULL, created INTEGER NOT NULL,"
    " UNIQUE (name, score));"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id ASC);"
    "CREATE TABLE IF NOT EXISTS hiscore_version ("
    " one INTEGER PRIMARY KEY CHECK (one = 1), v INTEGER NOT NULL);"
    "INSERT OR IGNORE INTO hiscore_version VALUES (1, 0);";

// A prepared statement, finalised on scope exit.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }

private:
    sqlite3_stmt* s_ = nullptr;
};

class SqliteStore final : public Store {
public:
    explicit SqliteStore(sqlite3* db) : db_(db) {}
    ~SqliteStore() override { sqlite3_close(db_); }

    AddResult add(const std::string& name, std::int64_t score, std::int64_t when) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return AddResult::Failed;
        Statement insert(db_, "INSERT INTO scores (name, score, created) VALUES (?1, ?2, ?3)"
                              " ON CONFLICT (name, score) DO NOTHING");
        bool ok = static_cast<bool>(insert);
        if (ok) {
            sqlite3_bind_text(insert.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert.get(), 2, score);
            sqlite3_bind_int64(insert.get(), 3, when);
            ok = sqlite3_step(insert.get()) == SQLITE_DONE;
        }
        bool added = ok && sqlite3_changes(db_) == 1;
        if (added) ok = exec("UPDATE hiscore_version SET v = v + 1");
        if (!ok || !exec("COMMIT")) {
            exec("ROLLBACK");
            return AddResult::Failed;
        }
        return added ? AddResult::Added : AddResult::Duplicate;
    }

    std::optional<std::vector<Entry>> top(int limit) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement q(db_, "SELECT id, name, score, created FROM scores ORDER BY score DESC, id ASC LIMIT ?1");
        if (!q) return std::nullopt;
        sqlite3_bind_int64(q.get(), 1, limit > 0 ? limit : -1);
        std::vector<Entry> out;
        int r;
        while ((r = sqlite3_step(q.get())) == SQLITE_ROW) {
            Entry e;
            e.id = sqlite3_column_int64(q.get(), 0);
            const unsigned char* text = sqlite3_column_text(q.get(), 1);
            e.name.assign(text != nullptr ? reinterpret_cast<const char*>(text) : "",
                          static_cast<std::size_t>(sqlite3_column_bytes(q.get(), 1)));
            e.score = sqlite3_column_int64(q.get(), 2);
            e.when = sqlite3_column_int64(q.get(), 3);
            out.push_back(std::move(e));
        }
        if (r != SQLITE_DONE) return std::nullopt;
        return out;
    }

    std::optional<bool> remove(std::int64_t id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return std::nullopt;
        Statement del(db_, "DELETE FROM scores WHERE id = ?1");
        bool ok = static_cast<bool>(del);
        if (ok) {
            sqlite3_bind_int64(del.get(), 1, id);
            ok = sqlite3_step(del.get()) == SQLITE_DONE;
        }
        bool removed = ok && sqlite3_changes(db_) == 1;
        if (removed) ok = exec("UPDATE hiscore_version SET v = v + 1");
        if (!ok || !exec("COMMIT")) {
            exec("ROLLBACK");
            return std::nullopt;
        }
        return removed;
    }

    std::optional<std::int64_t> version() override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement q(db_, "SELECT v FROM hiscore_version WHERE one = 1");
        if (!q || sqlite3_step(q.get()) != SQLITE_ROW) return std::nullopt;
        return sqlite3_column_int64(q.get(), 0);
    }

    const char* kind() const override { return "sqlite"; }

private:
    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    sqlite3* db_;
    std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Store> OpenSqliteStore(const std::string& file, std::string& error) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    const char* setup[] = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", kSchema};
    for (const char* sql : setup) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            error = message != nullptr ? message : "cannot set up the database";
            sqlite3_free(message);
            sqlite3_close(db);
            return nullptr;
        }
    }
    return std::make_unique<SqliteStore>(db);
}

}  // namespace hiscored
