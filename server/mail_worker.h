#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "server/mail_queue.h"
#include "server/smtp_transport.h"

// Who the site's mail comes from and how it retries.
struct MailSenderSettings {
    std::string fromAddress;  // e.g. "zelk@example.org": envelope sender and From
    std::string fromName;     // e.g. "ZELK contest committee"
    int batch = 20;           // messages taken from the queue at a time
    std::int64_t firstRetrySeconds = 60;  // after the first failed attempt; doubled after each
    std::int64_t maxRetrySeconds = 3600;  // the longest wait between attempts
};

// How long to wait after the `failedAttempts`-th failed attempt: first, 2 x first, 4 x ... up to
// the longest. Temporary failures are retried without end (the committee sees them waiting).
std::int64_t MailRetryDelay(int failedAttempts, const MailSenderSettings& settings);

// What one pass over the queue did.
struct MailPass {
    int accepted = 0;
    int temporaryFailures = 0;
    int permanentFailures = 0;
};

// Sends the messages due at `now`, one at a time: the attempt and its next date are recorded
// before the relay is asked, the message is marked sent only once the relay accepted it.
// `log` hears of every failure.
MailPass SendDueMail(MailQueue& queue, MailTransport& transport, const MailSenderSettings& settings, std::int64_t now,
                     const std::function<void(const std::string&)>& log = {});

// A thread that sends the queue's mail as it falls due, on its own connection to the site's
// database. wake() after queueing a message sends it at once; stop() (or destruction) cancels
// the transport's send in progress (that message is tried again at the next start) and ends the
// thread.
class MailWorker {
public:
    using Clock = std::function<std::int64_t()>;  // seconds since 1970
    using Log = std::function<void(const std::string&)>;

    MailWorker(std::string databasePath, MailTransport& transport, MailSenderSettings settings, Log log = {},
               Clock clock = {});
    ~MailWorker();
    MailWorker(const MailWorker&) = delete;
    MailWorker& operator=(const MailWorker&) = delete;

    void wake();
    void stop();

private:
    void run();

    std::string m_databasePath;
    MailTransport& m_transport;
    MailSenderSettings m_settings;
    Log m_log;
    Clock m_clock;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_woken = false;
    bool m_stopping = false;
    std::thread m_thread;
};
