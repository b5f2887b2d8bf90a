#pragma once
// Entries go to the database through one writer thread, which commits every entry waiting at
// that moment in one transaction: with a disk sync per commit, this is what lets many players
// enter at once.

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/ranking_store.hpp"

namespace kelvora::server {

// unavailable: committed to a database file that has since left its path, so not acknowledged.
enum class EntryOutcome { stored, duplicate, failed, unavailable };

class EntryQueue {
public:
    // After each commit that stored something, and within a second of another program's change
    // to the database (or its file being replaced), `changed` gets the best `watched` entries.
    using ChangeHandler = std::function<void(const std::vector<StoredEntry>& best)>;
    EntryQueue(RankingStore& store, int watched, ChangeHandler changed);
    ~EntryQueue();  // commits what is waiting, then stops

    // `done` is called from the writer thread once the entry's transaction has been committed
    // (or has failed); at once, with failed, after close().
    using Done = std::function<void(EntryOutcome)>;
    void submit(const Entry& entry, Done done);
    // Blocks until the entry's transaction has been committed (or has failed).
    EntryOutcome submit(const Entry& entry);
    // Commits what is waiting, then refuses further entries.
    void close();

private:
    struct Pending {
        Entry entry;
        Done done;
    };
    void run();
    // Reopens the file when it left its path; true when it did.
    bool follow_moved_file(std::size_t unacknowledged);
    void refresh();

    RankingStore& store_;
    int watched_;
    ChangeHandler changed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Pending> pending_;
    bool stopping_ = false;
    std::int64_t data_version_ = -1;
    std::thread writer_;
};

// Today's date in the server's time zone, as the net ranking shows it: "YYYY/MM/DD".
std::string server_date();

}  // namespace kelvora::server
