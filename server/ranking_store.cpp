#include "server/ranking_store.hpp"

#include <cstring>

namespace kelvora::server {
namespace {

// (name, score) is unique: the password follows from the score, so this is the same as keeping
// one row per name, score and password. The id orders equal scores by arrival.
constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS entries (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    score INTEGER NOT NULL,
    password TEXT NOT NULL,
    date TEXT NOT NULL,
    UNIQUE (name, score)
);
CREATE INDEX IF NOT EXISTS entries_by_rank ON entries (score DESC, id);
)";

std::string column_text(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, std::size_t(sqlite3_column_bytes(statement, column))) : std::string();
}

}  // namespace

std::unique_ptr<RankingStore> RankingStore::open(const std::string& path, std::string& error, bool create) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
    std::unique_ptr<RankingStore> store(new RankingStore(db, path));
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        return nullptr;
    }
    // Another program (an administrator's sqlite3) may hold the file for a moment.
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* mode = nullptr;
    if (!store->prepare("PRAGMA journal_mode=WAL", mode, error)) return nullptr;
    const bool stepped = sqlite3_step(mode) == SQLITE_ROW;
    const std::string journal = stepped ? column_text(mode, 0) : std::string();
    sqlite3_finalize(mode);
    if (!stepped) {
        error = store->last_error();
        return nullptr;
    }
    if (journal != "wal") {
        error = "the database cannot use a write-ahead log (journal mode " + journal + ")";
        return nullptr;
    }
    // SQLite opens a file it may not write read-only without a word; every entry would then fail.
    // Changed: such a server started and answered 500 to each entry; now it does not start.
    if (sqlite3_db_readonly(db, "main") == 1) {
        error = "the file cannot be written";
        return nullptr;
    }
    if (!store->exec("PRAGMA synchronous=FULL", error) || !store->exec(schema, error) ||
        !store->exec("BEGIN IMMEDIATE; COMMIT", error) ||
        !store->prepare("INSERT INTO entries (name, score, password, date) VALUES (?1, ?2, ?3, ?4) "
                        "ON CONFLICT (name, score) DO NOTHING",
                        store->insert_, error) ||
        !store->prepare("SELECT name, score, date FROM entries ORDER BY score DESC, id LIMIT ?1", store->top_,
                        error))
        return nullptr;
    return store;
}

void RankingStore::swap(RankingStore& other) {
    std::swap(db_, other.db_);
    std::swap(insert_, other.insert_);
    std::swap(top_, other.top_);
}

bool RankingStore::moved() {
    int moved = 0;
    return sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

bool RankingStore::reopen(std::string& error) {
    auto fresh = open(path_, error);
    if (!fresh) return false;
    swap(*fresh);  // the old connection closes with `fresh`
    return true;
}

std::int64_t RankingStore::data_version() {
    sqlite3_stmt* statement = nullptr;
    std::string error;
    if (!prepare("PRAGMA data_version", statement, error)) return -1;
    const std::int64_t version = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return version;
}

bool RankingStore::newest(int count, std::vector<ListedEntry>& out, std::string& error) {
    out.clear();
    sqlite3_stmt* statement = nullptr;
    if (!prepare("SELECT id, name, score, date FROM entries ORDER BY id DESC LIMIT ?1", statement, error)) return false;
    sqlite3_bind_int(statement, 1, count);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        out.push_back({sqlite3_column_int64(statement, 0),
                       {column_text(statement, 1), sqlite3_column_int(statement, 2), column_text(statement, 3)}});
    sqlite3_finalize(statement);
    if (rc == SQLITE_DONE) return true;
    error = last_error();
    return false;
}

bool RankingStore::remove(std::int64_t id, StoredEntry& removed, std::string& error) {
    error.clear();
    sqlite3_stmt* statement = nullptr;
    if (!prepare("DELETE FROM entries WHERE id = ?1 RETURNING name, score, date", statement, error)) return false;
    sqlite3_bind_int64(statement, 1, id);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW)
        removed = {column_text(statement, 0), sqlite3_column_int(statement, 1), column_text(statement, 2)};
    const int done = rc == SQLITE_ROW ? sqlite3_step(statement) : rc;
    sqlite3_finalize(statement);
    if (done != SQLITE_DONE) error = last_error();
    return rc == SQLITE_ROW && done == SQLITE_DONE;
}

bool RankingStore::backup(const std::string& path, std::string& error) {
    sqlite3* copy = nullptr;
    if (sqlite3_open_v2(path.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = copy ? sqlite3_errmsg(copy) : "cannot open the copy";
        sqlite3_close(copy);
        return false;
    }
    sqlite3_backup* job = sqlite3_backup_init(copy, "main", db_, "main");
    int rc = job ? SQLITE_OK : sqlite3_errcode(copy);
    // A step at a time, so that the server's commits are never held up for long.
    while (job && (rc = sqlite3_backup_step(job, 64)) != SQLITE_DONE) {
        if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        if (rc != SQLITE_OK) sqlite3_sleep(20);
    }
    if (job) sqlite3_backup_finish(job);
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(copy);
    sqlite3_close(copy);
    return rc == SQLITE_DONE;
}

RankingStore::~RankingStore() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(top_);
    sqlite3_close(db_);
}

bool RankingStore::add(const std::vector<Entry>& entries, const std::string& date, std::vector<bool>& stored,
                       std::string& error) {
    stored.assign(entries.size(), false);
    if (!exec("BEGIN IMMEDIATE", error)) return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        sqlite3_reset(insert_);
        sqlite3_bind_text(insert_, 1, e.name.data(), int(e.name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert_, 2, e.score);
        sqlite3_bind_text(insert_, 3, e.password.data(), int(e.password.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert_, 4, date.data(), int(date.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert_) != SQLITE_DONE) {
            error = last_error();
            sqlite3_reset(insert_);
            std::string ignored;
            exec("ROLLBACK", ignored);
            stored.assign(entries.size(), false);
            return false;
        }
        stored[i] = sqlite3_changes(db_) == 1;
    }
    sqlite3_reset(insert_);
    // With synchronous=FULL the commit returns once the log is on the disk.
    if (!exec("COMMIT", error)) {
        std::string ignored;
        exec("ROLLBACK", ignored);
        stored.assign(entries.size(), false);
        return false;
    }
    return true;
}

bool RankingStore::top(int count, std::vector<StoredEntry>& out, std::string& error) {
    out.clear();
    sqlite3_reset(top_);
    sqlite3_bind_int(top_, 1, count);
    int rc;
    while ((rc = sqlite3_step(top_)) == SQLITE_ROW)
        out.push_back({column_text(top_, 0), sqlite3_column_int(top_, 1), column_text(top_, 2)});
    sqlite3_reset(top_);
    if (rc != SQLITE_DONE) {
        error = last_error();
        return false;
    }
    return true;
}

bool RankingStore::exec(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : last_error();
    sqlite3_free(message);
    return false;
}

bool RankingStore::prepare(const char* sql, sqlite3_stmt*& statement, std::string& error) {
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) == SQLITE_OK) return true;
    error = last_error();
    return false;
}

std::string RankingStore::last_error() const { return sqlite3_errmsg(db_); }

}  // namespace kelvora::server
