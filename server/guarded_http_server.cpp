#include "server/guarded_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using Clock = std::chrono::steady_clock;

namespace {

thread_local Clock::time_point t_requestStarted;
constexpr int kPollSliceMs = 200;  // how often a waiting connection looks whether the server stops

std::string AddressOf(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    return text;
}

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

// A connection's bytes, read through a buffer (the library reads the request line a byte at a
// time, and a body 4 KB at a time), each read allowed only until the request's deadline.
class DeadlineStream : public httplib::Stream {
public:
    DeadlineStream(int sock, Clock::time_point deadline, int writeSeconds, std::size_t headLimit,
                   const std::function<bool()>& stopping)
        : m_sock(sock), m_deadline(deadline), m_writeSeconds(writeSeconds), m_headLimit(headLimit), m_stopping(stopping) {}

    // A new request begins: its deadline, and its head counted from nothing.
    void rearm(Clock::time_point deadline) {
        m_deadline = deadline;
        m_inHead = true;
        m_headSeen = 0;
        m_lineStart = false;
        m_blankLineCr = false;
    }
    bool hasBuffered() const { return m_begin < m_end; }
    bool headTooLong() const { return m_headTooLong; }

    bool is_readable() const override { return m_begin < m_end || waitFor(POLLIN, m_deadline); }
    bool is_writable() const override { return waitFor(POLLOUT, Clock::now() + std::chrono::seconds(m_writeSeconds)); }

    ssize_t read(char* ptr, size_t size) override {
        if (m_begin == m_end) {
            // What has come already is taken without a poll; the deadline holds either way.
            if (Clock::now() >= m_deadline || m_stopping()) return -1;
            ssize_t n = ::recv(m_sock, m_buffer, sizeof m_buffer, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                if (!waitFor(POLLIN, m_deadline)) return -1;
                n = ::recv(m_sock, m_buffer, sizeof m_buffer, 0);
            }
            if (n <= 0) return n;
            m_begin = 0;
            m_end = static_cast<std::size_t>(n);
        }
        const std::size_t taken = std::min(size, m_end - m_begin);
        if (m_inHead && !countHead(m_buffer + m_begin, taken)) return -1;
        std::memcpy(ptr, m_buffer + m_begin, taken);
        m_begin += taken;
        return static_cast<ssize_t>(taken);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        return ::send(m_sock, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { addressOf(::getpeername, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { addressOf(::getsockname, ip, port); }
    socket_t socket() const override { return m_sock; }

private:
    // Follows the head as the library reads it, to its empty line (a line that is only CR LF,
    // where the library ends it too); false once it has gone past the limit, and from then on.
    bool countHead(const char* bytes, std::size_t size) {
        if (m_headTooLong) return false;
        for (std::size_t i = 0; i < size && m_inHead; ++i) {
            if (++m_headSeen > m_headLimit) {
                m_headTooLong = true;
                return false;
            }
            const char c = bytes[i];
            if (m_lineStart && !m_blankLineCr && c == '\r') {
                m_blankLineCr = true;
                continue;
            }
            if (m_blankLineCr && c == '\n') {
                m_inHead = false;
                break;
            }
            m_blankLineCr = false;
            m_lineStart = c == '\n';
        }
        return true;
    }

    bool waitFor(short events, Clock::time_point until) const {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0 || m_stopping()) return false;
            pollfd wanted{m_sock, events, 0};
            const int ready = ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
            if (ready > 0) return true;
            if (ready < 0 && errno != EINTR) return false;
        }
    }

    template <typename Get>
    void addressOf(Get get, std::string& ip, int& port) const {
        sockaddr_storage address{};
        socklen_t size = sizeof address;
        if (get(m_sock, reinterpret_cast<sockaddr*>(&address), &size) != 0) return;
        ip = AddressOf(address);
        port = PortOf(address);
    }

    int m_sock;
    Clock::time_point m_deadline;
    int m_writeSeconds;
    std::size_t m_headLimit, m_headSeen = 0;
    bool m_inHead = true, m_lineStart = false, m_blankLineCr = false, m_headTooLong = false;
    const std::function<bool()>& m_stopping;
    char m_buffer[64 * 1024];  // a log of most uploads in one or two reads
    std::size_t m_begin = 0, m_end = 0;
};

bool WaitForRequest(int sock, int seconds, const std::function<bool()>& stopping) {
    const auto until = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0 || stopping()) return false;
        pollfd wanted{sock, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

void SendRefusal(int sock) {
    static const char kBusy[] =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\nRetry-After: 10\r\n"
        "Connection: close\r\nContent-Length: 48\r\n\r\nToo many connections from your address at once.\n";
    ::send(sock, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

GuardedHttpServer::GuardedHttpServer(ConnectionLimits limits) : m_limits(limits) {
    set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

void GuardedHttpServer::widenBacklog() {
    // The library listens with a backlog of 5: at a deadline rush hundreds connect at once.
    if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, SOMAXCONN);
}

Clock::time_point GuardedHttpServer::RequestStarted() { return t_requestStarted; }

bool GuardedHttpServer::stopping() const { return svr_sock_ == INVALID_SOCKET; }

bool GuardedHttpServer::admit(const std::string& address) {
    std::lock_guard lock(m_mutex);
    int& open = m_open[address];
    if (m_limits.perAddress > 0 && open >= m_limits.perAddress) {
        if (open == 0) m_open.erase(address);
        return false;
    }
    ++open;
    return true;
}

void GuardedHttpServer::leave(const std::string& address) {
    std::lock_guard lock(m_mutex);
    if (--m_open[address] <= 0) m_open.erase(address);
}

bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    ::getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &size);
    const std::string address = AddressOf(peer);
    bool served = false;
    if (!admit(address)) {
        SendRefusal(sock);
        if (m_refused) m_refused(address);
    } else {
        const std::function<bool()> stop = [this] { return stopping(); };
        DeadlineStream stream(sock, Clock::now(), m_limits.writeSeconds, m_limits.headBytes, stop);
        for (std::size_t left = m_limits.keepAliveRequests; left > 0; --left) {
            if (!stream.hasBuffered() && !WaitForRequest(sock, m_limits.idleSeconds, stop)) break;
            t_requestStarted = Clock::now();
            stream.rearm(t_requestStarted + std::chrono::seconds(m_limits.requestSeconds));
            bool closed = false;
            served = process_request(stream, left == 1, closed, nullptr);
            if (!served || closed || stream.headTooLong()) break;  // the rest of an endless head is not read
        }
        leave(address);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
}
