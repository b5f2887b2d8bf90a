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

class RankingStore {
public:
    // Opens or creates the file (write-ahead log, every commit synced to disk); nothing, with the
    // reason in `error`, when it is not a ranking database or cannot be opened.
    static std::unique_ptr<RankingStore> open(const std::string& path, std::string& error);
    ~RankingStore();
    RankingStore(const RankingStore&) = delete;
    RankingStore& operator=(const RankingStore&) = delete;

    // Adds the entries in one transaction, all dated `date`. stored[i] tells whether entry i was
    // new: the same name and score are kept once. False, with nothing kept, when it fails.
    bool add(const std::vector<Entry>& entries, const std::string& date, std::vector<bool>& stored,
             std::string& error);

    // The best `count` entries: higher scores first, and of equal scores the earlier entry.
    bool top(int count, std::vector<StoredEntry>& out, std::string& error);

private:
    explicit RankingStore(sqlite3* db) : db_(db) {}
    bool exec(const char* sql, std::string& error);
    bool prepare(const char* sql, sqlite3_stmt*& statement, std::string& error);
    std::string last_error() const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* top_ = nullptr;
};

}  // namespace kelvora::server
