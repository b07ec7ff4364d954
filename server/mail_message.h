#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// One e-mail as the site sends it: plain UTF-8 text to one recipient, with at most one file.
struct MailMessage {
    std::string to;       // a bare address: "ur5zz@example.org"
    std::string subject;  // UTF-8, one line
    std::string body;     // UTF-8 text; line ends LF or CRLF
    std::string attachmentName;   // empty: no attachment
    std::string attachment;       // the file's bytes, sent unchanged
};

// What the sender adds to a message: its own address and the message's identity.
struct MailEnvelope {
    std::string from;       // a bare address
    std::string fromName;   // UTF-8 display name; may be empty
    std::int64_t date = 0;  // seconds since 1970, UTC
    std::string messageId;  // "<...@...>"
};

// The message as RFC 5322 / MIME text with CRLF line ends, ready for SMTP's DATA: headers in
// ASCII (UTF-8 as RFC 2047 encoded words, the file name also per RFC 2231), the text and the
// attachment in base64. Values that came from users cannot add header lines: line breaks and
// other control characters are dropped from them.
std::string BuildMimeMessage(const MailMessage& message, const MailEnvelope& envelope);

// A header value as RFC 2047 encoded words ("=?UTF-8?B?...?="), folded so that no line passes
// 76 characters and no character is split; printable ASCII that fits is left as it is.
// `firstLineUsed` is how much of the first line the header's name already takes.
std::string EncodeHeaderText(std::string_view text, std::size_t firstLineUsed);

// "Tue, 08 Dec 2026 05:59:23 +0000".
std::string FormatMailDate(std::int64_t unixSeconds);

// A fresh "<random@domain>", the domain taken from the sender's address.
std::string NewMessageId(std::string_view fromAddress);

// Whether `address` can be given to a relay as one recipient: local@domain, at most 254
// characters, no spaces, quotes, angle brackets or control characters, a dotted domain.
bool IsPlausibleMailAddress(std::string_view address);

// Bytes as base64 (RFC 2045), in lines of 76 characters ending CRLF.
std::string Base64Lines(std::string_view bytes);
