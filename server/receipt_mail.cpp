#include "server/receipt_mail.h"

#include "server/upload_check.h"

namespace {

// One line of a check's output, made plain text: no line breaks or other control characters.
std::string PlainLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    return line;
}

}  // namespace

MailMessage ComposeReceiptMail(const ReceiptMailFacts& facts, Language language) {
    const auto say = [&](std::string_view key, std::initializer_list<std::pair<std::string_view, std::string>> values = {}) {
        return Text(key, language, values) + "\n";
    };
    const std::string number = std::to_string(facts.number);
    MailMessage mail;
    mail.to = facts.to;
    mail.subject = Text("receipt_mail.subject", language,
                        {{"contest", PlainLine(facts.contest)}, {"call", PlainLine(facts.call)}, {"number", number}});

    std::string& body = mail.body;
    body += say("receipt_mail.greeting", {{"contest", PlainLine(facts.contest)}}) + "\n";
    body += say("receipt_mail.call", {{"call", PlainLine(facts.call)}});
    body += say("receipt_mail.category",
                {{"category", facts.categoryName.empty() ? Text("category.none", language) : PlainLine(facts.categoryName)}});
    body += say("receipt_mail.number", {{"number", number}});
    body += say("receipt_mail.received", {{"time", FormatUnixUtc(facts.receivedAt)}});
    body += say("receipt_mail.file", {{"file", PlainLine(facts.fileName)}, {"size", std::to_string(facts.log.size())}});
    body += say("receipt_mail.sha256", {{"sha256", PlainLine(facts.sha256)}});
    if (facts.deadline) body += say("receipt_mail.deadline", {{"deadline", FormatUnixUtc(*facts.deadline)}});
    body += "\n" + say("receipt_mail.link", {{"link", PlainLine(facts.link)}}) + "\n";

    if (!facts.summaryLines.empty()) {
        body += say("receipt_mail.summary");
        for (const std::string& line : facts.summaryLines) body += "  " + PlainLine(line) + "\n";
        body += "\n";
    }
    if (facts.findings.empty()) {
        body += say("receipt_mail.no_findings");
    } else {
        body += say("receipt_mail.findings", {{"count", std::to_string(facts.findings.size())}});
        for (std::size_t i = 0; i < facts.findings.size() && i < kFindingsInMail; ++i)
            body += "  " + PlainLine(facts.findings[i]) + "\n";
        if (facts.findings.size() > kFindingsInMail)
            body += "  " + say("receipt_mail.more_findings", {{"count", std::to_string(facts.findings.size() - kFindingsInMail)}});
    }
    body += "\n" + say("receipt_mail.attached") + "\n-- \n";
    body += say("mail.signature", {{"contest", PlainLine(facts.contest)}});
    body += say("mail.automatic");

    mail.attachmentName = facts.fileName.empty() ? PlainLine(facts.call) + ".log" : facts.fileName;
    mail.attachment = facts.log;
    return mail;
}

MailMessage ComposeLostLinksMail(const std::string& contest, const std::string& call, const std::string& email,
                                 const std::vector<ReceiptOnFile>& receipts, Language language) {
    MailMessage mail;
    mail.to = email;
    mail.subject = Text("lost_link_mail.subject", language, {{"contest", PlainLine(contest)}, {"call", PlainLine(call)}});
    mail.body = Text("lost_link_mail.intro", language, {{"call", PlainLine(call)}}) + "\n\n";
    for (const ReceiptOnFile& receipt : receipts)
        mail.body += Text("lost_link_mail.receipt", language,
                          {{"number", std::to_string(receipt.number)},
                           {"time", FormatUnixUtc(receipt.receivedAt)},
                           {"link", PlainLine(receipt.link)}}) +
                     "\n\n";
    mail.body += Text("lost_link_mail.not_you", language) + "\n\n-- \n";
    mail.body += Text("mail.signature", language, {{"contest", PlainLine(contest)}}) + "\n";
    mail.body += Text("mail.automatic", language) + "\n";
    return mail;
}
