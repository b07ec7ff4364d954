#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

// At most `perMinute` events a minute for each key (a client's address), in bursts of up to
// `perMinute`: a bucket of that many tokens, refilled evenly over the minute. 0: no limit.
class RateLimiter {
public:
    explicit RateLimiter(int perMinute) : m_perMinute(perMinute) {}

    using Clock = std::chrono::steady_clock;
    bool allow(const std::string& key, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };
    int m_perMinute;
    std::mutex m_mutex;
    std::unordered_map<std::string, Bucket> m_buckets;
};
