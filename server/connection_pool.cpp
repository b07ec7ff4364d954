#include "server/connection_pool.h"

#include <chrono>

namespace {
constexpr auto kIdleThreadLife = std::chrono::seconds(30);
}

void ConnectionPool::enqueue(std::function<void()> task) {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
    if (m_tasks.size() > m_waiting && m_threads < m_most) {
        ++m_threads;
        std::thread([this] { serve(); }).detach();
    }
    m_ready.notify_one();
}

void ConnectionPool::serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_waiting;
        const bool work = m_ready.wait_for(lock, kIdleThreadLife, [this] { return !m_tasks.empty() || m_stopping; });
        --m_waiting;
        if (!work || m_tasks.empty()) break;
        auto task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
    --m_threads;
    m_ended.notify_all();
}

void ConnectionPool::shutdown() {
    std::unique_lock lock(m_mutex);
    m_stopping = true;
    m_ready.notify_all();
    m_ended.wait(lock, [this] { return m_threads == 0; });
}
