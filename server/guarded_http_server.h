#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

// What the server grants one connection.
struct ConnectionLimits {
    int requestSeconds = 30;     // the whole of a request (head and body) must arrive within this
    int idleSeconds = 5;         // the longest wait for a request to begin, also between keep-alive requests
    int writeSeconds = 10;       // a client that takes nothing of an answer for this long is cut off
    int perAddress = 32;         // connections open at once from one address; 0: no cap
    std::size_t headBytes = 64 * 1024;  // a request's line and headers; past it: 400 and the connection closed
    std::size_t keepAliveRequests = 100;
};

// cpp-httplib's server with connections it serves itself: TCP_NODELAY on each (a keep-alive
// answer is not held back ~40 ms by Nagle's algorithm), a cap on the connections of one address,
// and a deadline for each whole request, so that idle, slow-header and slow-body clients end
// instead of holding their thread, and a bound on a request's head, which the library would read
// for as long as header lines come (each kept in memory). The port is never shared with another process (no
// SO_REUSEPORT).
class GuardedHttpServer : public httplib::Server {
public:
    explicit GuardedHttpServer(ConnectionLimits limits);

    void widenBacklog();
    // Told of each connection refused for its address's cap (for the access log).
    void onRefused(std::function<void(const std::string& address)> refused) { m_refused = std::move(refused); }
    // When the current request on this thread began to arrive.
    static std::chrono::steady_clock::time_point RequestStarted();

private:
    bool process_and_close_socket(socket_t sock) override;
    bool admit(const std::string& address);
    void leave(const std::string& address);
    bool stopping() const;

    ConnectionLimits m_limits;
    std::function<void(const std::string&)> m_refused;
    std::mutex m_mutex;
    std::map<std::string, int> m_open;
};
