#include "tools/mail_sink/smtp_sink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace {

bool StartsWithNoCase(const std::string& line, std::string_view prefix) {
    if (line.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[i])) != prefix[i]) return false;
    return true;
}

// The address inside "<...>" of a MAIL FROM or RCPT TO line.
std::string AngleAddress(const std::string& line) {
    const std::size_t open = line.find('<');
    const std::size_t close = line.find('>', open);
    return open == std::string::npos || close == std::string::npos ? std::string() : line.substr(open + 1, close - open - 1);
}

class LineReader {
public:
    explicit LineReader(int fd) : m_fd(fd) {}
    // One line without its CRLF; false when the client went or was silent for 10 s.
    bool next(std::string& line) {
        for (;;) {
            const std::size_t end = m_buffer.find("\r\n");
            if (end != std::string::npos) {
                line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 2);
                return true;
            }
            char chunk[4096];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0) return false;
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    int m_fd;
    std::string m_buffer;
};

void Reply(int fd, const std::string& text) {
    const std::string line = text + "\r\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

SmtpSink::SmtpSink(int port, RecipientReply recipientReply) : m_recipientReply(std::move(recipientReply)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listener, 16) != 0) {
        ::close(m_listener);
        throw std::runtime_error("the SMTP sink cannot listen on port " + std::to_string(port));
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    m_thread = std::thread([this] { serve(); });
}

SmtpSink::~SmtpSink() {
    const char stop = 's';
    [[maybe_unused]] const auto written = ::write(m_wakePipe[1], &stop, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

void SmtpSink::serve() {
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        timeval timeout{10, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        converse(connection);
        ::close(connection);
    }
}

void SmtpSink::converse(int fd) {
    LineReader reader(fd);
    Reply(fd, "220 sink.test ESMTP test sink");
    Mail mail;
    std::string line;
    while (reader.next(line)) {
        if (StartsWithNoCase(line, "EHLO")) {
            Reply(fd, "250-sink.test\r\n250-8BITMIME\r\n250 SIZE 50000000");
        } else if (StartsWithNoCase(line, "HELO")) {
            Reply(fd, "250 sink.test");
        } else if (StartsWithNoCase(line, "MAIL FROM:")) {
            mail = Mail{AngleAddress(line), {}, {}};
            Reply(fd, "250 OK");
        } else if (StartsWithNoCase(line, "RCPT TO:")) {
            const std::string recipient = AngleAddress(line);
            const std::string answer = m_recipientReply ? m_recipientReply(recipient) : "250 OK";
            if (answer.front() == '2') mail.recipients.push_back(recipient);
            Reply(fd, answer);
        } else if (StartsWithNoCase(line, "DATA")) {
            if (mail.recipients.empty()) {
                Reply(fd, "554 no valid recipients");
                continue;
            }
            Reply(fd, "354 end with <CRLF>.<CRLF>");
            std::string data;
            bool complete = false;
            while (reader.next(line)) {
                if (line == ".") {
                    complete = true;
                    break;
                }
                data += (line.rfind("..", 0) == 0 ? line.substr(1) : line) + "\r\n";
            }
            if (!complete) return;
            mail.data = std::move(data);
            {
                std::lock_guard lock(m_mutex);
                m_mails.push_back(std::move(mail));
            }
            m_arrived.notify_all();
            mail = Mail{};
            Reply(fd, "250 OK queued");
        } else if (StartsWithNoCase(line, "RSET")) {
            mail = Mail{};
            Reply(fd, "250 OK");
        } else if (StartsWithNoCase(line, "NOOP")) {
            Reply(fd, "250 OK");
        } else if (StartsWithNoCase(line, "QUIT")) {
            Reply(fd, "221 bye");
            return;
        } else {
            Reply(fd, "502 command not implemented");
        }
    }
}

std::vector<SmtpSink::Mail> SmtpSink::waitForMails(std::size_t count, std::chrono::seconds timeout) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, timeout, [&] { return m_mails.size() >= count; });
    return m_mails;
}

std::vector<SmtpSink::Mail> SmtpSink::mails() {
    std::lock_guard lock(m_mutex);
    return m_mails;
}

int FreePort() { return SmtpSink().port(); }

SilentRelay::SilentRelay() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listener, 4) != 0) {
        ::close(m_listener);
        throw std::runtime_error("the silent relay cannot listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

SilentRelay::~SilentRelay() { ::close(m_listener); }
