#include "server/entry_queue.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace kelvora::server {

EntryQueue::EntryQueue(RankingStore& store, int watched, ChangeHandler changed)
    : store_(store), watched_(watched), changed_(std::move(changed)), writer_([this] { run(); }) {}

EntryQueue::~EntryQueue() { close(); }

void EntryQueue::close() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
}

void EntryQueue::submit(const Entry& entry, Done done) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            pending_.push_back({entry, std::move(done)});
            wake_.notify_one();
            return;
        }
    }
    done(EntryOutcome::failed);
}

EntryOutcome EntryQueue::submit(const Entry& entry) {
    auto result = std::make_shared<std::promise<EntryOutcome>>();
    auto outcome = result->get_future();
    submit(entry, [result](EntryOutcome o) { result->set_value(o); });
    return outcome.get();
}

void EntryQueue::refresh() {
    std::vector<StoredEntry> best;
    std::string error;
    if (store_.top(watched_, best, error))
        changed_(best);
    else
        std::fprintf(stderr, "kelvora-server: cannot read the ranking: %s\n", error.c_str());
}

bool EntryQueue::follow_moved_file(std::size_t unacknowledged) {
    if (!store_.moved()) return false;
    std::string error;
    const bool reopened = store_.reopen(error);
    std::fprintf(stderr,
                 "kelvora-server: the database file is no longer at its path (moved, replaced or deleted); "
                 "%zu entries not acknowledged; %s%s\n",
                 unacknowledged, reopened ? "reopened the file now there" : "cannot reopen it: ", error.c_str());
    if (reopened) {
        data_version_ = store_.data_version();
        refresh();
    }
    return true;
}

void EntryQueue::run() {
    std::vector<Pending> batch;
    std::vector<Entry> entries;
    std::vector<bool> stored;
    data_version_ = store_.data_version();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            // Once a second without entries, look for changes made by others.
            if (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_ || !pending_.empty(); })) {
                lock.unlock();
                const bool moved = follow_moved_file(0);
                const std::int64_t version = store_.data_version();
                if (!moved && version != data_version_) refresh();
                data_version_ = version;
                continue;
            }
            if (pending_.empty()) return;
            batch.swap(pending_);
        }
        entries.clear();
        for (const auto& p : batch) entries.push_back(p.entry);
        std::string error;
        const bool committed = store_.add(entries, server_date(), stored, error);
        if (!committed) std::fprintf(stderr, "kelvora-server: entries not stored: %s\n", error.c_str());
        // Changed: a commit into a file deleted or replaced under the server was acknowledged
        // and lost; now the file is checked before the answer.
        const bool moved = committed && follow_moved_file(batch.size());
        bool any_stored = false;
        for (bool s : stored) any_stored = any_stored || s;
        if (any_stored && !moved) refresh();
        for (std::size_t i = 0; i < batch.size(); ++i)
            batch[i].done(moved ? EntryOutcome::unavailable
                          : !committed ? EntryOutcome::failed
                                    : stored[i] ? EntryOutcome::stored
                                                : EntryOutcome::duplicate);
        batch.clear();
    }
}

std::string server_date() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

}  // namespace kelvora::server
