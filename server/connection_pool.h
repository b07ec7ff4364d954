#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The HTTP server's connections, each served by a thread of its own: threads are started as
// connections come, up to `most`, and end after a while without work. A connection past `most`
// waits for a thread. Idle and slow clients hold a thread only until their deadline, so a fixed
// small pool would let a few hundred of them starve everyone else.
class ConnectionPool : public httplib::TaskQueue {
public:
    explicit ConnectionPool(std::size_t most) : m_most(most == 0 ? 1 : most) {}
    ~ConnectionPool() override { shutdown(); }

    void enqueue(std::function<void()> task) override;
    void shutdown() override;

private:
    void serve();

    std::size_t m_most;
    std::mutex m_mutex;
    std::condition_variable m_ready, m_ended;
    std::deque<std::function<void()>> m_tasks;
    std::size_t m_threads = 0, m_waiting = 0;
    bool m_stopping = false;
};
