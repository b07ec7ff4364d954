#include <nlohmann/json.hpp>

#include <atomic>
#include <set>

#include "server/contest_setup.h"
#include "site_fixture.h"
#include "site_mail/mail_test_support.h"
#include "tools/mail_sink/smtp_sink.h"

using nlohmann::json;

namespace {

// A log of `call` with `qsos` QSOs (its claimed score grows with them).
std::string LogWith(const std::string& call, int qsos,
                    const std::string& categoryLines = "CATEGORY-OPERATOR: SINGLE-OP") {
    static const char* const kWorked[] = {"DL1ABC 599 001", "UR7QM  599 KR02", "OK2XZ  599 014",
                                          "SP9QQ  599 021"};
    std::string lines;
    for (int i = 0; i < qsos; ++i)
        lines += "QSO:  3520 CW 2017-05-05 21" + std::string(i < 5 ? "0" : "") + std::to_string(i * 2) + " " +
                 call + " 599 KI01 " + kWorked[i % 4] + "\n";
    return CabrilloLog(call, lines, categoryLines);
}

httplib::Result Upload(const RunningSite& site, const std::string& log, const std::string& category,
                       const std::string& email, const std::string& fileName = "log.cbr",
                       const std::string& receipt = {}) {
    auto c = site.client();
    httplib::MultipartFormDataItems items{{"log", log, fileName, "application/octet-stream"},
                                          {"category", category, "", ""},
                                          {"email", email, "", ""}};
    if (!receipt.empty()) items.push_back({"receipt", receipt, "", ""});
    return c.Post("/api/logs", items);
}

// A form as the committee's pages send their long ones (multipart: a text field may pass 8 KB).
httplib::Result PostForm(httplib::Client& c, const std::string& path, const httplib::Headers& headers,
                         const httplib::Params& fields) {
    httplib::MultipartFormDataItems items;
    for (const auto& [name, value] : fields) items.push_back({name, value, "", ""});
    return c.Post(path.c_str(), headers, items);
}

std::vector<std::string> CallsOf(const json& answer) {
    std::vector<std::string> calls;
    for (const json& s : answer["submissions"]) calls.push_back(s["call"]);
    return calls;
}

// Five calls in two categories, a corrected log (its first upload replaced) and a pending upload.
struct SearchSite {
    RunningSite site;
    httplib::Headers bearer;
    SearchSite() {
        EXPECT_EQ(Upload(site, LogWith("UT5ZZ", 4), "SO-CW-LOW", "zz@example.org")->status, 201);
        EXPECT_EQ(Upload(site, LogWith("UR7QM", 1), "SO-CW-LOW", "qm@example.org")->status, 201);
        const auto first = Upload(site, LogWith("DL1ABC", 2), "SO-MIXED-HIGH", "abc@example.org");
        EXPECT_EQ(Upload(site, LogWith("UT5ZY", 3), "SO-MIXED-HIGH", "zy@example.org")->status, 201);
        EXPECT_EQ(Upload(site, LogWith("OK2XZ", 2), "", "")->status, 201);
        const std::string receipt = json::parse(first->body)["receipt"];
        EXPECT_EQ(Upload(site, LogWith("DL1ABC", 3), "SO-MIXED-HIGH", "abc@example.org", "log.cbr", receipt)
                      ->status,
                  201);
        EXPECT_EQ(Upload(site, LogWith("UT5ZZ", 1), "SO-CW-LOW", "rival@example.org")->status,
                  202);  // pending
        bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    }
    json search(const std::string& query) {
        auto res = site.client().Get(("/api/committee/submissions?" + query).c_str(), bearer);
        EXPECT_EQ(res->status, 200) << query;
        return json::parse(res->body);
    }
};

}  // namespace

TEST(CommitteeDesk, SearchFiltersSortsAndPagesOnTheServer) {
    SearchSite s;
    struct Case {
        const char* query;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"", {"UT5ZZ", "DL1ABC", "OK2XZ", "UT5ZY", "DL1ABC", "UR7QM", "UT5ZZ"}},  // newest first
        {"call=ut5z", {"UT5ZZ", "UT5ZY", "UT5ZZ"}},
        {"call=ut5z&state=counted", {"UT5ZY", "UT5ZZ"}},
        {"state=pending", {"UT5ZZ"}},
        {"state=replaced", {"DL1ABC"}},
        {"category=SO-CW-LOW&state=counted", {"UR7QM", "UT5ZZ"}},
        {"category=none", {"OK2XZ"}},
        {"state=counted&sort=call", {"DL1ABC", "OK2XZ", "UR7QM", "UT5ZY", "UT5ZZ"}},
        {"state=counted&sort=call&dir=desc", {"UT5ZZ", "UT5ZY", "UR7QM", "OK2XZ", "DL1ABC"}},
        {"state=counted&sort=qsos&dir=desc",
         {"UT5ZZ", "DL1ABC", "UT5ZY", "OK2XZ", "UR7QM"}},  // a tie: newest first
        {"state=counted&sort=email", {"OK2XZ", "DL1ABC", "UR7QM", "UT5ZY", "UT5ZZ"}},
        {"state=counted&sort=id&dir=asc", {"UT5ZZ", "UR7QM", "UT5ZY", "OK2XZ", "DL1ABC"}},
        {"sort=call&per_page=2&page=2", {"OK2XZ", "UR7QM"}},
        {"sort=call&per_page=2&page=99", {"UT5ZZ"}},  // past the end: the last page
        {"call=N0NE", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(CallsOf(s.search(c.query)), c.calls) << c.query;
    const json paged = s.search("sort=call&per_page=2&page=2");
    EXPECT_EQ(paged["total"], 7);
    EXPECT_EQ(paged["pages"], 4);

    ASSERT_EQ(s.site.client()
                  .Post("/api/committee/submissions/5/standing", s.bearer, R"({"standing":"disqualified"})",
                        "application/json")
                  ->status,
              200);
    EXPECT_EQ(CallsOf(s.search("state=disqualified")), std::vector<std::string>{"OK2XZ"});
    EXPECT_TRUE(CallsOf(s.search("state=check%20log")).empty());

    // The page: sortable headers that turn the direction, page links that keep the search, each row to its
    // call's history.
    const auto session = s.site.login();
    const std::string page =
        s.site.client()
            .Get("/committee/submissions?state=counted&sort=call&per_page=2", session.headers)
            ->body;
    EXPECT_NE(
        page.find("href=\"/committee/submissions?state=counted&amp;sort=call&amp;dir=desc&amp;per_page=2\""),
        std::string::npos)
        << page;
    EXPECT_NE(
        page.find("href=\"/committee/submissions?state=counted&amp;sort=call&amp;per_page=2&amp;page=2\""),
        std::string::npos);
    EXPECT_NE(page.find("<a href=\"/committee/submissions/6\">DL1ABC</a>"), std::string::npos);
    EXPECT_EQ(page.find(">UT5ZY<"), std::string::npos);  // on page 2
    EXPECT_NE(page.find("Page 1 of 3 (5 found)"), std::string::npos);
    EXPECT_EQ(s.site.client().Get("/committee/submissions")->status, 401);
}

// What an attacker may put in the search's parameters: the defaults, never an error or SQL.
TEST(CommitteeDesk, HostileSearchParametersGiveTheDefaults) {
    SearchSite s;
    const std::vector<std::string> everything = CallsOf(s.search(""));
    const std::vector<std::string> hostile = {
        "sort=id;DROP%20TABLE%20submissions",
        "sort=call%20DESC%2C(SELECT%201)",
        "dir=sideways",
        "page=-1",
        "page=0",
        "page=99999999999999999999999",
        "page=1e3",
        "page=%00",
        "per_page=100000000",
        "per_page=-5",
        "per_page=0",
        "state=counted'%20OR%20'1'='1",
        "category='%20OR%201=1%20--",
        "category=" + std::string(5000, 'A'),
        "call=%25",
        "call=_",
        "call=%27%20OR%201%3D1%20--",
        "call=" + std::string(5000, 'Z'),
        "call=%C3%28%FF%FE",
        "state=&sort=&page=",
    };
    for (const std::string query : hostile) {
        const json answer = s.search(query);
        const bool narrowed =
            query.starts_with("call=") || query.starts_with("category=") || query.starts_with("per_page=1");
        if (!narrowed) EXPECT_EQ(CallsOf(answer), everything) << query;
        EXPECT_LE(answer["submissions"].size(), 500u) << query;
    }
    EXPECT_TRUE(CallsOf(s.search("call=%25")).size() ==
                everything.size());  // '%' is no call character: no filter
    EXPECT_TRUE(CallsOf(s.search("call=%27%20OR%201%3D1%20--")).empty());  // searched for "OR11", found none
    const auto session = s.site.login();
    for (const std::string query : hostile) {
        auto res = s.site.client().Get(("/committee/submissions?" + query).c_str(), session.headers);
        EXPECT_EQ(res->status, 200) << query;
        EXPECT_EQ(res->body.find("DROP"), std::string::npos);
        EXPECT_EQ(
            s.site.client().Get(("/committee/submissions.csv?" + query).c_str(), session.headers)->status,
            200);
    }
    EXPECT_EQ(s.site.server->store().integrityCheck(), "ok");
    EXPECT_EQ(CallsOf(s.search("")), everything);
}

TEST(CommitteeDesk, CsvExportKeepsTheFilterQuotesAndDisarmsFormulas) {
    RunningSite site;
    ASSERT_EQ(
        Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "=1+2@example.org", "@SUM(1+1),\"x\".cbr")->status,
        201);
    ASSERT_EQ(Upload(site, LogWith("UR7QM", 2), "", "", "-2+3.cbr")->status, 201);
    ASSERT_EQ(Upload(site, LogWith("UT5ZY", 2), "", "", "+cmd.cbr")->status, 201);
    const auto session = site.login();
    auto res = site.client().Get("/committee/submissions.csv?call=UT5Z&sort=call", session.headers);
    ASSERT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/csv; charset=utf-8");
    EXPECT_NE(res->get_header_value("Content-Disposition").find("attachment"), std::string::npos);
    const std::string csv = res->body;
    EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBFNo.,Call,")) << csv;
    EXPECT_EQ(csv.find("UR7QM"), std::string::npos) << "the filter applies to the export";
    EXPECT_LT(csv.find("\r\n3,UT5ZY,"), csv.find("\r\n1,UT5ZZ,")) << "and the order";
    EXPECT_NE(csv.find(",\"'@SUM(1+1),\"\"x\"\".cbr\","), std::string::npos) << csv;
    EXPECT_NE(csv.find(",'=1+2@example.org,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",'+cmd.cbr,"), std::string::npos) << csv;
    std::size_t lines = 0;
    for (std::size_t at = csv.find('\n'); at != std::string::npos; at = csv.find('\n', at + 1)) {
        EXPECT_EQ(csv[at - 1], '\r');
        ++lines;
    }
    EXPECT_EQ(lines, 3u);

    EXPECT_NE(site.client().Get("/committee/submissions.csv", session.headers)->body.find(",'-2+3.cbr,"),
              std::string::npos);
    EXPECT_EQ(site.client().Get("/committee/submissions.csv")->status, 401);
    EXPECT_EQ(site.client().Get("/api/committee/submissions.csv")->status, 401);
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    auto api = site.client().Get("/api/committee/submissions.csv?call=UR7", bearer);
    ASSERT_EQ(api->status, 200);
    EXPECT_NE(api->body.find(",UR7QM,"), std::string::npos);
    EXPECT_EQ(api->body.find("UT5ZZ"), std::string::npos);
}

namespace {

std::function<void(SiteConfig&)> RelayAt(int port) {
    return [port](SiteConfig& config) {
        config.smtp.url = "smtp://127.0.0.1:" + std::to_string(port);
        config.mailSender.fromAddress = "zelk@example.org";
        config.mailSender.firstRetrySeconds = 1;
        config.mailSender.maxRetrySeconds = 1;
    };
}

}  // namespace

// One e-mail per distinct address of the counted logs of the category; pending and replaced
// uploads and other categories get none; the committee's record says who sent how many.
TEST(CommitteeDesk, MessageToOneCategoryReachesEachAddressOnce) {
    SmtpSink relay;
    RunningSite site(RelayAt(relay.port()));
    ASSERT_EQ(Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "Club@Example.org")->status, 201);
    ASSERT_EQ(Upload(site, LogWith("UT5ZY", 2), "SO-CW-LOW", "club@example.org")->status,
              201);  // the same address
    auto uk = site.client();
    ASSERT_EQ(uk.Post("/api/logs", {{"Accept-Language", "uk"}},
                      httplib::MultipartFormDataItems{{"log", LogWith("UR7QM", 2), "a.cbr", ""},
                                                      {"category", "SO-CW-LOW", "", ""},
                                                      {"email", "qm@example.org", "", ""}})
                  ->status,
              201);
    ASSERT_EQ(Upload(site, LogWith("DL1ABC", 2), "SO-MIXED-HIGH", "abc@example.org")->status, 201);
    ASSERT_EQ(Upload(site, LogWith("UR7QM", 1), "SO-CW-LOW", "rival@example.org")->status, 202);  // pending
    ASSERT_EQ(relay.waitForMails(5).size(), 5u);  // the receipts

    const auto session = site.login();
    auto c = site.client();
    auto sent = PostForm(c, "/committee/message", session.headers,
                         httplib::Params{{"csrf", session.csrf},
                                         {"audience", "SO-CW-LOW"},
                                         {"subject", "Results are out"},
                                         {"text", "Dear participant,\r\nthe results are published.\r\n"}});
    ASSERT_EQ(sent->status, 303);
    EXPECT_EQ(sent->get_header_value("Location"), "/committee/mail?queued=2");
    const auto mails = relay.waitForMails(7);
    ASSERT_EQ(mails.size(), 7u);
    std::multiset<std::string> to;
    for (std::size_t i = 5; i < mails.size(); ++i) {
        to.insert(mails[i].recipients.at(0));
        const json mail = ReadMailWithPython(mails[i].data);
        EXPECT_EQ(mail["subject"], "ZELK: Results are out");
        const std::string text = mail["text"];
        EXPECT_NE(text.find("the results are published."), std::string::npos) << text;
        if (mails[i].recipients[0] == "qm@example.org")
            EXPECT_NE(text.find("Ви отримали цей лист як відправник звіту UR7QM"), std::string::npos) << text;
        else
            EXPECT_NE(text.find("sender of the log of UT5ZY, UT5ZZ"), std::string::npos) << text;
    }
    EXPECT_EQ(to, (std::multiset<std::string>{"club@example.org", "qm@example.org"}));
    EXPECT_EQ(relay.waitForMails(8, std::chrono::seconds(1)).size(), 7u) << "no more mail than that";
    const std::string page = c.Get("/committee", session.headers)->body;
    EXPECT_NE(page.find("message to participants"), std::string::npos);
    EXPECT_NE(page.find("2 e-mails to category SO-CW-LOW: Results are out"), std::string::npos);

    // Every participant: one more for abc@example.org's category.
    ASSERT_EQ(
        PostForm(c, "/committee/message", session.headers,
                 httplib::Params{
                     {"csrf", session.csrf}, {"audience", "all"}, {"subject", "Thanks"}, {"text", "73"}})
            ->get_header_value("Location"),
        "/committee/mail?queued=3");
    EXPECT_EQ(relay.waitForMails(10).size(), 10u);
}

TEST(CommitteeDesk, MessageFormRefusesWhatItCannotSend) {
    RunningSite site;
    ASSERT_EQ(Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "zz@example.org")->status, 201);
    const auto session = site.login();
    auto c = site.client();
    struct Case {
        const char* what;
        httplib::Params form;
        int status;
        const char* says;
    };
    const std::string longText(20001, 'x');
    const Case cases[] = {
        {"no CSRF token", {{"audience", "all"}, {"subject", "S"}, {"text", "T"}}, 403, "CSRF"},
        {"a wrong CSRF token",
         {{"csrf", std::string(64, 'a')}, {"audience", "all"}, {"subject", "S"}, {"text", "T"}},
         403,
         "CSRF"},
        {"no subject",
         {{"csrf", session.csrf}, {"audience", "all"}, {"subject", " \r\n"}, {"text", "T"}},
         422,
         "no subject"},
        {"no text",
         {{"csrf", session.csrf}, {"audience", "all"}, {"subject", "S"}, {"text", ""}},
         422,
         "no text"},
        {"subject too long",
         {{"csrf", session.csrf}, {"audience", "all"}, {"subject", std::string(201, 's')}, {"text", "T"}},
         422,
         "200 bytes"},
        {"text too long",
         {{"csrf", session.csrf}, {"audience", "all"}, {"subject", "S"}, {"text", longText}},
         422,
         "20000 bytes"},
        {"unknown category",
         {{"csrf", session.csrf}, {"audience", "<b>X"}, {"subject", "S"}, {"text", "T"}},
         422,
         "not a category"},
    };
    for (const Case& test : cases) {
        auto res = PostForm(c, "/committee/message", session.headers, test.form);
        EXPECT_EQ(res->status, test.status) << test.what;
        EXPECT_NE(res->body.find(test.says), std::string::npos) << test.what << res->body;
        EXPECT_EQ(res->body.find("<b>X"), std::string::npos) << test.what;
    }
    const auto queued =
        site.server->store().withDatabase([](Database& db) { return MailQueue(db).counts().waiting; });
    EXPECT_EQ(queued, 1) << "only the receipt";

    // A subject's line break cannot add a header: it becomes a blank.
    auto res = PostForm(c, "/committee/message", session.headers,
                        httplib::Params{{"csrf", session.csrf},
                                        {"audience", "all"},
                                        {"subject", "Hi\r\nBcc: x@evil.example"},
                                        {"text", "T"}});
    ASSERT_EQ(res->status, 303);
    const auto mails =
        site.server->store().withDatabase([](Database& db) { return MailQueue(db).newest("", 1); });
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].message.subject, "ZELK: Hi  Bcc: x@evil.example");
}

// A mail the relay refused for good is listed with the relay's answer and sent once tried again.
TEST(CommitteeDesk, AFailedMailIsTriedAgainFromTheMailPage) {
    std::atomic<bool> refuse{true};
    SmtpSink relay(0, [&](const std::string&) { return refuse ? "550 5.1.1 no such user" : "250 OK"; });
    RunningSite site(RelayAt(relay.port()));
    ASSERT_EQ(Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "zz@example.org")->status, 201);
    const auto session = site.login();
    auto c = site.client();
    std::string page;
    ASSERT_TRUE(WaitFor([&] {
        page = c.Get("/committee/mail?state=failed", session.headers)->body;
        return page.find("no such user") != std::string::npos;
    })) << page;
    EXPECT_NE(page.find("zz@example.org"), std::string::npos);
    EXPECT_NE(page.find("action=\"/committee/mail/1/retry\""), std::string::npos);
    EXPECT_EQ(c.Post("/committee/mail/1/retry", session.headers, httplib::Params{})->status,
              403);  // no CSRF token
    refuse = false;
    EXPECT_EQ(
        c.Post("/committee/mail/1/retry", session.headers, httplib::Params{{"csrf", session.csrf}})->status,
        303);
    ASSERT_EQ(relay.waitForMails(1).size(), 1u);
    ASSERT_TRUE(WaitFor([&] {
        return c.Get("/committee/mail?state=sent", session.headers)->body.find("zz@example.org") !=
               std::string::npos;
    }));
    // A sent mail or an unknown one is not tried again.
    for (const char* id : {"1", "999", "99999999999999999999999"}) {
        auto res = c.Post(("/committee/mail/" + std::string(id) + "/retry").c_str(), session.headers,
                          httplib::Params{{"csrf", session.csrf}});
        EXPECT_EQ(res->status, 200) << id;
        EXPECT_NE(res->body.find("Nothing was tried again"), std::string::npos) << id;
    }
    EXPECT_EQ(relay.mails().size(), 1u);
    EXPECT_NE(c.Get("/committee", session.headers)->body.find("e-mail tried again"), std::string::npos);

    // The same through the API, with a message of its own.
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    refuse = true;
    auto sent = c.Post("/api/committee/message", bearer,
                       R"({"subject": "Hi", "text": "73", "category": "SO-CW-LOW"})", "application/json");
    ASSERT_EQ(sent->status, 202) << sent->body;
    EXPECT_EQ(json::parse(sent->body)["queued"], 1);
    json queue;
    ASSERT_TRUE(WaitFor([&] {
        queue = json::parse(c.Get("/api/committee/mail?state=failed", bearer)->body);
        return queue["mails"].size() == 1;
    }));
    EXPECT_EQ(queue["mails"][0]["lastError"].get<std::string>().find("no such user") != std::string::npos,
              true)
        << queue.dump();
    refuse = false;
    const std::string retry =
        "/api/committee/mail/" + std::to_string(queue["mails"][0]["id"].get<int>()) + "/retry";
    EXPECT_EQ(c.Post(retry.c_str(), bearer, "", "application/json")->status, 200);
    ASSERT_EQ(relay.waitForMails(2).size(), 2u);
    EXPECT_EQ(c.Post(retry.c_str(), "", "application/json")->status, 401);
    EXPECT_EQ(c.Post("/api/committee/message", bearer,
                     R"({"subject": "Hi", "text": "73", "category": "NOPE"})", "application/json")
                  ->status,
              400);
    EXPECT_EQ(c.Post("/api/committee/message", bearer, "[1,2", "application/json")->status, 400);
}

// The committee's table and period: checked, stored, used by the form, the receipts, a restart and
// the cross-check's results; the default comes back on request.
TEST(CommitteeDesk, CategoryTableAndPeriodSetFromThePageAreUsed) {
    const std::string table = R"({"dimensions": [
        {"key": "mode", "cabrillo": "CATEGORY-MODE", "names": {"en": "mode", "uk": "вид"}, "default": "MIXED",
         "values": [{"code": "CW", "names": {"en": "Telegraphy", "uk": "Телеграф"}},
                    {"code": "MIXED", "names": {"en": "Everything", "uk": "Усе"}}]}],
      "categories": [{"id": "TELEGRAPHY", "mode": "CW"}, {"id": "ALL", "mode": "MIXED"}]})";
    {
        RunningSite site;
        const auto session = site.login();
        auto c = site.client();
        const auto post = [&](httplib::Params form) {
            form.emplace("csrf", session.csrf);
            return PostForm(c, "/committee/contest", session.headers, form);
        };
        struct Refused {
            const char* what;
            httplib::Params form;
            const char* says;
        };
        const Refused refused[] = {
            {"end before start",
             {{"start", "2017-05-06 03:00"}, {"end", "2017-05-05 21:00"}, {"table", table}},
             "not before the end"},
            {"no date", {{"start", "soon"}, {"end", "2017-05-05 21:00"}, {"table", table}}, "YYYY-MM-DD"},
            {"a year long",
             {{"start", "2017-05-05 21:00"}, {"end", "2018-05-05 21:00"}, {"table", table}},
             "31 days"},
            {"broken JSON",
             {{"start", "2017-05-05 21:00"}, {"end", "2017-05-06 03:00"}, {"table", "{\"dimensions\": ["}},
             "cannot be used"},
            {"deep nesting",
             {{"start", "2017-05-05 21:00"},
              {"end", "2017-05-06 03:00"},
              {"table", std::string(100000, '[')}},
             "larger than 64 KB"},
            {"deep but small",
             {{"start", "2017-05-05 21:00"}, {"end", "2017-05-06 03:00"}, {"table", std::string(5000, '[')}},
             "nested too deeply"},
            {"odd bytes",
             {{"start", "2017-05-05 21:00\xff"}, {"end", "2017-05-06 03:00"}, {"table", table}},
             "YYYY-MM-DD"},
            {"odd bytes in the table",
             {{"start", "2017-05-05 21:00"},
              {"end", "2017-05-06 03:00"},
              {"table", "{\"dimensions\": \"\xff\xfe\xc3\"}"}},
             "cannot be used"},
            {"no categories",
             {{"start", "2017-05-05 21:00"},
              {"end", "2017-05-06 03:00"},
              {"table", R"({"dimensions": [], "categories": []})"}},
             ""},
        };
        for (const Refused& r : refused) {
            auto res = post(r.form);
            EXPECT_EQ(res->status, 422) << r.what << res->body;
            EXPECT_NE(res->body.find(r.says), std::string::npos) << r.what;
        }
        EXPECT_EQ(PostForm(c, "/committee/contest", session.headers,
                           httplib::Params{
                               {"start", "2017-05-05 21:00"}, {"end", "2017-05-06 03:00"}, {"table", table}})
                      ->status,
                  403);
        EXPECT_NE(c.Get("/")->body.find("SO-CW-LOW"), std::string::npos) << "nothing changed";

        ASSERT_EQ(
            post({{"start", "2017-05-05 22:00"}, {"end", "2017-05-06 03:00"}, {"table", table}})->status,
            303);
        const std::string form = c.Get("/")->body;
        EXPECT_NE(form.find("<option value=\"TELEGRAPHY\">Telegraphy</option>"), std::string::npos) << form;
        EXPECT_EQ(form.find("SO-CW-LOW"), std::string::npos);
        EXPECT_NE(form.find("2017-05-05 22:00"), std::string::npos);
        auto upload = Upload(site, LogWith("UT5ZZ", 2), "TELEGRAPHY", "zz@example.org");
        ASSERT_EQ(upload->status, 201) << upload->body;
        EXPECT_EQ(json::parse(upload->body)["categoryName"], "Telegraphy");
        // The QSO at 21:00 is outside the new period now.
        EXPECT_LT(json::parse(upload->body)["qsosScored"].get<int>(), 2) << upload->body;
        EXPECT_EQ(Upload(site, LogWith("UR7QM", 2), "SO-CW-LOW", "")->status, 422);
        ASSERT_EQ(Upload(site, LogWith("UR7QM", 4), "TELEGRAPHY", "")->status, 201);

        const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
        auto started = c.Post("/api/committee/crosscheck", bearer, "{}", "application/json");
        ASSERT_EQ(started->status, 202);
        const std::string run = std::to_string(json::parse(started->body)["run"].get<int>());
        ASSERT_TRUE(WaitFor([&] {
            return json::parse(c.Get(("/api/committee/runs/" + run).c_str(), bearer)->body)["state"] !=
                   "running";
        }));
        const std::string results =
            c.Get(("/committee/runs/" + run + "/results.html").c_str(), session.headers)->body;
        EXPECT_NE(results.find("TELEGRAPHY: Telegraphy"), std::string::npos) << results;
        EXPECT_NE(c.Get(("/api/committee/runs/" + run).c_str(), bearer)->body.find("2017-05-05 22:00"),
                  std::string::npos);
        EXPECT_NE(c.Get("/committee", session.headers)->body.find("set category_table"), std::string::npos);

        // The default comes back on request.
        ASSERT_EQ(PostForm(c, "/committee/contest", session.headers,
                           httplib::Params{{"csrf", session.csrf},
                                           {"default_table", "1"},
                                           {"start", "2017-05-05 21:00"},
                                           {"end", "2017-05-06 03:00"}})
                      ->status,
                  303);
        EXPECT_NE(c.Get("/")->body.find("SO-CW-LOW"), std::string::npos);
        EXPECT_NE(c.Get("/committee/contest", session.headers)->body.find("default table"),
                  std::string::npos);
        ASSERT_EQ(
            post({{"start", "2017-05-05 22:00"}, {"end", "2017-05-06 03:00"}, {"table", table}})->status,
            303);

        // What was set is read again on the next start.
        SiteStore store(site.folder / "zelk-server.db");
        ContestSetup setup(store, ContestRules{}, nullptr, {});
        EXPECT_EQ(FormatMinute(setup.rules().start), "2017-05-05 22:00");
        ASSERT_NE(setup.categories().find("TELEGRAPHY"), nullptr);
        EXPECT_FALSE(setup.tableIsDefault());
    }
}

// A corrected log sent with the receipt but without an address keeps the replaced log's address:
// its receipt is e-mailed there, and the counted log still has it.
TEST(CommitteeDesk, ACorrectedLogWithoutAnAddressKeepsTheReplacedOnes) {
    RunningSite site;
    auto first = Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "zz@example.org");
    const std::string receipt = json::parse(first->body)["receipt"];
    auto corrected = Upload(site, LogWith("UT5ZZ", 3), "SO-CW-LOW", "", "log.cbr", receipt);
    ASSERT_EQ(corrected->status, 201);
    EXPECT_EQ(json::parse(corrected->body)["email"], "zz@example.org");
    EXPECT_EQ(site.server->store().activeSubmissions().at(0).email, "zz@example.org");
    const auto mails =
        site.server->store().withDatabase([](Database& db) { return MailQueue(db).newest("", 5); });
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].message.to, "zz@example.org");
    // A new address wins; an upload without the receipt (pending) takes nothing.
    auto moved = Upload(site, LogWith("UT5ZZ", 4), "SO-CW-LOW", "new@example.org", "log.cbr", receipt);
    EXPECT_EQ(json::parse(moved->body)["email"], "new@example.org");
    auto pending = Upload(site, LogWith("UT5ZZ", 1), "SO-CW-LOW", "");
    ASSERT_EQ(pending->status, 202);
    EXPECT_EQ(json::parse(pending->body)["email"], "");
}

// Every committee page speaks the member's language.
TEST(CommitteeDesk, EveryCommitteePageInUkrainian) {
    RunningSite site;
    ASSERT_EQ(Upload(site, LogWith("UT5ZZ", 2), "SO-CW-LOW", "zz@example.org")->status, 201);
    auto session = site.login();
    session.headers.emplace("Accept-Language", "uk-UA,uk;q=0.9");
    auto c = site.client();
    const std::pair<const char*, const char*> pages[] = {
        {"/committee", "Суддівська колегія"},
        {"/committee/submissions", "Надіслані звіти"},
        {"/committee/mail", "Черга листів"},
        {"/committee/message", "Лист учасникам"},
        {"/committee/contest", "Період і категорії змагань"},
        {"/committee/submissions/1", "Історія UT5ZZ"},
    };
    for (const auto& [path, title] : pages) {
        auto res = c.Get(path, session.headers);
        ASSERT_EQ(res->status, 200) << path;
        EXPECT_NE(res->body.find("<html lang=\"uk\">"), std::string::npos) << path;
        EXPECT_NE(res->body.find(title), std::string::npos) << path << res->body;
    }
    auto login = c.Get("/committee", {{"Accept-Language", "uk"}});
    EXPECT_NE(login->body.find("Вхід для суддівської колегії"), std::string::npos);
}
