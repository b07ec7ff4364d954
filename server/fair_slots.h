#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>

// A bounded number of slots handed to waiters in the order they came. A freed slot goes straight
// to the longest waiter, and only that waiter is woken: at a deadline rush hundreds wait for a
// few checks, and waking them all for each slot costs more processor time than the checks' own
// hand-over, and lets a late comer overtake one that waited long.
class FairSlots {
public:
    explicit FairSlots(int count) : m_free(count) {}
    FairSlots(const FairSlots&) = delete;
    FairSlots& operator=(const FairSlots&) = delete;

    // True with a slot taken; false when none came within `patience`.
    bool acquire(std::chrono::steady_clock::duration patience);
    void release();
    std::size_t waiting();

private:
    struct Waiter {
        std::condition_variable wake;
        bool granted = false;
    };
    std::mutex m_mutex;
    int m_free;
    std::list<Waiter*> m_waiting;
};
