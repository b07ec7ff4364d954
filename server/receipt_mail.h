#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/lost_link_requests.h"
#include "server/mail_message.h"
#include "server/text_catalog.h"

// What the receipt e-mail tells: the receipt as the site gave it, and the log as it was sent.
struct ReceiptMailFacts {
    std::string contest;       // "ZELK"
    std::string to;            // the address given with the upload
    std::string call;
    std::string categoryName;  // in the mail's language; empty: none given
    std::string link;          // the receipt's full link (https://.../receipt/...)
    std::int64_t number = 0;
    std::int64_t receivedAt = 0;             // seconds since 1970, UTC
    std::optional<std::int64_t> deadline;    // the deadline for logs, when there is one
    std::string sha256;                      // of the file as received
    std::vector<std::string> summaryLines;   // the check's summary, one line each
    std::vector<std::string> findings;       // what the check found, one line each
    std::string log;                         // the file's bytes as sent
    std::string fileName;                    // its original name
};

// The first findings listed in a mail; the rest are counted (the receipt page has them all).
inline constexpr std::size_t kFindingsInMail = 100;

// The receipt e-mail in `language`, with the log attached unchanged under its original name.
MailMessage ComposeReceiptMail(const ReceiptMailFacts& facts, Language language);

// The e-mail of the "lost my receipt link" form: the links of the receipts given to `email`.
MailMessage ComposeLostLinksMail(const std::string& contest, const std::string& call, const std::string& email,
                                 const std::vector<ReceiptOnFile>& receipts, Language language);

