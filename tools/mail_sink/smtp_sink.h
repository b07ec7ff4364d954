#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A mail relay for tests on 127.0.0.1: speaks enough SMTP for libcurl (EHLO, MAIL, RCPT, DATA,
// RSET, NOOP, QUIT), keeps what it accepted and never passes anything on.
class SmtpSink {
public:
    struct Mail {
        std::string from;
        std::vector<std::string> recipients;
        std::string data;  // as sent after DATA, dot-stuffing undone, CRLF line ends
    };
    // The reply to RCPT TO for a recipient ("250 OK", "550 5.1.1 no such user", "451 try later").
    using RecipientReply = std::function<std::string(const std::string& recipient)>;

    // Listens on `port` (0: a free one).
    explicit SmtpSink(int port = 0, RecipientReply recipientReply = {});
    ~SmtpSink();
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    int port() const { return m_port; }
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(m_port); }

    // Waits until `count` mails were accepted (at most `timeout`); the mails so far.
    std::vector<Mail> waitForMails(std::size_t count, std::chrono::seconds timeout = std::chrono::seconds(20));
    std::vector<Mail> mails();

private:
    void serve();
    void converse(int connection);

    int m_listener = -1;
    int m_wakePipe[2] = {-1, -1};
    int m_port = 0;
    RecipientReply m_recipientReply;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Mail> m_mails;
    std::thread m_thread;
};

// A port nothing listens on (found by opening a sink and closing it), for a relay that is down.
int FreePort();

// A relay that hangs: the kernel takes the connection, nothing ever answers.
class SilentRelay {
public:
    SilentRelay();
    ~SilentRelay();
    SilentRelay(const SilentRelay&) = delete;
    SilentRelay& operator=(const SilentRelay&) = delete;
    int port() const { return m_port; }

private:
    int m_listener = -1;
    int m_port = 0;
};
