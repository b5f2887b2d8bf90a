#include "server/rate_limit.hpp"

#include <algorithm>
#include <cmath>

namespace kelvora::server {
namespace {

// Past this many addresses, full buckets (addresses quiet for a minute) are forgotten, so that
// many senders cannot grow the table without end.
constexpr std::size_t prune_above = 4096;

}  // namespace

double RateLimit::refill(Bucket& bucket, Clock::time_point now) const {
    const double minutes = std::chrono::duration<double>(now - bucket.updated).count() / 60.0;
    if (minutes > 0) {
        bucket.tokens = std::min<double>(per_minute_, bucket.tokens + minutes * per_minute_);
        bucket.updated = now;
    }
    return bucket.tokens;
}

bool RateLimit::allow(const std::string& address, Clock::time_point now, int& retry_after) {
    if (per_minute_ <= 0) return true;
    std::lock_guard lock(mutex_);
    if (buckets_.size() > prune_above) {
        for (auto it = buckets_.begin(); it != buckets_.end();)
            it = refill(it->second, now) >= per_minute_ ? buckets_.erase(it) : std::next(it);
    }
    auto [it, added] = buckets_.try_emplace(address, Bucket{double(per_minute_), now});
    Bucket& bucket = it->second;
    if (refill(bucket, now) >= 1.0) {
        bucket.tokens -= 1.0;
        return true;
    }
    retry_after = std::max(1, int(std::ceil((1.0 - bucket.tokens) * 60.0 / per_minute_)));
    return false;
}

}  // namespace kelvora::server
