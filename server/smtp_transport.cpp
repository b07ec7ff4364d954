#include "server/smtp_transport.h"

#include <curl/curl.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

void StartCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct UploadCursor {
    const std::string* text;
    std::size_t at = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* cursor = static_cast<UploadCursor*>(user);
    const std::size_t n = std::min(size * count, cursor->text->size() - cursor->at);
    std::memcpy(buffer, cursor->text->data() + cursor->at, n);
    cursor->at += n;
    return n;
}

// The SMTP conversation as far as the verdict needs it: the relay's first refusal (4xx or 5xx)
// and the command it answered. (After a refusal libcurl says QUIT, whose answer tells nothing.)
struct Conversation {
    std::string lastCommand;     // "EHLO", "AUTH", "MAIL", "RCPT", "DATA", ...
    std::string refusedCommand;  // the command the first refusal answered
    std::string refusal;         // that refusal's last line, without its line end
};

int TraceConversation(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* conversation = static_cast<Conversation*>(user);
    std::string_view text(data, size);
    if (type == CURLINFO_HEADER_OUT) {
        conversation->lastCommand = std::string(text.substr(0, std::min(text.find_first_of(" \r\n"), text.size())));
    } else if (type == CURLINFO_HEADER_IN && conversation->refusal.empty() && !text.empty() &&
               (text[0] == '4' || text[0] == '5')) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        conversation->refusal = std::string(text.substr(0, 200));
        conversation->refusedCommand = conversation->lastCommand;
    }
    return 0;
}

int StopWhenCancelled(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

}  // namespace

bool IsSmtpUrl(const std::string& url) {
    const auto hasHost = [&](std::size_t schemeLength) {
        return url.size() > schemeLength && url.find_first_of(" \r\n\t", 0) == std::string::npos;
    };
    return (url.rfind("smtp://", 0) == 0 && hasHost(7)) || (url.rfind("smtps://", 0) == 0 && hasHost(8));
}

CurlSmtpTransport::CurlSmtpTransport(SmtpSettings settings) : m_settings(std::move(settings)) { StartCurl(); }

SendResult CurlSmtpTransport::send(const std::string& from, const std::string& to, const std::string& mime) {
    if (m_cancelled) return {SendResult::Outcome::temporaryFailure, "cancelled: the site is stopping"};
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) return {SendResult::Outcome::temporaryFailure, "cannot start libcurl"};
    const std::string mailFrom = "<" + from + ">";
    std::unique_ptr<curl_slist, SlistCleanup> recipients(curl_slist_append(nullptr, ("<" + to + ">").c_str()));
    if (!recipients) return {SendResult::Outcome::temporaryFailure, "out of memory"};
    UploadCursor cursor{&mime};
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, m_settings.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, mailFrom.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(c, CURLOPT_READDATA, &cursor);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(mime.size()));
    curl_easy_setopt(c, CURLOPT_USE_SSL, m_settings.requireStartTls ? CURLUSESSL_ALL : CURLUSESSL_TRY);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, m_settings.connectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, m_settings.timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, StopWhenCancelled);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &m_cancelled);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    Conversation conversation;
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, TraceConversation);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &conversation);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the trace goes to TraceConversation, not stderr
    if (!m_settings.user.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, m_settings.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, m_settings.password.c_str());
    }

    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK) return {};
    std::string error = errorText[0] ? errorText : curl_easy_strerror(code);
    const std::string& reply = conversation.refusal;
    if (!reply.empty()) error += "; the relay said: " + reply;
    // Only a 5xx answer to this message's sender, recipient or text (DATA and the text's end) is
    // final. A 5xx to the greeting, EHLO or the login is the relay's setup, which the committee
    // can mend: the message waits.
    const std::string& step = conversation.refusedCommand;
    const bool aboutThisMessage = step == "MAIL" || step == "RCPT" || step == "DATA";
    const bool permanent = reply.size() >= 3 && reply[0] == '5' && aboutThisMessage && code != CURLE_LOGIN_DENIED;
    return {permanent ? SendResult::Outcome::permanentFailure : SendResult::Outcome::temporaryFailure, error};
}
