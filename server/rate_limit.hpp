#pragma once
// Entries allowed per client network (see network_of): a bucket of `per_minute` entries for each
// network that refills evenly over a minute, so a burst of that size passes and a steady stream
// is slowed.

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace kelvora::server {

class RateLimit {
public:
    using Clock = std::chrono::steady_clock;
    explicit RateLimit(int per_minute) : per_minute_(per_minute) {}

    // Takes one entry from the address's bucket. When it is empty: false, and the seconds until
    // the next entry is allowed in `retry_after`. A limit of 0 allows everything.
    bool allow(const std::string& address, Clock::time_point now, int& retry_after);

private:
    struct Bucket {
        double tokens;
        Clock::time_point updated;
    };
    double refill(Bucket& bucket, Clock::time_point now) const;

    int per_minute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace kelvora::server
