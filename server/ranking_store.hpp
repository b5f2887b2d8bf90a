#pragma once
// The server's ranking in one SQLite file: every accepted entry with the date it came in.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/entry_form.hpp"

namespace kelvora::server {

struct StoredEntry {
    std::string name;
    std::int32_t score = 0;
    std::string date;  // "YYYY/MM/DD"
    friend bool operator==(const StoredEntry&, const StoredEntry&) = default;
};

// An entry as the operator sees it: with the id that removes it.
struct ListedEntry {
    std::int64_t id = 0;
    StoredEntry entry;
};

class RankingStore {
public:
    // Opens the file (write-ahead log, every commit synced to disk), creating it when `create`;
    // nothing, with the reason in `error`, when it is not a ranking database or cannot be
    // opened or written.
    static std::unique_ptr<RankingStore> open(const std::string& path, std::string& error, bool create = true);
    ~RankingStore();
    RankingStore(const RankingStore&) = delete;
    RankingStore& operator=(const RankingStore&) = delete;

    // Adds the entries in one transaction, all dated `date`. stored[i] tells whether entry i was
    // new: the same name and score are kept once. False, with nothing kept, when it fails.
    bool add(const std::vector<Entry>& entries, const std::string& date, std::vector<bool>& stored,
             std::string& error);

    // The best `count` entries: higher scores first, and of equal scores the earlier entry.
    bool top(int count, std::vector<StoredEntry>& out, std::string& error);

    // Whether the open file is no longer the one at the path (moved, replaced or deleted).
    bool moved();
    // Opens the file now at the path in place of the one open.
    bool reopen(std::string& error);
    // Changes when another connection (another program) has committed to the file.
    std::int64_t data_version();

    // The newest `count` entries, newest first.
    bool newest(int count, std::vector<ListedEntry>& out, std::string& error);
    // Deletes one entry; false with nothing in `error` when there is no such id.
    bool remove(std::int64_t id, StoredEntry& removed, std::string& error);
    // A consistent copy of the whole database into `path`, taken while others may write.
    bool backup(const std::string& path, std::string& error);

private:
    RankingStore(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    void swap(RankingStore& other);
    bool exec(const char* sql, std::string& error);
    bool prepare(const char* sql, sqlite3_stmt*& statement, std::string& error);
    std::string last_error() const;

    sqlite3* db_ = nullptr;
    std::string path_;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* top_ = nullptr;
};

}  // namespace kelvora::server
