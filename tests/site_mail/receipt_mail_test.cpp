#include <gtest/gtest.h>

#include "mail_test_support.h"
#include "server/receipt_mail.h"

namespace {

ReceiptMailFacts Facts() {
    ReceiptMailFacts facts;
    facts.contest = "ZELK";
    facts.to = "ur5zz@example.org";
    facts.call = "UR5ZZ";
    facts.categoryName = "Single operator, mixed mode, low power";
    facts.link = "https://zelk.example.org/receipt/0123abcd";
    facts.number = 17;
    facts.receivedAt = 1494018007;
    facts.deadline = 1494622800;
    facts.sha256 = std::string(64, 'a');
    facts.summaryLines = {"QSOs read 302", "QSOs scored 270", "Claimed score 35501"};
    facts.findings = {"line 12: duplicate of line 10", "line 40: district \"KI-99\" unknown"};
    facts.log = AwkwardBytes();
    facts.fileName = "UR5ZZ.cbr";
    return facts;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// The receipt mail, as a participant's mail program shows it, in each language.
TEST(ReceiptMail, TellsTheReceiptAndCarriesTheLogAsSent) {
    struct Case {
        Language language;
        std::string subject;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {Language::english,
         "ZELK: log of UR5ZZ received, receipt No. 17",
         {"Call: UR5ZZ", "Category: Single operator, mixed mode, low power", "Receipt number: 17",
          "Received: 2017-05-05 21:00:07 UTC", "File: UR5ZZ.cbr (" + std::to_string(AwkwardBytes().size()) + " bytes)",
          "SHA-256 of the file: " + std::string(64, 'a'), "Deadline for logs: 2017-05-12 21:00:00 UTC",
          "https://zelk.example.org/receipt/0123abcd", "  QSOs scored 270", "Findings (2):",
          "  line 40: district \"KI-99\" unknown"}},
        {Language::ukrainian,
         "ZELK: звіт UR5ZZ отримано, квитанція № 17",
         {"Позивний: UR5ZZ", "Номер квитанції: 17", "Отримано: 2017-05-05 21:00:07 UTC",
          "https://zelk.example.org/receipt/0123abcd", "Зауваження (2):", "Суддівська колегія змагань ZELK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(LanguageCode(c.language)));
        const MailMessage mail = ComposeReceiptMail(Facts(), c.language);
        EXPECT_EQ(mail.to, "ur5zz@example.org");
        const nlohmann::json read =
            ReadMailWithPython(BuildMimeMessage(mail, {"zelk@example.org", "ZELK", 1494018008, "<1@example.org>"}));
        EXPECT_EQ(read["subject"], c.subject);
        const std::string text = read["text"];
        for (const std::string& line : c.lines) EXPECT_TRUE(Contains(text, line + "\n")) << line << "\n---\n" << text;
        ASSERT_EQ(read["attachments"].size(), 1u);
        EXPECT_EQ(read["attachments"][0]["name"], "UR5ZZ.cbr");
        EXPECT_EQ(read["attachments"][0]["hex"], Hex(AwkwardBytes()));
    }
}

TEST(ReceiptMail, ListsTheFirstFindingsAndCountsTheRest) {
    ReceiptMailFacts facts = Facts();
    facts.findings.clear();
    for (std::size_t i = 1; i <= kFindingsInMail + 5; ++i) facts.findings.push_back("finding " + std::to_string(i));
    facts.findings[0] = "line 1: a\r\nBcc: x@example.com";
    const MailMessage mail = ComposeReceiptMail(facts, Language::english);
    EXPECT_TRUE(Contains(mail.body, "  finding 100\n"));
    EXPECT_FALSE(Contains(mail.body, "finding 101"));
    EXPECT_TRUE(Contains(mail.body, "... and 5 more"));
    EXPECT_TRUE(Contains(mail.body, "  line 1: a  Bcc: x@example.com\n")) << "a finding's line break reached the mail";

    facts.findings.clear();
    facts.categoryName.clear();
    facts.deadline.reset();
    facts.fileName.clear();
    const MailMessage plain = ComposeReceiptMail(facts, Language::ukrainian);
    EXPECT_TRUE(Contains(plain.body, "Перевірка не виявила зауважень."));
    EXPECT_TRUE(Contains(plain.body, "Категорія: не вказано\n"));
    EXPECT_FALSE(Contains(plain.body, "Кінцевий термін"));
    EXPECT_EQ(plain.attachmentName, "UR5ZZ.log");
}

TEST(LostLinksMail, ListsEachReceiptWithItsLink) {
    const std::vector<ReceiptOnFile> receipts = {{"ur5zz@example.org", "https://zelk.example.org/receipt/a", 3, 1494018007},
                                                 {"ur5zz@example.org", "https://zelk.example.org/receipt/b", 7, 1494021600}};
    const MailMessage mail = ComposeLostLinksMail("ZELK", "UR5ZZ", "ur5zz@example.org", receipts, Language::ukrainian);
    EXPECT_EQ(mail.to, "ur5zz@example.org");
    EXPECT_EQ(mail.subject, "ZELK: посилання на ваші квитанції для UR5ZZ");
    EXPECT_TRUE(Contains(mail.body, "№ 3, отримано 2017-05-05 21:00:07 UTC:\nhttps://zelk.example.org/receipt/a\n"));
    EXPECT_TRUE(Contains(mail.body, "№ 7, отримано 2017-05-05 22:00:00 UTC:\nhttps://zelk.example.org/receipt/b\n"));
    EXPECT_TRUE(mail.attachmentName.empty());
}
