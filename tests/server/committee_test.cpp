#include <nlohmann/json.hpp>

#include "site_fixture.h"
#include "tools/contest_simulator/contest_simulator.h"

using nlohmann::json;

namespace {

TEST(Committee, NoPageOrEndpointWithoutLoginTokenOrCsrf) {
    RunningSite site;
    auto c = site.client();
    for (const char* path : {"/committee/submissions/1", "/committee/submissions/1/file", "/committee/runs/1/results.html"})
        EXPECT_EQ(c.Get(path)->status, 401) << path;
    for (const char* path : {"/committee/deadline", "/committee/uploads", "/committee/crosscheck", "/committee/runs/1/publish",
                             "/committee/token", "/committee/logout"})
        EXPECT_EQ(c.Post(path, httplib::Params{{"deadline", "2017-01-01"}})->status, 401) << path;
    const httplib::Headers wrongToken = {{"Authorization", "Bearer " + std::string(64, 'a')}};
    EXPECT_EQ(c.Get("/api/committee/submissions")->status, 401);
    EXPECT_EQ(c.Get("/api/committee/submissions", wrongToken)->status, 401);
    EXPECT_EQ(c.Post("/api/committee/crosscheck", wrongToken, "{}", "application/json")->status, 401);

    // Logged in, a form without the session's CSRF token is refused and changes nothing.
    const auto session = site.login();
    ASSERT_EQ(session.csrf.size(), 64u);
    for (const std::string& csrf : {std::string(), std::string(64, '0')}) {
        auto res = c.Post("/committee/deadline", session.headers, httplib::Params{{"deadline", "2017-01-01"}, {"csrf", csrf}});
        EXPECT_EQ(res->status, 403);
    }
    EXPECT_NE(site.server->store().auditLog(1).at(0).action, "set deadline");
    auto moved = c.Post("/committee/deadline", session.headers, httplib::Params{{"deadline", "2017-01-01"}, {"csrf", session.csrf}});
    EXPECT_EQ(moved->status, 303);
    EXPECT_EQ(site.server->store().auditLog(1).at(0).action, "set deadline");
}

TEST(Committee, LoginCookieIsGuardedAndLoginsAreThrottled) {
    RunningSite site([](SiteConfig& config) { config.behindProxy = true; });
    auto c = site.client();
    auto res = c.Post("/committee/login", {{"X-Forwarded-Proto", "https"}, {"X-Forwarded-For", "192.0.2.7"}},
                      httplib::Params{{"user", "committee"}, {"password", site.password()}});
    ASSERT_EQ(res->status, 303);
    const std::string cookie = res->get_header_value("Set-Cookie");
    for (const char* flag : {"HttpOnly", "SameSite=Strict", "Secure"}) EXPECT_NE(cookie.find(flag), std::string::npos) << flag;
    EXPECT_NE(site.server->store().auditLog(1).at(0).who.find("192.0.2.7"), std::string::npos);

    int refused = 0, throttled = 0;
    for (int i = 0; i < 8; ++i) {
        auto wrong = c.Post("/committee/login", {{"X-Forwarded-For", "198.51.100.9"}},
                            httplib::Params{{"user", "committee"}, {"password", "guess" + std::to_string(i)}});
        refused += wrong->status == 403;
        throttled += wrong->status == 429;
    }
    // Five a minute: the bucket refills one every 12 s, so a slow machine may see a sixth try.
    EXPECT_GE(refused, 5);
    EXPECT_GE(throttled, 2);
    EXPECT_EQ(refused + throttled, 8);
    // Another address is not held back by that one.
    EXPECT_EQ(c.Post("/committee/login", {{"X-Forwarded-For", "192.0.2.8"}},
                     httplib::Params{{"user", "committee"}, {"password", site.password()}})
                  ->status,
              303);
}

TEST(Committee, SeesEverySubmissionAndDownloadsItsFile) {
    RunningSite site;
    const std::string log = CabrilloLog("UT5ZZ", "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n");
    const std::string receipt = json::parse(UploadLog(site.client(), log)->body)["receipt"];
    UploadCorrectedLog(site.client(), log + "\n", receipt);
    const auto session = site.login();
    auto c = site.client();
    auto page = c.Get("/committee", session.headers)->body;
    EXPECT_NE(page.find("op@example.org"), std::string::npos);
    EXPECT_NE(page.find("replaced by 2"), std::string::npos);
    auto details = c.Get("/committee/submissions/1", session.headers)->body;
    EXPECT_NE(details.find("History of UT5ZZ"), std::string::npos);
    auto file = c.Get("/committee/submissions/1/file", session.headers);
    EXPECT_EQ(file->body, log);
    EXPECT_NE(file->get_header_value("Content-Disposition").find("UT5ZZ-1.cbr"), std::string::npos);

    auto logout = c.Post("/committee/logout", session.headers, httplib::Params{{"csrf", session.csrf}});
    EXPECT_EQ(logout->status, 303);
    EXPECT_EQ(c.Get("/committee/submissions/1", session.headers)->status, 401);
}

TEST(Committee, CrossCheckRunsPublishesAndEachReceiptShowsItsReport) {
    RunningSite site;
    SimulatorSettings settings;
    settings.stations = 12;
    settings.qsosPerLog = 40;
    settings.districts = DistrictCodesOf(RunningSite::ReadText(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt"));
    const SimulatedContest contest = SimulateContest(settings);
    std::vector<std::string> receipts;
    for (const SimulatedLog& log : contest.logs) {
        auto res = UploadLog(site.client(), log.text);
        ASSERT_EQ(res->status, 201) << log.fileName << res->body;
        receipts.push_back(json::parse(res->body)["receipt"]);
    }
    auto c = site.client();
    EXPECT_EQ(c.Get("/results/")->status, 404);
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    auto started = c.Post("/api/committee/crosscheck", bearer, "{\"nil_penalty\":1}", "application/json");
    ASSERT_EQ(started->status, 202);
    const int run = json::parse(started->body)["run"];
    json state;
    ASSERT_TRUE(WaitFor([&] {
        state = json::parse(c.Get(("/api/committee/runs/" + std::to_string(run)).c_str(), bearer)->body);
        return state["state"] != "running";
    }));
    ASSERT_EQ(state["state"], "done") << state.dump();
    EXPECT_EQ(state["summary"]["scored"], contest.logs.size());
    EXPECT_EQ(state["parameters"]["nilPenalty"], 1);

    // Not public before it is published; then the results list every log.
    EXPECT_EQ(c.Get(("/receipt/" + receipts[0].substr(9) + "/ubn").c_str())->status, 404);
    EXPECT_EQ(c.Post(("/api/committee/runs/" + std::to_string(run) + "/publish").c_str(), bearer, "", "text/plain")->status, 200);
    auto results = c.Get("/results/");
    ASSERT_EQ(results->status, 200);
    for (const SimulatedLog& log : contest.logs) EXPECT_NE(results->body.find(log.call), std::string::npos) << log.call;

    auto receipt = c.Get(receipts[0].c_str())->body;
    EXPECT_NE(receipt.find(receipts[0] + "/ubn"), std::string::npos);
    auto ubn = c.Get((receipts[0] + "/ubn").c_str());
    ASSERT_EQ(ubn->status, 200);
    EXPECT_NE(ubn->body.find(contest.logs[0].call), std::string::npos);
    EXPECT_EQ(c.Get(("/results/" + contest.logs[0].call + ".html").c_str())->status, 404) << "reports go to their senders";
}

TEST(Store, SchemaIsVersionedAndAReopenedDatabaseKeepsItsData) {
    StartSodium();
    const auto folder = std::filesystem::temp_directory_path() / ("zelk-store-test-" + RandomToken(4));
    std::filesystem::create_directories(folder);
    {
        SiteStore store(folder / "site.db");
        Submission s;
        s.call = "UT5ZZ";
        store.addSubmission(s, "hash");
    }
    SiteStore again(folder / "site.db");
    EXPECT_EQ(again.schemaVersion(), SiteStore::kSchemaVersion);
    EXPECT_EQ(again.activeSubmissions().size(), 1u);
    EXPECT_EQ(again.integrityCheck(), "ok");
    std::filesystem::remove_all(folder);
}

}  // namespace
