#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>

#include "mail_test_support.h"
#include "server/mail_queue.h"
#include "server/mail_worker.h"
#include "tools/mail_sink/smtp_sink.h"

namespace {

constexpr std::int64_t kStart = 1494018000;

MailSenderSettings Sender() {
    MailSenderSettings settings;
    settings.fromAddress = "zelk@example.org";
    settings.fromName = "ZELK";
    return settings;
}

MailMessage Mail(const std::string& to, const std::string& subject) { return {to, subject, "text of " + subject, "", ""}; }

SmtpSettings Relay(int port) {
    SmtpSettings settings;
    settings.url = "smtp://127.0.0.1:" + std::to_string(port);
    settings.connectTimeoutSeconds = 5;
    settings.timeoutSeconds = 20;
    return settings;
}

std::string SubjectOf(const SmtpSink::Mail& mail) { return ReadMailWithPython(mail.data)["subject"]; }

class MailQueueTest : public ::testing::Test {
protected:
    TempFolder folder;
    Database db{folder.file("site.sqlite3")};
    MailQueue queue{db};
};

}  // namespace

// The relay is down for a while: the mail waits, and once it is back each message arrives once.
TEST_F(MailQueueTest, RelayDownDelaysMailAndLosesNone) {
    const int port = FreePort();
    CurlSmtpTransport transport(Relay(port));
    for (const char* subject : {"first", "second", "third"}) queue.enqueue(Mail("ur5zz@example.org", subject), kStart, "zelk@example.org");

    const MailPass down = SendDueMail(queue, transport, Sender(), kStart);
    EXPECT_EQ(down.temporaryFailures, 3);
    EXPECT_EQ(down.accepted, 0);
    const MailQueueCounts waiting = queue.counts();
    EXPECT_EQ(waiting.waiting, 3);
    EXPECT_EQ(waiting.retrying, 3);
    EXPECT_EQ(waiting.sent, 0);
    const QueuedMail first = *queue.find(1);
    EXPECT_EQ(first.attempts, 1);
    EXPECT_EQ(first.nextAttemptAt, kStart + 60);
    EXPECT_FALSE(first.lastError.empty());

    SmtpSink relay(port);
    EXPECT_EQ(SendDueMail(queue, transport, Sender(), kStart + 59).accepted, 0) << "retried before its time";
    EXPECT_EQ(SendDueMail(queue, transport, Sender(), kStart + 60).accepted, 3);
    EXPECT_EQ(SendDueMail(queue, transport, Sender(), kStart + 100000).accepted, 0) << "sent twice";

    const auto arrived = relay.mails();
    ASSERT_EQ(arrived.size(), 3u);
    std::multiset<std::string> subjects;
    for (const auto& mail : arrived) subjects.insert(SubjectOf(mail));
    EXPECT_EQ(subjects, (std::multiset<std::string>{"first", "second", "third"}));
    EXPECT_EQ(queue.counts().sent, 3);
    EXPECT_FALSE(queue.nextDue().has_value());
}

// A refused recipient ends that message's attempts; a greylisting relay's 4xx only delays it.
TEST_F(MailQueueTest, RefusedRecipientIsFinalAndTemporaryRefusalRetries) {
    std::atomic<bool> greylisting = true;
    SmtpSink relay(0, [&](const std::string& recipient) -> std::string {
        if (recipient == "nobody@example.org") return "550 5.1.1 <nobody@example.org>: no such user";
        if (recipient == "grey@example.org" && greylisting) return "451 4.7.1 greylisted, try again later";
        return "250 OK";
    });
    CurlSmtpTransport transport(Relay(relay.port()));
    const auto refused = queue.enqueue(Mail("nobody@example.org", "refused"), kStart, "zelk@example.org");
    const auto grey = queue.enqueue(Mail("grey@example.org", "grey"), kStart, "zelk@example.org");
    queue.enqueue(Mail("ur5zz@example.org", "fine"), kStart, "zelk@example.org");

    const MailPass pass = SendDueMail(queue, transport, Sender(), kStart);
    EXPECT_EQ(pass.accepted, 1);
    EXPECT_EQ(pass.permanentFailures, 1);
    EXPECT_EQ(pass.temporaryFailures, 1);
    const QueuedMail refusedMail = *queue.find(refused);
    EXPECT_TRUE(refusedMail.failed);
    EXPECT_NE(refusedMail.lastError.find("550 5.1.1"), std::string::npos) << refusedMail.lastError;
    const QueuedMail greyMail = *queue.find(grey);
    EXPECT_FALSE(greyMail.failed);
    EXPECT_NE(greyMail.lastError.find("451"), std::string::npos) << greyMail.lastError;

    greylisting = false;
    EXPECT_EQ(SendDueMail(queue, transport, Sender(), kStart + 3600).accepted, 1);
    EXPECT_EQ(queue.find(refused)->attempts, 1) << "a refused message was tried again";
    const MailQueueCounts counts = queue.counts();
    EXPECT_EQ(counts.sent, 2);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(counts.waiting, 0);
    ASSERT_EQ(relay.mails().size(), 2u);
}

// A relay that cannot be used as configured (no STARTTLS where it is required, a refused
// greeting or login) is the relay's problem, not the message's: the message waits.
TEST_F(MailQueueTest, RelayWithoutTheRequiredTlsOnlyDelays) {
    SmtpSink relay(0, [](const std::string&) -> std::string { return "250 OK"; });
    SmtpSettings settings = Relay(relay.port());
    settings.requireStartTls = true;  // the sink offers no STARTTLS
    CurlSmtpTransport transport(settings);
    const auto id = queue.enqueue(Mail("ur5zz@example.org", "tls"), kStart, "zelk@example.org");
    EXPECT_EQ(SendDueMail(queue, transport, Sender(), kStart).temporaryFailures, 1);
    EXPECT_FALSE(queue.find(id)->failed);
    EXPECT_TRUE(relay.mails().empty()) << "sent in clear text although TLS was required";
}

// While the relay is being asked, the message is not yet marked sent but its attempt is
// counted: a crash at that moment leads to another attempt, never to a lost message.
TEST_F(MailQueueTest, MarkedSentOnlyAfterTheRelayAccepted) {
    struct Watcher : MailTransport {
        std::string path;
        int calls = 0;
        SendResult send(const std::string&, const std::string&, const std::string&) override {
            ++calls;
            Database other(path);
            MailQueue seen(other);
            const QueuedMail mail = *seen.find(1);
            EXPECT_FALSE(mail.sentAt.has_value()) << "marked sent before the relay accepted it";
            EXPECT_EQ(mail.attempts, 1) << "the attempt is recorded only after it was made";
            return {};
        }
    } watcher;
    watcher.path = folder.file("site.sqlite3");
    queue.enqueue(Mail("ur5zz@example.org", "x"), kStart, "zelk@example.org");
    EXPECT_EQ(SendDueMail(queue, watcher, Sender(), kStart).accepted, 1);
    EXPECT_EQ(watcher.calls, 1);
    EXPECT_EQ(queue.find(1)->sentAt, kStart);
}

// A receipt and its e-mail are stored together or not at all.
TEST_F(MailQueueTest, QueuesInTheCallersTransaction) {
    {
        Transaction transaction(db);
        queue.enqueue(Mail("ur5zz@example.org", "rolled back"), kStart, "zelk@example.org");
    }
    EXPECT_EQ(queue.counts().waiting, 0);
    Transaction transaction(db);
    queue.enqueue(Mail("ur5zz@example.org", "kept"), kStart, "zelk@example.org");
    transaction.commit();
    EXPECT_EQ(queue.counts().waiting, 1);
    EXPECT_THROW(queue.enqueue(Mail("not an address", "x"), kStart, "zelk@example.org"), std::invalid_argument);
}

TEST_F(MailQueueTest, AttachmentIsDroppedOnceSent) {
    struct Accepting : MailTransport {
        SendResult send(const std::string&, const std::string&, const std::string&) override { return {}; }
    } accepting;
    const auto id = queue.enqueue({"ur5zz@example.org", "s", "b", "log.cbr", AwkwardBytes()}, kStart, "zelk@example.org");
    EXPECT_EQ(queue.find(id)->message.attachment, AwkwardBytes()) << "the queue changed the file's bytes";
    SendDueMail(queue, accepting, Sender(), kStart);
    EXPECT_TRUE(queue.find(id)->message.attachment.empty());
    EXPECT_EQ(queue.find(id)->message.attachmentName, "log.cbr");
}

TEST(MailRetry, DelayDoublesUpToTheLongest) {
    const MailSenderSettings settings = Sender();
    const std::vector<std::pair<int, std::int64_t>> delays = {{1, 60},    {2, 120},   {3, 240},  {6, 1920},
                                                              {7, 3600},  {8, 3600},  {1000, 3600}};
    for (const auto& [attempts, delay] : delays) EXPECT_EQ(MailRetryDelay(attempts, settings), delay) << attempts;
}

// The worker thread sends what is queued as soon as it is woken, on its own connection.
TEST(MailWorkerThread, SendsQueuedMailWhenWoken) {
    TempFolder folder;
    SmtpSink relay;
    CurlSmtpTransport transport(Relay(relay.port()));
    Database db(folder.file("site.sqlite3"));
    MailQueue queue(db);
    std::vector<std::string> log;
    MailWorker worker(folder.file("site.sqlite3"), transport, Sender(), [&](const std::string& line) { log.push_back(line); });
    queue.enqueue(Mail("ur5zz@example.org", "Звіт отримано"), std::time(nullptr), "zelk@example.org");
    worker.wake();
    const auto mails = relay.waitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(SubjectOf(mails[0]), "Звіт отримано");
    EXPECT_EQ(mails[0].from, "zelk@example.org");
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"ur5zz@example.org"});
    worker.stop();
    EXPECT_EQ(queue.counts().sent, 1);
    EXPECT_TRUE(log.empty());
}

// The site stops at once even while the relay hangs; the message in hand is tried again later.
TEST(MailWorkerThread, StopsAtOnceWhileTheRelayHangs) {
    TempFolder folder;
    SilentRelay relay;
    SmtpSettings settings = Relay(relay.port());
    settings.timeoutSeconds = 600;
    CurlSmtpTransport curl(settings);
    struct Announcing : MailTransport {
        MailTransport& inner;
        std::promise<void> started;
        explicit Announcing(MailTransport& t) : inner(t) {}
        SendResult send(const std::string& from, const std::string& to, const std::string& mime) override {
            started.set_value();
            return inner.send(from, to, mime);
        }
        void cancel() override { inner.cancel(); }
    } transport(curl);
    Database db(folder.file("site.sqlite3"));
    MailQueue queue(db);
    const auto id = queue.enqueue(Mail("ur5zz@example.org", "hanging"), std::time(nullptr), "zelk@example.org");
    MailWorker worker(folder.file("site.sqlite3"), transport, Sender(), [](const std::string&) {});
    worker.wake();
    transport.started.get_future().wait();
    const auto before = std::chrono::steady_clock::now();
    worker.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
    const QueuedMail mail = *queue.find(id);
    EXPECT_FALSE(mail.sentAt.has_value());
    EXPECT_FALSE(mail.failed);
    EXPECT_EQ(mail.attempts, 1);
}

TEST(SmtpUrl, NamesARelay) {
    const std::vector<std::pair<std::string, bool>> urls = {
        {"smtp://127.0.0.1:2525", true}, {"smtps://mail.example.org", true}, {"smtp://", false},
        {"http://mail.example.org", false}, {"smtp://mail.example.org\r\nRCPT", false}, {"", false}};
    for (const auto& [url, valid] : urls) EXPECT_EQ(IsSmtpUrl(url), valid) << url;
}
