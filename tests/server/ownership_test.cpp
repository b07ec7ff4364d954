#include <nlohmann/json.hpp>

#include "server/member_accounts.h"
#include "site_fixture.h"
#include "tools/contest_simulator/contest_simulator.h"

using nlohmann::json;

namespace {

const std::string kTwoQsos =
    "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"
    "QSO:  7050 PH 2017-05-05 2110 UT5ZZ 59  KI01 UR7QM  59  KR02\n";
const std::string kThirdQso = "QSO:  1820 CW 2017-05-05 2120 UT5ZZ 599 KI01 OK2XZ  599 014\n";

std::string SecretOf(const std::string& receiptLink) { return receiptLink.substr(receiptLink.rfind('/') + 1); }

// The logs received with their QSO counts, which the committee has chosen to show.
json Received(const RunningSite& site) {
    site.server->store().setSetting("received_counts", "1", "test", "counts shown");
    return json::parse(site.client().Get("/api/received")->body)["logs"];
}

std::size_t Stored(RunningSite& site) { return site.server->store().allSubmissions().size(); }

TEST(Ownership, AStrangersUploadWaitsAndOnlyTheReceiptReplacesTheCountedLog) {
    RunningSite site;
    auto owner = json::parse(UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos))->body);
    const std::string ownerReceipt = owner["receipt"];
    auto rival = json::parse(UploadLog(site.client(), CabrilloLog("UR1AA", kTwoQsos))->body);

    // A rival's 0-QSO log under the owner's call: stored, pending, the sender told; the 2 QSOs still count.
    auto stranger = UploadLog(site.client(), CabrilloLog("UT5ZZ", ""));
    ASSERT_EQ(stranger->status, 202) << stranger->body;
    const json pending = json::parse(stranger->body);
    EXPECT_EQ(pending["state"], "pending");
    EXPECT_EQ(pending["counts"], false);
    EXPECT_EQ(pending["replaces"], nullptr);
    EXPECT_NE(pending["notice"].get<std::string>().find("receipt"), std::string::npos);
    auto strangerPage = UploadLog(site.client(), CabrilloLog("UT5ZZ", ""), "/upload");
    EXPECT_EQ(strangerPage->status, 202);
    EXPECT_NE(strangerPage->body.find("does not count"), std::string::npos);
    EXPECT_EQ(strangerPage->body.find("name=\"receipt\""), std::string::npos) << "a pending receipt gives no form";
    EXPECT_EQ(Received(site)[1]["qsos"], 2);
    // The owner is told that uploads for the call wait without the receipt.
    EXPECT_EQ(json::parse(site.client().Get(("/api/receipts/" + SecretOf(ownerReceipt)).c_str())->body)["pendingUploadsOfCall"], 2);
    EXPECT_NE(site.client().Get(ownerReceipt.c_str())->body.find("2 upload(s) for UT5ZZ came without this receipt"),
              std::string::npos);

    struct Case {
        const char* name;
        std::string receipt;
        int status;
        std::string seen;
        bool stored;
    };
    const std::string unknown(64, 'a');
    const Case cases[] = {
        {"the stranger's own pending receipt proves nothing", pending["receipt"], 202, "\"pending\"", true},
        {"an unknown receipt is refused", unknown, 403, "not known", false},
        {"a malformed receipt is refused", "../../etc/passwd", 403, "not known", false},
        {"a rival's receipt for another call is refused", rival["receipt"], 422, "The receipt is for UR1AA", false},
        {"the owner's receipt replaces", SecretOf(ownerReceipt), 201, "\"counted\"", true},
        {"the owner's earlier, replaced receipt as a whole link too", "http://x" + ownerReceipt, 201, "\"counted\"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = Stored(site);
        auto res = UploadCorrectedLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos + kThirdQso), c.receipt);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status);
        EXPECT_NE(res->body.find(c.seen), std::string::npos) << res->body;
        EXPECT_EQ(Stored(site), before + (c.stored ? 1 : 0));
    }
    EXPECT_EQ(Received(site)[1]["qsos"], 3);
    std::size_t counted = 0;
    for (const Submission& s : site.server->store().historyOf("UT5ZZ")) counted += s.state == SubmissionState::counted;
    EXPECT_EQ(counted, 1u);

    // The owner's receipt page carries the form with its secret; the form's upload goes to the page too.
    auto receiptPage = site.client().Get(ownerReceipt.c_str())->body;
    EXPECT_NE(receiptPage.find("Send a corrected log"), std::string::npos);
    EXPECT_NE(receiptPage.find("name=\"receipt\" value=\"" + SecretOf(ownerReceipt) + "\""), std::string::npos);
    auto viaForm = UploadCorrectedLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos), SecretOf(ownerReceipt), "/upload");
    EXPECT_EQ(viaForm->status, 201);
    EXPECT_NE(viaForm->body.find("This log replaces your earlier upload"), std::string::npos);
}

TEST(Ownership, CommitteeAcceptsRejectsRestoresAndRatesAndEachActionIsRecorded) {
    RunningSite site;
    const std::string ownerReceipt = json::parse(UploadLog(site.client(), CabrilloLog("UT5ZZ", kTwoQsos))->body)["receipt"];
    UploadLog(site.client(), CabrilloLog("UT5ZZ", ""));           // 2: pending
    UploadLog(site.client(), CabrilloLog("UT5ZZ", kThirdQso));    // 3: pending
    auto c = site.client();
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    auto stateOf = [&](int id) { return site.server->store().submission(id)->state; };
    using S = SubmissionState;

    auto listed = json::parse(c.Get("/api/committee/pending", bearer)->body)["pending"];
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["submission"], 2);

    struct Step {
        const char* action;
        int id;
        int status;
        S one, two, three;  // the states after the step
    };
    const Step steps[] = {
        {"reject", 2, 200, S::counted, S::rejected, S::pending},
        {"reject", 2, 409, S::counted, S::rejected, S::pending},
        {"accept", 2, 409, S::counted, S::rejected, S::pending},  // only a pending upload is accepted
        {"accept", 3, 200, S::replaced, S::rejected, S::counted},
        {"restore", 1, 200, S::counted, S::rejected, S::replaced},
        {"restore", 1, 409, S::counted, S::rejected, S::replaced},
        {"restore", 2, 200, S::replaced, S::counted, S::replaced},  // a rejected upload can be restored
        {"restore", 1, 200, S::counted, S::replaced, S::replaced},
        {"accept", 99, 404, S::counted, S::replaced, S::replaced},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.action) + " " + std::to_string(step.id));
        auto res = c.Post(("/api/committee/submissions/" + std::to_string(step.id) + "/" + step.action).c_str(), bearer, "",
                          "application/json");
        EXPECT_EQ(res->status, step.status) << res->body;
        EXPECT_EQ(stateOf(1), step.one);
        EXPECT_EQ(stateOf(2), step.two);
        EXPECT_EQ(stateOf(3), step.three);
    }
    EXPECT_EQ(Received(site)[0]["qsos"], 2);
    EXPECT_NE(c.Get(ownerReceipt.c_str())->body.find("Send a corrected log"), std::string::npos);

    // The pages: without the CSRF token nothing happens; with it the action is done and shown.
    const auto session = site.login();
    EXPECT_EQ(c.Post("/committee/submissions/3/restore", session.headers, httplib::Params{{"csrf", "x"}})->status, 403);
    EXPECT_EQ(stateOf(3), S::replaced);
    EXPECT_EQ(c.Post("/committee/submissions/3/restore", session.headers, httplib::Params{{"csrf", session.csrf}})->status, 303);
    EXPECT_EQ(stateOf(3), S::counted);
    for (const char* standing : {"check log", "disqualified"})
        EXPECT_EQ(c.Post("/committee/submissions/3/standing", session.headers,
                         httplib::Params{{"csrf", session.csrf}, {"standing", standing}, {"reason", "<b>late</b>"}})
                      ->status,
                  303);
    EXPECT_EQ(c.Post("/api/committee/submissions/1/standing", bearer, R"({"standing":"nonsense"})", "application/json")->status, 400);

    const json history = json::parse(c.Get("/api/committee/submissions/1/history", bearer)->body);
    EXPECT_EQ(history["standing"], "disqualified");
    std::vector<std::string> actions;
    for (const json& entry : history["actions"]) {
        actions.push_back(entry["action"]);
        if (entry["who"] != "zelk-server") EXPECT_NE(entry["who"].get<std::string>().find("committee (127.0.0.1)"), std::string::npos);
        EXPECT_GT(entry["at"].get<std::int64_t>(), 0);
    }
    const std::vector<std::string> expected = {"upload kept pending", "upload kept pending", "pending upload rejected",
                                               "pending upload accepted", "earlier upload restored", "earlier upload restored",
                                               "earlier upload restored", "earlier upload restored", "marked check log",
                                               "marked disqualified"};
    EXPECT_EQ(actions, expected);

    auto page = c.Get("/committee/submissions/1", session.headers)->body;
    EXPECT_NE(page.find("Actions on UT5ZZ"), std::string::npos);
    EXPECT_NE(page.find("pending upload accepted"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;late&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(page.find("<b>late"), std::string::npos);
}

// The results line of a call without its rank: what the cross-check found in the log.
std::string ResultOf(const std::string& csv, const std::string& call) {
    const std::size_t at = csv.find("," + call + ",");
    if (at == std::string::npos) return {};
    return csv.substr(at, csv.find('\n', at) - at);
}

TEST(Ownership, CrossCheckScoresTheCountedLogsAndRanksNoCheckLogOrDisqualifiedLog) {
    RunningSite site;
    SimulatorSettings settings;
    settings.stations = 6;
    settings.qsosPerLog = 40;
    settings.districts = DistrictCodesOf(RunningSite::ReadText(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt"));
    const SimulatedContest contest = SimulateContest(settings);
    std::vector<std::string> receipts;
    for (const SimulatedLog& log : contest.logs) receipts.push_back(json::parse(UploadLog(site.client(), log.text)->body)["receipt"]);
    // A stranger's empty log under the first call waits: the run must not take it.
    ASSERT_EQ(UploadLog(site.client(), CabrilloLog(contest.logs[0].call, ""))->status, 202);

    auto c = site.client();
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    const auto crossCheck = [&] {
        auto started = c.Post("/api/committee/crosscheck", bearer, "{}", "application/json");
        const int run = json::parse(started->body)["run"];
        json state;
        EXPECT_TRUE(WaitFor([&] {
            state = json::parse(c.Get(("/api/committee/runs/" + std::to_string(run)).c_str(), bearer)->body);
            return state["state"] != "running";
        }));
        EXPECT_EQ(state["state"], "done") << state.dump();
        c.Post(("/api/committee/runs/" + std::to_string(run) + "/publish").c_str(), bearer, "", "text/plain");
        return state;
    };
    const json first = crossCheck();
    EXPECT_EQ(first["summary"]["logs"], contest.logs.size());
    EXPECT_EQ(first["summary"]["scored"], contest.logs.size());
    const std::string before = c.Get("/results/results.csv")->body;
    EXPECT_TRUE(ResultOf(before, contest.logs[0].call).ends_with(",\r")) << "the counted log is ranked, not the empty one";

    for (auto [index, standing] : {std::pair{1, "check log"}, std::pair{2, "disqualified"}})
        c.Post(("/api/committee/submissions/" + std::to_string(index + 1) + "/standing").c_str(), bearer,
               json{{"standing", standing}}.dump(), "application/json");
    const json second = crossCheck();
    EXPECT_EQ(second["summary"]["scored"], contest.logs.size() - 2);
    EXPECT_EQ(second["summary"]["notRanked"], 2);
    const std::string after = c.Get("/results/results.csv")->body;
    EXPECT_NE(ResultOf(after, contest.logs[1].call).find("check log: used to check the other logs, not ranked"), std::string::npos);
    EXPECT_NE(ResultOf(after, contest.logs[2].call).find("disqualified by the committee"), std::string::npos);
    // Both still confirm their partners' QSOs: every ranked log's figures are as before.
    for (std::size_t i = 3; i < contest.logs.size(); ++i) {
        const std::string was = ResultOf(before, contest.logs[i].call), is = ResultOf(after, contest.logs[i].call);
        EXPECT_EQ(is, was) << contest.logs[i].call;
    }
    // The check log's sender still reads the report of the log.
    EXPECT_EQ(c.Get((receipts[1] + "/ubn").c_str())->status, 200);
}

TEST(Store, AVersion1DataFolderIsMigratedAndKeepsWorking) {
    StartSodium();
    const auto folder = std::filesystem::temp_directory_path() / ("zelk-store-test-" + RandomToken(4));
    std::filesystem::create_directories(folder);
    {
        // The schema and rows of a data folder made by the previous version.
        Database old((folder / "site.db").string());
        old.execute(R"(CREATE TABLE submissions (id INTEGER PRIMARY KEY, call TEXT NOT NULL, category TEXT NOT NULL,
             format TEXT NOT NULL, email TEXT NOT NULL, sha256 TEXT NOT NULL, size INTEGER NOT NULL,
             received_at INTEGER NOT NULL, qsos_read INTEGER NOT NULL, qsos_scored INTEGER NOT NULL,
             claimed_score INTEGER NOT NULL, check_json TEXT NOT NULL, receipt_hash TEXT NOT NULL UNIQUE,
             replaced_by INTEGER REFERENCES submissions(id), address TEXT NOT NULL);
           CREATE INDEX submissions_by_call ON submissions(call, replaced_by);
           CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);
           CREATE TABLE audit (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, who TEXT NOT NULL, action TEXT NOT NULL,
                               detail TEXT NOT NULL);
           CREATE TABLE members (user TEXT PRIMARY KEY, password_hash TEXT NOT NULL);
           CREATE TABLE sessions (id_hash TEXT PRIMARY KEY, user TEXT NOT NULL, csrf TEXT NOT NULL, expires_at INTEGER NOT NULL);
           CREATE TABLE api_tokens (token_hash TEXT PRIMARY KEY, user TEXT NOT NULL, created_at INTEGER NOT NULL);
           CREATE TABLE runs (id INTEGER PRIMARY KEY, started_at INTEGER NOT NULL, finished_at INTEGER NOT NULL DEFAULT 0,
                              state TEXT NOT NULL, started_by TEXT NOT NULL, parameters_json TEXT NOT NULL,
                              summary_json TEXT NOT NULL DEFAULT '', error TEXT NOT NULL DEFAULT '',
                              published_at INTEGER NOT NULL DEFAULT 0);
           CREATE TABLE run_pages (run_id INTEGER NOT NULL REFERENCES runs(id),
                                   submission_id INTEGER NOT NULL REFERENCES submissions(id),
                                   page_name TEXT NOT NULL, PRIMARY KEY (run_id, submission_id));
           INSERT INTO submissions VALUES (1, 'UT5ZZ', '', 'Cabrillo', '', 'a', 1, 1, 2, 2, 4, '{}', 'r1', 2, '192.0.2.1');
           INSERT INTO submissions VALUES (2, 'UT5ZZ', '', 'Cabrillo', '', 'b', 1, 2, 3, 3, 6, '{}', 'r2', NULL, '192.0.2.1');
           INSERT INTO members VALUES ('committee', 'x');
           INSERT INTO api_tokens VALUES ('dated-1970', 'committee', 0);
           PRAGMA user_version = 1;)");
        old.prepare("INSERT INTO api_tokens VALUES ('recent', 'committee', ?)").bind(1, std::time(nullptr)).run();
    }
    SiteStore store(folder / "site.db");
    EXPECT_EQ(store.schemaVersion(), SiteStore::kSchemaVersion);
    const auto history = store.historyOf("UT5ZZ");
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].state, SubmissionState::replaced);
    EXPECT_EQ(history[1].state, SubmissionState::counted);
    EXPECT_EQ(store.activeSubmissions().at(0).id, 2);
    // The old receipts still open, without a file name or a category entry of the table.
    ASSERT_TRUE(store.submissionByReceipt("r2"));
    EXPECT_EQ(store.submissionByReceipt("r2")->originalName, "");
    EXPECT_EQ(store.submissionByReceipt("r2")->categoryEntry, "");
    EXPECT_EQ(store.apiTokenUser("dated-1970", std::time(nullptr)), std::nullopt) << "a token made in 1970 has expired";
    EXPECT_EQ(store.apiTokenUser("recent", std::time(nullptr)), "committee");
    EXPECT_EQ(MemberAccounts(store).members().size(), 1u);
    EXPECT_EQ(store.integrityCheck(), "ok");
    std::filesystem::remove_all(folder);
}

}  // namespace
