#include "server/committee_message.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "server/mail_queue.h"
#include "server/text_encoding.h"

namespace {

std::string Trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && blank(text[first])) ++first;
    return text.substr(first);
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

CommitteeMessage CleanCommitteeMessage(std::string subject, std::string text, std::string category) {
    CommitteeMessage message;
    for (const char c : TextAsUtf8(subject))
        message.subject += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    message.subject = Trimmed(message.subject);
    for (const char c : TextAsUtf8(text))
        if (c != '\r' && (static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t') && c != 0x7f)
            message.text += c;
    message.text = Trimmed(message.text);
    message.category = std::move(category);
    return message;
}

std::string CommitteeMessageProblem(const CommitteeMessage& message, Language language) {
    if (message.subject.empty()) return Text("desk.message.no_subject", language);
    if (message.subject.size() > kLongestMessageSubject)
        return Text("desk.message.long_subject", language,
                    {{"count", std::to_string(kLongestMessageSubject)}});
    if (message.text.empty()) return Text("desk.message.no_text", language);
    if (message.text.size() > kLongestMessageText)
        return Text("desk.message.long_text", language, {{"count", std::to_string(kLongestMessageText)}});
    return {};
}

std::vector<MessageRecipient> MessageRecipients(Database& db, const std::string& category) {
    Statement select = db.prepare(
        "SELECT email, call, language FROM submissions WHERE state = 'counted' AND email <> '' AND (?1 = '' "
        "OR "
        "category_entry = ?1) ORDER BY id DESC");
    select.bind(1, category);
    std::vector<MessageRecipient> recipients;
    std::map<std::string, std::size_t> byAddress;
    while (select.step()) {
        const std::string email = select.text(0), call = select.text(1);
        const auto [found, fresh] = byAddress.emplace(Lowered(email), recipients.size());
        if (fresh) {
            recipients.push_back({email, call, ChooseLanguage(select.text(2), "")});
            continue;
        }
        recipients[found->second].calls += ", " + call;
    }
    return recipients;
}

MailMessage ComposeCommitteeMessage(const std::string& contest, const CommitteeMessage& message,
                                    const MessageRecipient& recipient) {
    MailMessage mail;
    mail.to = recipient.email;
    mail.subject = contest + ": " + message.subject;
    mail.body = message.text + "\n\n-- \n" +
                Text("mail.signature", recipient.language, {{"contest", contest}}) + "\n" +
                Text("desk.message_mail.why", recipient.language,
                     {{"contest", contest}, {"calls", recipient.calls}}) +
                "\n";
    return mail;
}

std::size_t QueueCommitteeMessage(SiteStore& store, const std::string& contest,
                                  const CommitteeMessage& message, const std::string& fromAddress,
                                  std::int64_t now, const std::string& who) {
    return store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        std::size_t queued = 0;
        MailQueue queue(db);
        for (const MessageRecipient& recipient : MessageRecipients(db, message.category)) {
            if (!IsPlausibleMailAddress(recipient.email))
                continue;  // taken before the site checked addresses
            queue.enqueue(ComposeCommitteeMessage(contest, message, recipient), now, fromAddress);
            ++queued;
        }
        InsertAudit(db, who, "message to participants",
                    std::to_string(queued) + " e-mails to " +
                        (message.category.empty() ? std::string("every participant")
                                                  : "category " + message.category) +
                        ": " + message.subject);
        transaction.commit();
        return queued;
    });
}
