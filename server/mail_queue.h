#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/mail_message.h"
#include "server/sqlite_db.h"

// A message waiting in the queue, or its record once sent or given up.
struct QueuedMail {
    std::int64_t id = 0;
    MailMessage message;
    std::string messageId;   // the Message-ID header, the same on every attempt
    std::int64_t createdAt = 0;  // seconds since 1970, UTC; the Date header
    int attempts = 0;
    std::int64_t nextAttemptAt = 0;
    std::string lastError;
    std::optional<std::int64_t> sentAt;
    bool failed = false;     // the relay refused it for good
};

// How many messages are in each state, for the committee's page.
struct MailQueueCounts {
    std::int64_t waiting = 0;   // not yet accepted by the relay
    std::int64_t retrying = 0;  // of those waiting, tried at least once
    std::int64_t sent = 0;
    std::int64_t failed = 0;
};

// Mail to send, kept in the site's database (tables mail_queue, created on opening when not
// there, apart from the site's own schema). A message stays until the relay has accepted it;
// each attempt is recorded before it is made, so a crash in the middle leads to another attempt
// later, never to a lost message. The queue works on the connection it is given and opens no
// transaction of its own: enqueue() inside the caller's transaction commits the message with the
// caller's record (a receipt and its e-mail together, or neither). Not safe to share between
// threads: each thread has its own connection and its own queue.
class MailQueue {
public:
    explicit MailQueue(Database& db);

    // Queues `message` from `fromAddress` (for the Message-ID); sends at once or after `notBefore`.
    // Throws std::invalid_argument when the recipient is no plausible address.
    std::int64_t enqueue(const MailMessage& message, std::int64_t now, const std::string& fromAddress,
                         std::int64_t notBefore = 0);

    // Messages due at `now` (unsent, not failed, next attempt reached), oldest first.
    std::vector<QueuedMail> due(std::int64_t now, int limit);
    // When the next unsent message falls due; empty when none waits.
    std::optional<std::int64_t> nextDue();

    // Before an attempt: counts it and puts the next attempt at `retryAt`.
    void recordAttempt(std::int64_t id, std::int64_t retryAt);
    // The relay accepted the message. Its attachment is dropped (the site keeps the file itself).
    void markSent(std::int64_t id, std::int64_t now);
    // The attempt failed; a permanent failure ends the message's attempts.
    void recordFailure(std::int64_t id, const std::string& error, bool permanent);

    std::optional<QueuedMail> find(std::int64_t id);
    MailQueueCounts counts();

    // For the committee's view: the newest messages first, without their text and attachment;
    // `state` "waiting", "sent" or "failed" (anything else: all).
    std::vector<QueuedMail> newest(const std::string& state, int limit);
    // A message the relay refused, or one waiting after failed attempts, is tried again at once
    // (its attempts and last error are kept); false for one sent or unknown.
    bool retry(std::int64_t id, std::int64_t now);

private:
    Database& m_db;
};
