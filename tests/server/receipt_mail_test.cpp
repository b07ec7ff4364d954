#include <nlohmann/json.hpp>

#include "site_fixture.h"
#include "site_mail/mail_test_support.h"
#include "tools/mail_sink/smtp_sink.h"

using nlohmann::json;

namespace {

const std::string kLog = CabrilloLog("UT5ZZ",
                                     "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"
                                     "QSO:  7050 PH 2017-05-05 2110 UT5ZZ 59  KI01 UR7QM  59  KR02\n");

std::function<void(SiteConfig&)> RelayAt(int port, std::string publicUrl = "https://logs.example.org") {
    return [port, publicUrl](SiteConfig& config) {
        config.smtp.url = "smtp://127.0.0.1:" + std::to_string(port);
        config.mailSender.fromAddress = "zelk@example.org";
        config.mailSender.fromName = "ZELK committee";
        config.mailSender.firstRetrySeconds = 1;
        config.mailSender.maxRetrySeconds = 1;
        config.publicUrl = publicUrl;
    };
}

httplib::Result UploadFile(const httplib::Client& constClient, const std::string& bytes, const std::string& fileName,
                           const std::string& email, httplib::Headers headers = {}) {
    auto& client = const_cast<httplib::Client&>(constClient);
    return client.Post("/api/logs", headers,
                       httplib::MultipartFormDataItems{{"log", bytes, fileName, "application/octet-stream"},
                                                       {"email", email, "", ""}});
}

std::string ReceiptSecret(const httplib::Result& res) {
    const std::string link = json::parse(res->body)["receipt"];
    return link.substr(link.rfind('/') + 1);
}

}  // namespace

// The receipt reaches the address given, with everything the page shows and the log attached as sent.
TEST(ReceiptMail, ArrivesAtTheRelayWithTheLogAttachedAsSent) {
    SmtpSink relay;
    RunningSite site(RelayAt(relay.port()));
    const std::string sent = kLog + std::string("\xca\xe8\0 odd bytes\r\n.\r\n", 17);
    auto res = UploadFile(site.client(), sent, "ut5zz-2017.log", "op@example.org");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 201) << res->body;
    const auto mails = relay.waitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].from, "zelk@example.org");
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"op@example.org"});
    const json mail = ReadMailWithPython(mails[0].data);
    ASSERT_TRUE(mail.is_object());
    EXPECT_TRUE(mail["defects"].empty()) << mail.dump();
    const std::string text = mail["text"];
    const json answer = json::parse(res->body);
    EXPECT_NE(text.find("https://logs.example.org/receipt/" + ReceiptSecret(res)), std::string::npos) << text;
    EXPECT_NE(text.find(answer["sha256"].get<std::string>()), std::string::npos) << text;
    EXPECT_NE(text.find(answer["received"].get<std::string>()), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(answer["submission"].get<int>())), std::string::npos) << text;
    EXPECT_NE(text.find("UT5ZZ"), std::string::npos) << text;
    ASSERT_EQ(mail["attachments"].size(), 1u);
    EXPECT_EQ(mail["attachments"][0]["name"], "ut5zz-2017.log");
    EXPECT_EQ(mail["attachments"][0]["hex"], Hex(sent)) << "the log was not attached as it was sent";
}

// Without --public-url the link is the request's own host; the browser's language picks the mail's;
// a pending upload (no receipt shown) is e-mailed too; no address, no mail.
TEST(ReceiptMail, LinkFromTheHostLanguageFromTheBrowserPendingUploadsToo) {
    SmtpSink relay;
    RunningSite site(RelayAt(relay.port(), ""));
    ASSERT_EQ(UploadFile(site.client(), kLog, "a.cbr", "")->status, 201);
    auto pending = UploadFile(site.client(), kLog, "b.cbr", "rival@example.org", {{"Accept-Language", "uk-UA,uk;q=0.9"}});
    ASSERT_EQ(pending->status, 202) << pending->body;
    const auto mails = relay.waitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"rival@example.org"});
    const json mail = ReadMailWithPython(mails[0].data);
    const std::string text = mail["text"];
    EXPECT_NE(text.find("http://127.0.0.1:" + std::to_string(site.port) + "/receipt/" + ReceiptSecret(pending)),
              std::string::npos)
        << text;
    EXPECT_NE(mail["subject"].get<std::string>().find("квитанція"), std::string::npos) << "not in Ukrainian: " << mail.dump();
}

// A relay that is down delays the mail, never the receipt; the mail goes once the relay is up.
TEST(ReceiptMail, RelayDownDelaysTheMailAndLosesNone) {
    const int port = FreePort();
    RunningSite site(RelayAt(port));
    auto res = UploadFile(site.client(), kLog, "late.cbr", "op@example.org");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 201) << res->body;
    EXPECT_EQ(site.client().Get("/receipt/" + ReceiptSecret(res))->status, 200);
    ASSERT_TRUE(WaitFor([&] {
        return site.server->store().withDatabase([](Database& db) { return MailQueue(db).counts().retrying; }) == 1;
    })) << "the first attempt was not recorded";

    SmtpSink relay(port);
    const auto mails = relay.waitForMails(1, std::chrono::seconds(30));
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"op@example.org"});
}

// An address a relay would refuse is refused with the upload, before anything is kept.
TEST(ReceiptMail, UnusableAddressRefusedBeforeAnythingIsKept) {
    RunningSite site;
    for (const std::string address : {"op@localhost", "a b@example.org", "op@example.org\r\nBcc: x@example.org"}) {
        SCOPED_TRACE(address);
        auto res = UploadFile(site.client(), kLog, "x.cbr", address);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 422) << res->body;
    }
    EXPECT_TRUE(json::parse(site.client().Get("/api/received")->body)["logs"].empty());
}

// Without a relay the receipt's mail waits in the queue and the committee is told.
TEST(ReceiptMail, WithoutARelayMailWaitsAndTheCommitteeIsTold) {
    RunningSite site;
    ASSERT_EQ(UploadFile(site.client(), kLog, "x.cbr", "op@example.org")->status, 201);
    EXPECT_EQ(site.server->store().withDatabase([](Database& db) { return MailQueue(db).counts().waiting; }), 1);
    const auto session = site.login();
    const std::string page = site.client().Get("/committee", session.headers)->body;
    EXPECT_NE(page.find("1 e-mails are waiting"), std::string::npos) << page;
}

// The receipt page shows what its sender needs to check it: the deadline and the time left, the
// address the mail went to, the file's name, the whole link, and why the QSO figures differ.
TEST(ReceiptPage, ShowsDeadlineAddressFileNameWholeLinkAndTheQsoFigures) {
    RunningSite site([](SiteConfig& config) { config.publicUrl = "https://logs.example.org/"; });
    auto res = UploadFile(site.client(), kLog, "my <log>.cbr", "op@example.org");
    ASSERT_EQ(res->status, 201) << res->body;
    const std::string secret = ReceiptSecret(res);
    EXPECT_EQ(json::parse(res->body)["receiptUrl"], "https://logs.example.org/receipt/" + secret);
    const std::string page = site.client().Get("/receipt/" + secret)->body;
    for (const std::string seen : {std::string("Log deadline"), std::string(" left: until then"), std::string("op@example.org"),
                                   std::string("my &lt;log&gt;.cbr"), "https://logs.example.org/receipt/" + secret,
                                   std::string("QSOs read: the QSO lines"), std::string("QSOs scored")})
        EXPECT_NE(page.find(seen), std::string::npos) << seen;
    EXPECT_EQ(page.find("my <log>"), std::string::npos) << "the file name was not escaped";
}

// A lost receipt link: the address on file gets a fresh link that opens the receipt (the first link
// still works); the page answers alike for a call that never sent a log; the requests are throttled.
TEST(LostLink, SendsFreshLinksToTheAddressOnFileAndTellsNothingAboutTheCall) {
    SmtpSink relay;
    RunningSite site(RelayAt(relay.port()));
    auto first = UploadFile(site.client(), kLog, "a.cbr", "op@example.org");
    ASSERT_EQ(first->status, 201);
    ASSERT_EQ(relay.waitForMails(1).size(), 1u);  // the receipt itself

    const auto ask = [&](const std::string& call) {
        auto res = site.client().Post("/lost-link", httplib::Params{{"call", call}});
        EXPECT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        return res->body;
    };
    const std::string known = ask(" ut5zz ");
    const auto mails = relay.waitForMails(2);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[1].recipients, std::vector<std::string>{"op@example.org"});
    const std::string text = ReadMailWithPython(mails[1].data)["text"];
    const std::string prefix = "https://logs.example.org/receipt/";
    const std::size_t at = text.find(prefix);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string secret = text.substr(at + prefix.size(), 64);
    EXPECT_NE(secret, ReceiptSecret(first)) << "the first secret is never kept, so never sent";
    const auto fresh = site.client().Get("/receipt/" + secret);
    ASSERT_EQ(fresh->status, 200);
    EXPECT_NE(fresh->body.find("Receipt for UT5ZZ"), std::string::npos);
    EXPECT_EQ(site.client().Get("/receipt/" + ReceiptSecret(first))->status, 200);

    std::string unknown = ask("UR9NONE");
    const auto sameAnswer = [](std::string page, const std::string& call) {
        return page.replace(page.find(call), call.size(), "CALL");
    };
    EXPECT_EQ(sameAnswer(known, "UT5ZZ"), sameAnswer(unknown, "UR9NONE")) << "the answer tells whether the call sent a log";
    EXPECT_EQ(relay.mails().size(), 2u) << "a mail for a call without logs";

    ask("UT5ZZ");
    ask("UT5ZZ");  // the third request for the call in the hour
    EXPECT_NE(ask("UT5ZZ").find("Too many requests"), std::string::npos);
    EXPECT_EQ(relay.waitForMails(4).size(), 4u);
}
