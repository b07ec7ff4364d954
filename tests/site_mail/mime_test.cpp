#include <gtest/gtest.h>

#include <sstream>

#include "mail_test_support.h"
#include "server/mail_message.h"

namespace {

const MailEnvelope kEnvelope{"zelk@example.org", "Комісія ZELK", 1494018007, "<abc123@example.org>"};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

}  // namespace

// What a mail program shows must be what the site meant, whatever the subject, text and file.
TEST(MimeMessage, ReadsBackAsSentInAnyMailProgram) {
    struct Case {
        const char* what;
        MailMessage message;
        std::string expectedSubject;
        std::string expectedFileName;
    };
    const std::string longUkrainian =
        "ZELK: звіт UR5ZZ отримано, квитанція № 17 — перевірка пройшла без зауважень, дякуємо за участь у змаганнях";
    const std::vector<Case> cases = {
        {"plain ASCII", {"ur5zz@example.org", "Log received", "Thanks.\n", "", ""}, "Log received", ""},
        {"long Ukrainian subject, split between characters",
         {"ur5zz@example.org", longUkrainian, "Ваш звіт отримано.\nДякуємо!\n", "", ""}, longUkrainian, ""},
        {"a line break in the subject adds no header",
         {"ur5zz@example.org", "Hello\r\nBcc: victim@example.com", "x", "", ""}, "Hello  Bcc: victim@example.com", ""},
        {"an encoded word's look-alike in the subject stays text",
         {"ur5zz@example.org", "=?UTF-8?B?SGk=?=", "x", "", ""}, "=?UTF-8?B?SGk=?=", ""},
        {"binary attachment with an ASCII name", {"ur5zz@example.org", "Log", "see file", "ur5zz.cbr", AwkwardBytes()},
         "Log", "ur5zz.cbr"},
        {"Ukrainian file name", {"ur5zz@example.org", "Log", "see file", "звіт UR5ZZ.cbr", "QSO: 1\r\n"}, "Log",
         "звіт UR5ZZ.cbr"},
        {"the sender's folders are not the file's name",
         {"ur5zz@example.org", "Log", "x", "C:\\Logs\\\"2017\"\\ur5zz.log", "x"}, "Log", "ur5zz.log"},
        {"a name of folders only", {"ur5zz@example.org", "Log", "x", "/tmp/", "x"}, "Log", "log.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string mime = BuildMimeMessage(c.message, kEnvelope);
        for (const std::string& line : Lines(mime)) {
            EXPECT_LE(line.size(), 998u);
            for (const char ch : line) ASSERT_TRUE(static_cast<unsigned char>(ch) < 0x80) << line;
        }
        EXPECT_EQ(mime.find("\nBcc:"), std::string::npos);
        const nlohmann::json read = ReadMailWithPython(mime);
        ASSERT_TRUE(read.is_object());
        EXPECT_EQ(read["defects"].size(), 0u) << read["defects"];
        EXPECT_EQ(read["subject"], c.expectedSubject);
        EXPECT_EQ(read["to"], "ur5zz@example.org");
        EXPECT_EQ(read["from"], "Комісія ZELK <zelk@example.org>");
        EXPECT_EQ(read["date"], "Fri, 05 May 2017 21:00:07 +0000");
        EXPECT_EQ(read["message_id"], "<abc123@example.org>");
        std::string text = c.message.body;
        for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
        if (text.back() != '\n') text += '\n';
        EXPECT_EQ(read["text"], text);
        if (c.expectedFileName.empty()) {
            EXPECT_EQ(read["attachments"].size(), 0u);
        } else {
            ASSERT_EQ(read["attachments"].size(), 1u);
            EXPECT_EQ(read["attachments"][0]["name"], c.expectedFileName);
            EXPECT_EQ(read["attachments"][0]["hex"], Hex(c.message.attachment));
        }
    }
}

TEST(MimeMessage, HeaderWordsFitTheLine) {
    const std::string subject(300, 'x');
    const std::string encoded = EncodeHeaderText(subject + "ї", 9);
    std::size_t first = true;
    for (const std::string& line : Lines(encoded + "\r\n")) {
        EXPECT_LE(line.size() + (first ? 9 : 0), 76u) << line;
        first = false;
    }
}

TEST(MimeMessage, RefusesAnAddressARelayCouldMisread) {
    const std::vector<std::pair<std::string, bool>> addresses = {
        {"ur5zz@example.org", true},
        {"first.last+zelk@mail.example.com.ua", true},
        {"", false},
        {"ur5zz", false},
        {"ur5zz@localhost", false},
        {"@example.org", false},
        {"ur5zz@@example.org", false},
        {"a@b@example.org", false},
        {"ur5zz@example.org>\r\nRCPT TO:<x@y.org", false},
        {"ur5zz@example.org,x@y.org", false},
        {"ur 5zz@example.org", false},
        {"<ur5zz@example.org>", false},
        {"ur5zz.@example.org", false},
        {"ur5zz@example..org", false},
        {"ur5zz@example.org.", false},
        {std::string(65, 'a') + "@example.org", false},
        {"a@" + std::string(250, 'b') + ".org", false},
    };
    for (const auto& [address, plausible] : addresses) EXPECT_EQ(IsPlausibleMailAddress(address), plausible) << address;
    EXPECT_THROW(BuildMimeMessage({"x@y.org\r\nBcc: z@y.org", "s", "b", "", ""}, kEnvelope), std::invalid_argument);
}
