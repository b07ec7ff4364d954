#include "server/mail_worker.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>

namespace {

// The longest the worker sleeps without looking at the queue: mail queued by another connection
// without a wake() still goes out.
constexpr std::int64_t kLongestSleepSeconds = 60;
// After the database itself failed (disk full, locked for long).
constexpr std::int64_t kDatabaseRetrySeconds = 10;

}  // namespace

std::int64_t MailRetryDelay(int failedAttempts, const MailSenderSettings& settings) {
    std::int64_t delay = std::max<std::int64_t>(1, settings.firstRetrySeconds);
    for (int i = 1; i < failedAttempts && delay < settings.maxRetrySeconds; ++i) delay *= 2;
    return std::min(delay, std::max<std::int64_t>(1, settings.maxRetrySeconds));
}

MailPass SendDueMail(MailQueue& queue, MailTransport& transport, const MailSenderSettings& settings, std::int64_t now,
                     const std::function<void(const std::string&)>& log) {
    MailPass pass;
    if (!IsPlausibleMailAddress(settings.fromAddress)) {  // the site's setting, not the messages, is at fault
        if (log) log("mail waits: the sender address \"" + settings.fromAddress + "\" is not usable");
        return pass;
    }
    for (const QueuedMail& mail : queue.due(now, settings.batch)) {
        std::string mime;
        try {
            mime = BuildMimeMessage(mail.message, {settings.fromAddress, settings.fromName, mail.createdAt, mail.messageId});
        } catch (const std::exception& error) {
            queue.recordFailure(mail.id, error.what(), true);
            ++pass.permanentFailures;
            if (log) log("mail " + std::to_string(mail.id) + " cannot be sent: " + error.what());
            continue;
        }
        queue.recordAttempt(mail.id, now + MailRetryDelay(mail.attempts + 1, settings));
        const SendResult result = transport.send(settings.fromAddress, mail.message.to, mime);
        if (result.accepted()) {
            queue.markSent(mail.id, now);
            ++pass.accepted;
            continue;
        }
        const bool permanent = result.outcome == SendResult::Outcome::permanentFailure;
        queue.recordFailure(mail.id, result.error, permanent);
        ++(permanent ? pass.permanentFailures : pass.temporaryFailures);
        if (log)
            log("mail " + std::to_string(mail.id) + " to " + mail.message.to + (permanent ? " refused: " : " delayed: ") +
                result.error);
    }
    return pass;
}

MailWorker::MailWorker(std::string databasePath, MailTransport& transport, MailSenderSettings settings, Log log,
                       Clock clock)
    : m_databasePath(std::move(databasePath)),
      m_transport(transport),
      m_settings(std::move(settings)),
      m_log(log ? std::move(log) : Log([](const std::string& line) { std::cerr << line << '\n'; })),
      m_clock(clock ? std::move(clock) : Clock([] { return static_cast<std::int64_t>(std::time(nullptr)); })),
      m_thread([this] { run(); }) {}

MailWorker::~MailWorker() { stop(); }

void MailWorker::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_changed.notify_all();
}

void MailWorker::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_transport.cancel();  // a relay that hangs does not hold the site's shutdown
    if (m_thread.joinable()) m_thread.join();
}

void MailWorker::run() {
    std::unique_ptr<Database> db;
    std::unique_ptr<MailQueue> queue;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) return;
            m_woken = false;
        }
        std::int64_t sleepSeconds = kLongestSleepSeconds;
        try {
            if (!queue) {
                db = std::make_unique<Database>(m_databasePath);
                db->execute("PRAGMA synchronous=FULL");  // a message marked sent stays so after a power cut
                queue = std::make_unique<MailQueue>(*db);
            }
            SendDueMail(*queue, m_transport, m_settings, m_clock(), m_log);
            if (const auto next = queue->nextDue())
                sleepSeconds = std::clamp<std::int64_t>(*next - m_clock(), 0, kLongestSleepSeconds);
        } catch (const std::exception& error) {
            m_log(std::string("mail queue: ") + error.what());
            queue.reset();
            db.reset();
            sleepSeconds = kDatabaseRetrySeconds;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(sleepSeconds), [this] { return m_stopping || m_woken; });
    }
}
