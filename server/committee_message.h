#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/mail_message.h"
#include "server/site_store.h"
#include "server/text_catalog.h"

// The committee's message to the participants: one e-mail per distinct address of the counted
// logs (all of them, or those of one category), queued in the site's mail queue in one
// transaction with the record of who sent it, so a relay that is down only delays them.

inline constexpr std::size_t kLongestMessageSubject = 200;  // bytes
inline constexpr std::size_t kLongestMessageText = 20000;   // bytes

struct CommitteeMessage {
    std::string subject;  // one line
    std::string text;
    std::string category;  // an entry's id; empty: every participant
};

// The message as sent: texts made UTF-8, the subject one line without control characters, the
// text's line ends LF; blanks around both taken away.
CommitteeMessage CleanCommitteeMessage(std::string subject, std::string text, std::string category);
// Why the message cannot be sent, in `language`; empty when it can.
std::string CommitteeMessageProblem(const CommitteeMessage& message, Language language);

struct MessageRecipient {
    std::string email;  // as the newest of its logs gave it
    std::string calls;  // "UT5ZZ" or "UT5ZZ, UT5ZY": the counted logs sent with the address
    Language language = Language::english;  // of the newest of its logs
};
// The distinct addresses (case aside) of the counted logs of `category` (empty: of all).
std::vector<MessageRecipient> MessageRecipients(Database& db, const std::string& category);

MailMessage ComposeCommitteeMessage(const std::string& contest, const CommitteeMessage& message,
                                    const MessageRecipient& recipient);

// Queues the message for each recipient and records it; the number of e-mails queued.
std::size_t QueueCommitteeMessage(SiteStore& store, const std::string& contest,
                                  const CommitteeMessage& message, const std::string& fromAddress,
                                  std::int64_t now, const std::string& who);
