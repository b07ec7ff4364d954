#include <arpa/inet.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "site_fixture.h"

using nlohmann::json;

namespace {

const std::string kTwoQsos =
    "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"
    "QSO:  7050 PH 2017-05-05 2110 UT5ZZ 59  KI01 UR7QM  59  KR02\n";

struct UploadCase {
    const char* name;
    std::string bytes;
    int status;
    std::string seen;  // in the JSON answer
};

TEST(Upload, EachKindOfLogGetsItsAnswer) {
    RunningSite site;
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("START-OF-LOG: 3.0\r\n")) utf16 += std::string{c, '\0'};
    const UploadCase cases[] = {
        {"usable log", CabrilloLog("UT5ZZ", kTwoQsos), 201, "\"claimedScore\""},
        {"utf-16 file named as such", utf16, 422, "UTF-16"},
        {"binary file", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) + std::string(200, '\0'), 422, "cannot be used"},
        {"no own call", "START-OF-LOG: 3.0\nQSO:  3520 CW 2017-05-05 2100       599 KI01 DL1ABC 599 001\nEND-OF-LOG:\n", 422,
         "names no own call"},
        {"call too long", CabrilloLog("UT5ZZABCDEFGHIJKLMNOPQRSTUV", kTwoQsos), 422, "is not a call sign"},
        {"own call of a device's name", CabrilloLog("CON", kTwoQsos), 422, "is not a call sign"},
        {"0-QSO log kept with its warning", CabrilloLog("UR0QSO", ""), 201, "holds no QSO"},
        {"no category", CabrilloLog("UR1CAT", kTwoQsos, ""), 201, "names no category"},
        {"QSO outside the period", CabrilloLog("UR2OUT", "QSO:  3520 CW 2017-05-06 0400 UR2OUT 599 KI01 DL1ABC 599 001\n"),
         201, "outside the contest period"},
        {"no END-OF-LOG", "START-OF-LOG: 3.0\nCALLSIGN: UR3CUT\n" + kTwoQsos, 201, "cut short"},
        {"skipped line named with its line", CabrilloLog("UR4BAD", kTwoQsos + "QSO: 3520 CW 2017-05-05\n"), 201,
         "\"line\":7"},
        {"nothing sent", "", 400, "No log was given"},
    };
    for (const UploadCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto res = UploadLog(site.client(), c.bytes);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status);
        EXPECT_NE(res->body.find(c.seen), std::string::npos) << res->body;
    }
    // Refused logs leave nothing behind: only the six usable ones are listed.
    auto received = json::parse(site.client().Get("/api/received")->body);
    EXPECT_EQ(received["logs"].size(), 6u);
}

TEST(Upload, ReceiptNamesTheStoredFileAndCanBeSeenAgainWithItsSecretOnly) {
    RunningSite site;
    const std::string log = CabrilloLog("UT5ZZ", kTwoQsos);
    auto res = UploadLog(site.client(), log, "/upload");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 201);
    EXPECT_NE(res->body.find("Your log was received"), std::string::npos);
    EXPECT_NE(res->body.find(Sha256Hex(log)), std::string::npos);
    const std::size_t at = res->body.find("/receipt/");
    ASSERT_NE(at, std::string::npos);
    const std::string link = res->body.substr(at, 9 + 64);

    auto again = site.client().Get(link.c_str());
    ASSERT_EQ(again->status, 200);
    EXPECT_NE(again->body.find("Receipt for UT5ZZ"), std::string::npos);
    EXPECT_NE(again->body.find("<pre class=\"summary\">"), std::string::npos) << "the summary is shown again";

    auto api = json::parse(site.client().Get(("/api/receipts/" + link.substr(9)).c_str())->body);
    EXPECT_EQ(api["sha256"], Sha256Hex(log));
    EXPECT_EQ(api["call"], "UT5ZZ");

    std::string guessed = link;
    guessed.back() = guessed.back() == '0' ? '1' : '0';
    EXPECT_EQ(site.client().Get(guessed.c_str())->status, 404);
    EXPECT_EQ(site.client().Get("/api/receipts/1")->status, 404);
    // The file on disk is the upload, under its SHA-256.
    EXPECT_EQ(RunningSite::ReadText(site.folder / "files" / Sha256Hex(log).substr(0, 2) / Sha256Hex(log)), log);
}

TEST(Upload, ACorrectedLogSentWithTheReceiptReplacesTheEarlierForScoring) {
    RunningSite site;
    auto first = json::parse(UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos))->body);
    auto second = json::parse(UploadCorrectedLog(site.client(),
                                                 CabrilloLog("UT5ZZ", kTwoQsos + "QSO:  1820 CW 2017-05-05 2120 UT5ZZ 599 KI01 OK2XZ  599 014\n"),
                                                 first["receipt"])
                                  ->body);
    EXPECT_EQ(second["replaces"], first["submission"]);
    auto firstAgain = site.client().Get(first["receipt"].get<std::string>().c_str());
    EXPECT_NE(firstAgain->body.find("A later upload for UT5ZZ replaced this log"), std::string::npos);

    auto counted = site.server->store().activeSubmissions();
    ASSERT_EQ(counted.size(), 1u);
    EXPECT_EQ(counted[0].qsosRead, 3);
    auto page = site.client().Get("/received")->body;
    EXPECT_EQ(page.find("op@example.org"), std::string::npos) << "no e-mail address on the public list";
    EXPECT_EQ(page.find("core"), std::string::npos) << "no score before the results";
}

TEST(Upload, DeadlineRefusesUntilTheCommitteeReopens) {
    RunningSite site([](SiteConfig& config) { config.deadline = std::time(nullptr) - 60; });
    auto refused = UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos), "/upload");
    EXPECT_EQ(refused->status, 403);
    EXPECT_NE(refused->body.find("The deadline has passed"), std::string::npos);
    EXPECT_NE(site.client().Get("/")->body.find("no longer taken"), std::string::npos);

    auto c = site.client();
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    auto reopened = c.Post("/api/committee/deadline", bearer, "{\"reopened\":true}", "application/json");
    EXPECT_EQ(json::parse(reopened->body)["open"], true);
    EXPECT_EQ(UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos))->status, 201);

    c.Post("/api/committee/deadline", bearer, "{\"reopened\":false,\"deadline\":\"2017-05-10 00:00\"}", "application/json");
    EXPECT_EQ(UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos))->status, 403);
    std::vector<std::string> actions;
    for (const AuditEntry& entry : site.server->store().auditLog(10)) {
        actions.push_back(entry.action);
        if (entry.action.starts_with("set ") && entry.who != "zelk-server") EXPECT_NE(entry.who.find("committee (127.0.0.1)"), std::string::npos);
    }
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "set deadline"), 2);  // the first from the command line
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "set reopened"), 2);
}

TEST(Limits, TooLargeAndTooManyAreRefusedWithAPage) {
    RunningSite site([](SiteConfig& config) {
        config.maxUploadBytes = 64 * 1024;
        config.uploadsPerMinute = 3;
    });
    std::string big = CabrilloLog("UT5ZZ", kTwoQsos);
    big += std::string(200 * 1024, 'x');
    auto tooLarge = UploadLog(site.client(), big, "/upload");
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(tooLarge->status, 413);
    EXPECT_NE(tooLarge->body.find("64 KB"), std::string::npos) << tooLarge->body;
    EXPECT_EQ(tooLarge->get_header_value("X-Content-Type-Options"), "nosniff");

    int accepted = 0, limited = 0;
    for (int i = 0; i < 6; ++i) {
        auto res = UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos));
        accepted += res->status == 201 || res->status == 202;  // the second log of a call waits as pending
        limited += res->status == 429;
    }
    EXPECT_EQ(limited, 6 - accepted);
    EXPECT_GE(limited, 3);
}

TEST(Escaping, HostileCallsAndCategoriesAreShownAsText) {
    RunningSite site;
    const std::string hostileCategory = "CATEGORY-OPERATOR: <script>alert(1)</script><img src=x onerror=alert(2)>";
    auto res = UploadLog(site.client(), CabrilloLog("UR7XSS", kTwoQsos, hostileCategory), "/upload");
    ASSERT_EQ(res->status, 201);
    const auto session = site.login();
    for (const auto& page : {res->body, site.client().Get("/committee", session.headers)->body}) {
        EXPECT_EQ(page.find("<script>"), std::string::npos);
        EXPECT_EQ(page.find("<img src=x"), std::string::npos);
        EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    }
    // The public list names categories of the contest's table only, never a header's text.
    const std::string received = site.client().Get("/received")->body;
    EXPECT_EQ(received.find("script"), std::string::npos);
    EXPECT_EQ(received.find("<img src=x"), std::string::npos);
    // Markup where the own call stands is no call: the refusal names it, escaped.
    for (const char* hostileCall : {"<img src=x onerror=alert(3)>", "\"><b>X", "<SCRIPT>"}) {
        auto refused = UploadLog(site.client(), CabrilloLog(hostileCall, kTwoQsos), "/upload");
        EXPECT_EQ(refused->status, 422) << hostileCall;
        EXPECT_EQ(refused->body.find("<img"), std::string::npos);
        EXPECT_EQ(refused->body.find("\"><b>"), std::string::npos);
        EXPECT_EQ(refused->body.find("<SCRIPT>"), std::string::npos);
        EXPECT_NE(refused->body.find("is not a call sign"), std::string::npos) << hostileCall;
    }
}

TEST(Headers, EveryPageForbidsScriptsAndFraming) {
    RunningSite site;
    for (const char* path : {"/", "/received", "/results/", "/committee", "/no-such-page", "/receipt/00"}) {
        SCOPED_TRACE(path);
        auto res = site.client().Get(path);
        ASSERT_TRUE(res);
        const std::string policy = res->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
        EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos);
        EXPECT_EQ(policy.find("script-src"), std::string::npos);
        EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
    }
}

}  // namespace

namespace {

TEST(Limits, AClientThatSendsNothingIsCutOff) {
    RunningSite site([](SiteConfig& config) { config.connections.requestSeconds = 1; });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(site.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const char* partial = "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\nSTART-OF-LOG";
    ::send(fd, partial, std::strlen(partial), 0);
    // The server closes the connection: recv ends (0, or a reset) instead of waiting for ever.
    timeval patience{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
    }
    EXPECT_TRUE(n == 0 || errno == ECONNRESET) << "errno " << errno;
    ::close(fd);
    EXPECT_TRUE(site.server->store().activeSubmissions().empty());
}

}  // namespace
