#include <nlohmann/json.hpp>

#include <regex>
#include <set>

#include "server/language_switch.h"
#include "site_fixture.h"
#include "site_mail/mail_test_support.h"
#include "tools/mail_sink/smtp_sink.h"

using nlohmann::json;

namespace {

const std::string kLog = CabrilloLog("UT5ZZ", "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n",
                                     "CATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: CW");

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The page's language as its lang attribute and its frame say it.
std::string LanguageOf(const std::string& page) {
    const bool uk = Has(page, "<html lang=\"uk\">") && Has(page, "Надіслати звіт") && !Has(page, "Upload a log");
    const bool en = Has(page, "<html lang=\"en\">") && Has(page, "Upload a log") && !Has(page, "Надіслати звіт");
    return uk == en ? "mixed" : uk ? "uk" : "en";
}

// A text key on the page where its text should be: a key the catalog lacks shows as itself.
std::string KeyShownIn(const std::string& page) {
    const std::string text = std::regex_replace(page, std::regex("<[^>]*>"), " ");
    std::set<std::string> groups;
    for (const CatalogText& entry : SiteTexts()) groups.insert(std::string(entry.key.substr(0, entry.key.find('.'))));
    std::string alternatives;
    for (const std::string& group : groups) alternatives += (alternatives.empty() ? "" : "|") + group;
    std::smatch key;
    return std::regex_search(text, key, std::regex("\\b(" + alternatives + ")\\.[a-z_]+")) ? key.str() : "";
}

std::string SecretOf(const std::string& body) {
    const std::string link = json::parse(body)["receipt"];
    return link.substr(link.rfind('/') + 1);
}

}  // namespace

// Every participant page answers in the remembered choice, else the browser's language, else English;
// a cookie or header that is long or odd never breaks a page.
TEST(PageLanguage, EveryParticipantPageFollowsCookieThenBrowser) {
    RunningSite site;
    auto upload = UploadLog(site.client(), kLog);
    ASSERT_EQ(upload->status, 201);
    const std::string receipt = "/receipt/" + SecretOf(upload->body);
    struct Case {
        std::string cookie, acceptLanguage, expected;
    };
    const std::vector<Case> cases = {
        {"", "", "en"},
        {"", "uk-UA,uk;q=0.9,en;q=0.8", "uk"},
        {"", "en-GB,uk;q=0.5", "en"},
        {"lang=uk", "en-US", "uk"},
        {"other=1; lang=en", "uk", "en"},
        {"lang=" + std::string(6000, 'u'), "uk", "uk"},  // an unknown remembered value: the browser's choice
        {"lang=uk\x01", "de", "en"},
        {"", std::string(3000, ';') + "uk", "en"},
        {"", "*;q=1, uk;q=0.0001", "uk"},
        {"", "uk;q=NaN, en;q=inf", "en"},
    };
    for (const std::string path : {std::string("/"), std::string("/received"), std::string("/lost-link"), std::string("/results/"),
                                   receipt, std::string("/no/such/page"), std::string("/receipt/") + std::string(64, 'f')}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(path + " cookie " + c.cookie.substr(0, 20) + " accept " + c.acceptLanguage.substr(0, 30));
            httplib::Headers headers;
            if (!c.cookie.empty()) headers.emplace("Cookie", c.cookie);
            if (!c.acceptLanguage.empty()) headers.emplace("Accept-Language", c.acceptLanguage);
            auto res = site.client().Get(path.c_str(), headers);
            ASSERT_TRUE(res);
            EXPECT_EQ(LanguageOf(res->body), c.expected);
            EXPECT_EQ(KeyShownIn(res->body), "");
        }
    }
    const std::string ukrainian = site.client().Get(receipt.c_str(), {{"Cookie", "lang=uk"}})->body;
    for (const std::string seen : {"Квитанція для UT5ZZ", "Позивний", "Кінцевий термін подання звітів", "Надіслати виправлений звіт",
                                   "Один оператор"})
        EXPECT_TRUE(Has(ukrainian, seen)) << seen;
}

// The switch remembers the choice and returns to the page it was made on, but only to a path of
// this site: nothing an attacker gives as `back` leads elsewhere or reaches the answer's headers.
TEST(LanguageSwitch, RemembersTheChoiceAndReturnsOnlyToThisSite) {
    RunningSite site;
    auto c = site.client();
    auto res = c.Get("/language/uk?back=/received");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 303);
    EXPECT_EQ(res->get_header_value("Location"), "/received");
    const std::string cookie = res->get_header_value("Set-Cookie");
    EXPECT_TRUE(cookie.starts_with("lang=uk; Path=/; Max-Age=")) << cookie;
    EXPECT_EQ(LanguageOf(c.Get("/received", {{"Cookie", cookie.substr(0, cookie.find(';'))}, {"Accept-Language", "en"}})->body), "uk");
    EXPECT_TRUE(c.Get("/language/en")->get_header_value("Set-Cookie").starts_with("lang=en;"));
    EXPECT_EQ(c.Get("/language/de?back=/")->status, 404);
    EXPECT_EQ(c.Get("/received")->get_header_value("Vary"), "Accept-Language, Cookie");

    const std::vector<std::pair<std::string, std::string>> backs = {
        {"%2Freceipt%2F0a1b", "/receipt/0a1b"},
        {"/results/", "/results/"},
        {"//evil.example/x", "/"},
        {"https://evil.example/", "/"},
        {"/%5C%5Cevil.example", "/"},
        {"/\\evil.example", "/"},
        {"evil.example", "/"},
        {"javascript:alert(1)", "/"},
        {"/%0D%0ASet-Cookie:%20session=stolen", "/"},
        {"/%0ALocation:%20https://evil.example", "/"},
        {"/received%00.html", "/"},
        {"%2Fa%3Fb%3D1", "/"},
        {"/a\"onmouseover=x", "/"},
        {"/" + std::string(5000, 'a'), "/"},
        {"", "/"},
    };
    for (const auto& [back, expected] : backs) {
        SCOPED_TRACE(back.substr(0, 60));
        auto answer = c.Get(("/language/en?back=" + back).c_str());
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 303);
        EXPECT_EQ(answer->get_header_value("Location"), expected);
        EXPECT_EQ(answer->get_header_value_count("Set-Cookie"), 1u);
        EXPECT_FALSE(Has(answer->get_header_value("Set-Cookie"), "stolen"));
    }
    // The switch of every page leads back to that page, escaped for the attribute.
    EXPECT_TRUE(Has(c.Get("/lost-link")->body, "href=\"/language/uk?back=/lost-link\""));
    EXPECT_TRUE(Has(c.Get("/received", {{"Cookie", "lang=uk"}})->body, "href=\"/language/en?back=/received\""));
}

TEST(LanguageSwitch, LocalPathOrKeepsOnlyPathsOfThisSite) {
    EXPECT_EQ(LocalPathOr("/receipt/ab-12_c.d"), "/receipt/ab-12_c.d");
    for (const std::string hostile : {"//x", "/\\x", "/x\r\nA: b", "http://x", "/x y", "/x#y", "/x?y", "x/"})
        EXPECT_EQ(LocalPathOr(hostile), "/") << hostile;
    EXPECT_EQ(LanguageSwitchLink(Language::ukrainian, "//evil"), "/language/uk?back=/");
}

// The receipt mail goes in the language of the upload's page (the store keeps it with the upload),
// whatever language its sender reads in later; the lost-link mail in the asker's language; the
// refusal page in the uploader's language while the API keeps English.
TEST(MailLanguage, ReceiptInTheUploadsLanguageLostLinkInTheAskersLanguage) {
    SmtpSink relay;
    RunningSite site([&](SiteConfig& config) {
        config.smtp.url = "smtp://127.0.0.1:" + std::to_string(relay.port());
        config.mailSender.fromAddress = "zelk@example.org";
        config.publicUrl = "https://logs.example.org";
    });
    auto c = site.client();
    auto ukrainian = c.Post("/upload", {{"Cookie", "lang=uk"}, {"Accept-Language", "en"}},
                            httplib::MultipartFormDataItems{{"log", kLog, "ut5zz.cbr", "application/octet-stream"},
                                                            {"email", "op@example.org", "", ""}});
    ASSERT_EQ(ukrainian->status, 201);
    EXPECT_EQ(LanguageOf(ukrainian->body), "uk");
    EXPECT_TRUE(Has(ukrainian->body, "Ваш звіт отримано й збережено"));
    auto mails = relay.waitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    json mail = ReadMailWithPython(mails[0].data);
    EXPECT_TRUE(Has(mail["subject"], "квитанція")) << mail.dump();
    EXPECT_TRUE(Has(mail["text"], "Позивний: UT5ZZ")) << mail.dump();
    EXPECT_TRUE(Has(mail["text"], "Категорія: Один оператор")) << mail.dump();
    EXPECT_EQ(site.server->store().submission(1)->language, "uk");

    auto english = UploadLog(c, CabrilloLog("UR7QM", "QSO:  3520 CW 2017-05-05 2100 UR7QM 599 KR02 DL1ABC 599 001\n"));
    ASSERT_EQ(english->status, 201);
    mails = relay.waitForMails(2);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_TRUE(Has(ReadMailWithPython(mails[1].data)["subject"], "received, receipt No."));
    EXPECT_EQ(site.server->store().submission(2)->language, "en");

    ASSERT_EQ(c.Post("/lost-link", {{"Accept-Language", "uk"}}, "call=UR7QM", "application/x-www-form-urlencoded")->status, 200);
    mails = relay.waitForMails(3);
    ASSERT_EQ(mails.size(), 3u);
    mail = ReadMailWithPython(mails[2].data);
    EXPECT_TRUE(Has(mail["subject"], "посилання на ваші квитанції")) << mail.dump();

    auto refused = c.Post("/upload", {{"Accept-Language", "uk"}},
                          httplib::MultipartFormDataItems{{"log", "", "empty.cbr", "application/octet-stream"}});
    EXPECT_EQ(refused->status, 400);
    EXPECT_TRUE(Has(refused->body, "Звіт не надано")) << refused->body;
    auto api = c.Post("/api/logs", {{"Accept-Language", "uk"}},
                      httplib::MultipartFormDataItems{{"log", "", "empty.cbr", "application/octet-stream"}});
    EXPECT_EQ(json::parse(api->body)["error"], "No log was given");
}
