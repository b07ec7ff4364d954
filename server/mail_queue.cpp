#include "server/mail_queue.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr const char* kColumns =
    "id, recipient, subject, body, attachment_name, attachment, message_id, created_at, attempts, next_attempt_at, "
    "last_error, sent_at, failed";

QueuedMail ReadMail(const Statement& row) {
    QueuedMail mail;
    mail.id = row.integer(0);
    mail.message.to = row.text(1);
    mail.message.subject = row.text(2);
    mail.message.body = row.text(3);
    mail.message.attachmentName = row.text(4);
    mail.message.attachment = row.text(5);  // bytes bound as text come back unchanged, NULs included
    mail.messageId = row.text(6);
    mail.createdAt = row.integer(7);
    mail.attempts = static_cast<int>(row.integer(8));
    mail.nextAttemptAt = row.integer(9);
    mail.lastError = row.text(10);
    if (!row.isNull(11)) mail.sentAt = row.integer(11);
    mail.failed = row.integer(12) != 0;
    return mail;
}

}  // namespace

MailQueue::MailQueue(Database& db) : m_db(db) {
    m_db.execute(R"(
        CREATE TABLE IF NOT EXISTS mail_queue (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            recipient TEXT NOT NULL,
            subject TEXT NOT NULL,
            body TEXT NOT NULL,
            attachment_name TEXT NOT NULL DEFAULT '',
            attachment BLOB,
            message_id TEXT NOT NULL,
            created_at INTEGER NOT NULL,
            attempts INTEGER NOT NULL DEFAULT 0,
            next_attempt_at INTEGER NOT NULL,
            last_error TEXT NOT NULL DEFAULT '',
            sent_at INTEGER,
            failed INTEGER NOT NULL DEFAULT 0);
        CREATE INDEX IF NOT EXISTS mail_queue_due ON mail_queue (next_attempt_at) WHERE sent_at IS NULL AND failed = 0;
    )");
}

std::int64_t MailQueue::enqueue(const MailMessage& message, std::int64_t now, const std::string& fromAddress,
                                std::int64_t notBefore) {
    if (!IsPlausibleMailAddress(message.to)) throw std::invalid_argument("not a mail address");
    m_db.prepare("INSERT INTO mail_queue (recipient, subject, body, attachment_name, attachment, message_id, created_at, "
                 "next_attempt_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
        .bind(1, message.to)
        .bind(2, message.subject)
        .bind(3, message.body)
        .bind(4, message.attachmentName)
        .bind(5, message.attachment)
        .bind(6, NewMessageId(fromAddress))
        .bind(7, now)
        .bind(8, std::max(now, notBefore))
        .run();
    return m_db.lastInsertId();
}

std::vector<QueuedMail> MailQueue::due(std::int64_t now, int limit) {
    auto rows = m_db.prepare(std::string("SELECT ") + kColumns +
                             " FROM mail_queue WHERE sent_at IS NULL AND failed = 0 AND next_attempt_at <= ? "
                             "ORDER BY next_attempt_at, id LIMIT ?");
    rows.bind(1, now).bind(2, static_cast<std::int64_t>(limit));
    std::vector<QueuedMail> mails;
    while (rows.step()) mails.push_back(ReadMail(rows));
    return mails;
}

std::optional<std::int64_t> MailQueue::nextDue() {
    auto row = m_db.prepare("SELECT MIN(next_attempt_at) FROM mail_queue WHERE sent_at IS NULL AND failed = 0");
    if (!row.step() || row.isNull(0)) return std::nullopt;
    return row.integer(0);
}

void MailQueue::recordAttempt(std::int64_t id, std::int64_t retryAt) {
    m_db.prepare("UPDATE mail_queue SET attempts = attempts + 1, next_attempt_at = ? WHERE id = ?")
        .bind(1, retryAt)
        .bind(2, id)
        .run();
}

void MailQueue::markSent(std::int64_t id, std::int64_t now) {
    m_db.prepare("UPDATE mail_queue SET sent_at = ?, attachment = NULL, last_error = '' WHERE id = ?")
        .bind(1, now)
        .bind(2, id)
        .run();
}

void MailQueue::recordFailure(std::int64_t id, const std::string& error, bool permanent) {
    m_db.prepare("UPDATE mail_queue SET last_error = ?, failed = ? WHERE id = ?")
        .bind(1, error)
        .bind(2, static_cast<std::int64_t>(permanent ? 1 : 0))
        .bind(3, id)
        .run();
}

std::optional<QueuedMail> MailQueue::find(std::int64_t id) {
    auto row = m_db.prepare(std::string("SELECT ") + kColumns + " FROM mail_queue WHERE id = ?");
    row.bind(1, id);
    if (!row.step()) return std::nullopt;
    return ReadMail(row);
}

MailQueueCounts MailQueue::counts() {
    auto row = m_db.prepare(
        "SELECT COALESCE(SUM(sent_at IS NULL AND failed = 0), 0), COALESCE(SUM(sent_at IS NULL AND failed = 0 AND "
        "attempts > 0), 0), COALESCE(SUM(sent_at IS NOT NULL), 0), COALESCE(SUM(failed <> 0), 0) FROM mail_queue");
    row.step();
    return {row.integer(0), row.integer(1), row.integer(2), row.integer(3)};
}

std::vector<QueuedMail> MailQueue::newest(const std::string& state, int limit) {
    std::string where;
    if (state == "waiting") where = " WHERE sent_at IS NULL AND failed = 0";
    if (state == "sent") where = " WHERE sent_at IS NOT NULL";
    if (state == "failed") where = " WHERE failed <> 0";
    auto rows = m_db.prepare("SELECT id, recipient, subject, '', attachment_name, NULL, message_id, created_at, attempts, "
                             "next_attempt_at, last_error, sent_at, failed FROM mail_queue" +
                             where + " ORDER BY id DESC LIMIT ?");
    rows.bind(1, static_cast<std::int64_t>(limit));
    std::vector<QueuedMail> mails;
    while (rows.step()) mails.push_back(ReadMail(rows));
    return mails;
}

bool MailQueue::retry(std::int64_t id, std::int64_t now) {
    m_db.prepare("UPDATE mail_queue SET failed = 0, next_attempt_at = ? WHERE id = ? AND sent_at IS NULL AND "
                 "(failed <> 0 OR attempts > 0)")
        .bind(1, now)
        .bind(2, id)
        .run();
    return m_db.changes() > 0;
}
