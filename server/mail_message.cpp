#include "server/mail_message.h"

#include <sodium.h>

#include <array>
#include <ctime>
#include <stdexcept>

namespace {

constexpr std::size_t kMaxLine = 76;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

// A user's text made safe for one header: control characters (line breaks above all) go.
std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        if (IsControl(static_cast<unsigned char>(c))) {
            if (c == '\t' || c == '\n' || c == '\r') line += ' ';
            continue;
        }
        line += c;
    }
    return line;
}

bool IsPrintableAscii(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7e) return false;
    }
    return true;
}

std::string Base64(std::string_view bytes) {
    std::string text(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.size() - 1);  // the terminating NUL
    return text;
}

// Where a chunk of at most `limit` bytes of UTF-8 may end without splitting a character.
std::size_t Utf8Cut(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut == 0 ? limit : cut;  // not UTF-8 at all: split anywhere rather than loop
}

std::string PercentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' || u == '-' ||
            u == '_')
            encoded += c;
        else
            encoded += {'%', kHex[u >> 4], kHex[u & 15]};
    }
    return encoded;
}

// The file's own name, without any folder a sender's system put before it.
std::string AttachmentFileName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::string clean;
    for (const char c : OneLine(name))
        if (c != '"') clean += c;
    while (!clean.empty() && (clean.front() == ' ' || clean.front() == '.')) clean.erase(0, 1);
    clean.resize(Utf8Cut(clean, 200));  // keeps the header lines far below SMTP's 998
    return clean.empty() ? "log.txt" : clean;
}

bool IsAtomText(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == ' ' ||
                        std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
        if (!ok) return false;
    }
    return true;
}

std::string WithCrlf(std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            lines += "\r\n";
        } else {
            lines += text[i];
        }
    }
    if (lines.size() < 2 || lines.compare(lines.size() - 2, 2, "\r\n") != 0) lines += "\r\n";
    return lines;
}

// 32 random hex digits.
std::string RandomHex() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
    unsigned char random[16];
    randombytes_buf(random, sizeof random);
    char hex[2 * sizeof random + 1];
    sodium_bin2hex(hex, sizeof hex, random, sizeof random);
    return hex;
}

}  // namespace

std::string Base64Lines(std::string_view bytes) {
    const std::string text = Base64(bytes);
    std::string lines;
    lines.reserve(text.size() + text.size() / kMaxLine * 2 + 2);
    for (std::size_t at = 0; at < text.size(); at += kMaxLine) {
        lines.append(text, at, kMaxLine);
        lines += "\r\n";
    }
    return lines;
}

std::string EncodeHeaderText(std::string_view text, std::size_t firstLineUsed) {
    const std::string line = OneLine(text);
    if (IsPrintableAscii(line) && firstLineUsed + line.size() <= kMaxLine && line.find("=?") == std::string::npos)
        return line;
    constexpr std::size_t kWordOverhead = 12;  // "=?UTF-8?B?" and "?="
    std::string encoded;
    std::string_view rest = line;
    std::size_t used = firstLineUsed;
    while (!rest.empty()) {
        std::size_t room = used + kWordOverhead + 4 < kMaxLine ? (kMaxLine - used - kWordOverhead) / 4 * 3 : 0;
        if (room < 4) {  // no room for a character on this line: start the next
            encoded += "\r\n ";
            used = 1;
            continue;
        }
        const std::size_t cut = Utf8Cut(rest, room);
        const std::string word = "=?UTF-8?B?" + Base64(rest.substr(0, cut)) + "?=";
        rest.remove_prefix(cut);
        encoded += word;
        if (!rest.empty()) {
            encoded += "\r\n ";
            used = 1;
        }
    }
    return encoded;
}

std::string FormatMailDate(std::int64_t unixSeconds) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday], utc.tm_mday,
                  kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string NewMessageId(std::string_view fromAddress) {
    const std::size_t at = fromAddress.rfind('@');
    const std::string_view domain = at == std::string_view::npos ? std::string_view("localhost") : fromAddress.substr(at + 1);
    return "<" + RandomHex() + "@" + OneLine(domain) + ">";
}

bool IsPlausibleMailAddress(std::string_view address) {
    if (address.empty() || address.size() > 254) return false;
    const std::size_t at = address.rfind('@');
    if (at == std::string_view::npos || at == 0 || at > 64 || address.find('@') != at) return false;
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (IsControl(u) || u == ' ' || std::string_view("\"<>()[]\\,;:").find(c) != std::string_view::npos)
            return false;
    }
    const std::string_view domain = address.substr(at + 1);
    const std::size_t dot = domain.find('.');
    return dot != std::string_view::npos && dot > 0 && domain.back() != '.' && domain.find("..") == std::string_view::npos &&
           address.substr(0, at).front() != '.' && address[at - 1] != '.';
}

std::string BuildMimeMessage(const MailMessage& message, const MailEnvelope& envelope) {
    if (!IsPlausibleMailAddress(message.to)) throw std::invalid_argument("not a mail address: " + OneLine(message.to));
    if (!IsPlausibleMailAddress(envelope.from))
        throw std::invalid_argument("not a sender address: " + OneLine(envelope.from));

    std::string from = "<" + envelope.from + ">";
    const std::string name = OneLine(envelope.fromName);
    if (!name.empty()) from = (IsAtomText(name) ? name : EncodeHeaderText(name, 6)) + " " + from;

    std::string mime;
    mime += "From: " + from + "\r\n";
    mime += "To: <" + message.to + ">\r\n";
    mime += "Subject: " + EncodeHeaderText(message.subject, 9) + "\r\n";
    mime += "Date: " + FormatMailDate(envelope.date) + "\r\n";
    mime += "Message-ID: " + OneLine(envelope.messageId) + "\r\n";
    mime += "MIME-Version: 1.0\r\n";
    mime += "Auto-Submitted: auto-generated\r\n";

    const std::string text = "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                             Base64Lines(WithCrlf(message.body));
    if (message.attachmentName.empty()) return mime + text;

    // The boundary cannot occur in base64 text nor in the headers above ('=' and '_' mark it).
    const std::string boundary = "=_zelk_" + RandomHex();
    const std::string file = AttachmentFileName(message.attachmentName);
    // Mail programs that do not read RFC 2231 take the name from an encoded word.
    const std::string legacyName = "\"" + (IsPrintableAscii(file) ? file : "=?UTF-8?B?" + Base64(file) + "?=") + "\"";
    mime += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    mime += "This is a message in MIME format.\r\n";
    mime += "--" + boundary + "\r\n" + text;
    mime += "--" + boundary + "\r\n";
    mime += "Content-Type: application/octet-stream; name=" + legacyName + "\r\n";
    mime += "Content-Transfer-Encoding: base64\r\n";
    mime += "Content-Disposition: attachment;\r\n filename*=UTF-8''" + PercentEncoded(file) + "\r\n\r\n";
    mime += Base64Lines(message.attachment);
    mime += "--" + boundary + "--\r\n";
    return mime;
}
