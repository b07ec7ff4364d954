#pragma once

#include <atomic>
#include <string>

// What became of one attempt to hand a message to the relay.
struct SendResult {
    enum class Outcome { accepted, temporaryFailure, permanentFailure };
    Outcome outcome = Outcome::accepted;
    std::string error;  // empty when accepted

    bool accepted() const { return outcome == Outcome::accepted; }
};

// Hands finished messages to a mail relay; fakes stand in for it in tests.
class MailTransport {
public:
    virtual ~MailTransport() = default;
    // `mime` is the whole message with CRLF line ends. Never throws.
    virtual SendResult send(const std::string& from, const std::string& to, const std::string& mime) = 0;
    // Ends a send() in progress and every later one as a temporary failure (the site is stopping).
    virtual void cancel() {}
};

// The relay the committee names.
struct SmtpSettings {
    std::string url;       // smtp://host:port (STARTTLS optional or required below) or smtps://host:port
    bool requireStartTls = false;  // refuse to send unless the connection is encrypted
    std::string user;      // empty: no login
    std::string password;
    long connectTimeoutSeconds = 20;
    long timeoutSeconds = 120;  // the whole conversation, DATA included
};

// SMTP through libcurl. A relay that cannot be reached, times out, answers 4xx or refuses the
// login is a temporary failure (the message waits); a 5xx answer to the sender, the recipient
// or the message is a permanent one. One connection per message: the site sends few.
class CurlSmtpTransport : public MailTransport {
public:
    explicit CurlSmtpTransport(SmtpSettings settings);
    SendResult send(const std::string& from, const std::string& to, const std::string& mime) override;
    void cancel() override { m_cancelled = true; }

private:
    SmtpSettings m_settings;
    std::atomic<bool> m_cancelled = false;
};

// Whether `url` names an SMTP relay this sender can use ("smtp://host[:port]", "smtps://...").
bool IsSmtpUrl(const std::string& url);
