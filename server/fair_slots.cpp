#include "server/fair_slots.h"

bool FairSlots::acquire(std::chrono::steady_clock::duration patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(m_mutex);
    if (m_free > 0 && m_waiting.empty()) {
        --m_free;
        return true;
    }
    Waiter self;
    const auto place = m_waiting.insert(m_waiting.end(), &self);
    if (self.wake.wait_until(lock, deadline, [&] { return self.granted; })) return true;
    m_waiting.erase(place);
    return false;
}

void FairSlots::release() {
    std::lock_guard lock(m_mutex);
    if (m_waiting.empty()) {
        ++m_free;
        return;
    }
    Waiter* next = m_waiting.front();
    m_waiting.pop_front();
    next->granted = true;
    next->wake.notify_one();  // under the lock: the waiter and its condition live until it returns
}

std::size_t FairSlots::waiting() {
    std::lock_guard lock(m_mutex);
    return m_waiting.size();
}
