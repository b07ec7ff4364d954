#include "server/rate_limit.h"

#include <algorithm>

bool RateLimiter::allow(const std::string& key, Clock::time_point now) {
    if (m_perMinute <= 0) return true;
    std::lock_guard lock(m_mutex);
    const double perSecond = m_perMinute / 60.0;
    if (m_buckets.size() > 100000) {
        // Forget the buckets that are full again: they hold nothing a new bucket would not.
        std::erase_if(m_buckets, [&](const auto& entry) {
            return entry.second.tokens + perSecond * std::chrono::duration<double>(now - entry.second.updated).count() >=
                   m_perMinute;
        });
    }
    auto [found, added] = m_buckets.try_emplace(key, Bucket{static_cast<double>(m_perMinute), now});
    Bucket& bucket = found->second;
    if (!added) {
        bucket.tokens = std::min<double>(
            m_perMinute, bucket.tokens + perSecond * std::chrono::duration<double>(now - bucket.updated).count());
        bucket.updated = now;
    }
    if (bucket.tokens < 1.0) return false;
    bucket.tokens -= 1.0;
    return true;
}
