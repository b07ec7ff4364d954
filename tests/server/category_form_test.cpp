#include <nlohmann/json.hpp>

#include "site_fixture.h"

using nlohmann::json;

namespace {

const std::string kQso = "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n";

httplib::Result Upload(const RunningSite& site, const std::string& bytes, const std::string& category) {
    httplib::MultipartFormDataItems items{{"log", bytes, "log.txt", "application/octet-stream"}};
    if (!category.empty()) items.push_back({"category", category, "", ""});
    return site.client().Post("/api/logs", items);
}

std::string AdifLog(const std::string& call) {
    return "Sent by a logger\n<ADIF_VER:5>3.1.0<EOH>\n<STATION_CALLSIGN:" + std::to_string(call.size()) + ">" + call +
           "<CALL:6>DL1ABC<QSO_DATE:8>20170505<TIME_ON:4>2100<BAND:3>80M<MODE:2>CW<RST_SENT:3>599<STX_STRING:4>KI01"
           "<RST_RCVD:3>599<SRX_STRING:3>001<EOR>\n";
}

struct CategoryCase {
    const char* name;
    std::string log;
    std::string formValue;
    int status;
    std::string entry;    // the entry stored; empty: none
    std::string named;    // in the receipt's category problems; empty: none expected
};

}  // namespace

// Cabrillo 2 and 3 headers reach the same entry; an ADIF log takes the form's; the form's choice
// wins over the header; a header of no entry is named on the receipt; a value the form never
// offered is refused.
TEST(CategoryForm, HeadersAndTheFormReachOneEntryOfTheTable) {
    RunningSite site;
    const CategoryCase cases[] = {
        {"Cabrillo 2", CabrilloLog("UR1AA", kQso, "CATEGORY: SINGLE-OP ALL LOW MIXED"), "", 201, "SO-MIXED-LOW", ""},
        {"Cabrillo 3", CabrilloLog("UR2AA", kQso, "CATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: MIXED\nCATEGORY-POWER: LOW"),
         "", 201, "SO-MIXED-LOW", ""},
        {"ADIF with the form's category", AdifLog("UR3AA"), "SO-CW-QRP", 201, "SO-CW-QRP", ""},
        {"ADIF without one", AdifLog("UR4AA"), "", 201, "", ""},
        {"the form over the header", CabrilloLog("UR5AA", kQso, "CATEGORY: SINGLE-OP ALL LOW MIXED"), " so-cw-low ", 201,
         "SO-CW-LOW", ""},
        {"unknown header named", CabrilloLog("UR6AA", kQso, "CATEGORY-POWER: SUPER-MEGA"), "", 201, "", "SUPER-MEGA"},
        {"not offered", CabrilloLog("UR7AA", kQso), "SO-EVERYTHING", 422, "", ""},
    };
    for (const CategoryCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto res = Upload(site, c.log, c.formValue);
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, c.status) << res->body;
        if (c.status != 201) continue;
        const json receipt = json::parse(res->body);
        EXPECT_EQ(receipt["categoryId"], c.entry);
        if (!c.entry.empty()) EXPECT_EQ(res->body.find("names no category"), std::string::npos) << "warned of a lack chosen away";
        const std::string problems = receipt["categoryProblems"].dump();
        if (c.named.empty())
            EXPECT_EQ(receipt["categoryProblems"].size(), 0u) << problems;
        else
            EXPECT_NE(problems.find(c.named), std::string::npos) << problems;
        const std::string page = site.client().Get(receipt["receipt"].get<std::string>())->body;
        if (!c.named.empty()) EXPECT_NE(page.find(c.named), std::string::npos) << "not named on the receipt page";
        if (!c.entry.empty())
            EXPECT_NE(page.find(receipt["categoryName"].get<std::string>()), std::string::npos) << "no category name";
    }
    EXPECT_EQ(site.server->store().allSubmissions().size(), 6u) << "the refused upload was kept";
}

// The forms offer the table; the corrected-log form starts at the log's category.
TEST(CategoryForm, FormsOfferTheTablePreselectedFromTheLog) {
    RunningSite site;
    const std::string form = site.client().Get("/")->body;
    EXPECT_NE(form.find("<select name=\"category\">"), std::string::npos);
    EXPECT_NE(form.find("value=\"SO-MIXED-LOW\""), std::string::npos);
    auto res = Upload(site, CabrilloLog("UR1AA", kQso, "CATEGORY: SINGLE-OP ALL QRP CW"), "");
    const std::string receipt = site.client().Get(json::parse(res->body)["receipt"].get<std::string>())->body;
    EXPECT_NE(receipt.find("value=\"SO-CW-QRP\" selected"), std::string::npos);
}

// The public list shows call, category and time; QSO counts and claimed scores once the committee
// turns them on, and not after it turns them off again.
TEST(Received, CountsAndScoresOnlyWhenTheCommitteeShowsThem) {
    RunningSite site;
    ASSERT_EQ(Upload(site, CabrilloLog("UR1AA", kQso, "CATEGORY: SINGLE-OP ALL LOW MIXED"), "")->status, 201);
    const auto received = [&] { return json::parse(site.client().Get("/api/received")->body)["logs"]; };
    const auto page = [&] { return site.client().Get("/received")->body; };
    EXPECT_EQ(received()[0]["category"], "Single operator, mixed mode, low power");
    EXPECT_FALSE(received()[0].contains("qsos"));
    EXPECT_FALSE(received()[0].contains("claimedScore"));
    EXPECT_NE(page().find("Single operator, mixed mode, low power"), std::string::npos);
    EXPECT_EQ(page().find("QSOs"), std::string::npos);

    const auto session = site.login();
    const auto show = [&](const char* value) {
        auto res = site.client().Post("/committee/received-counts", session.headers,
                                      httplib::Params{{"csrf", session.csrf}, {"show", value}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 303);
    };
    show("1");
    EXPECT_EQ(received()[0]["qsos"], 1);
    EXPECT_TRUE(received()[0].contains("claimedScore"));
    EXPECT_NE(page().find("Claimed score"), std::string::npos);
    show("0");
    EXPECT_FALSE(received()[0].contains("qsos"));
    // Without a session the switch does not move.
    auto forged = site.client().Post("/committee/received-counts", httplib::Params{{"show", "1"}});
    EXPECT_NE(forged->status, 303);
    EXPECT_FALSE(received()[0].contains("qsos"));
}

// The published results rank each entry as one category under its name: a Cabrillo 2 and a
// Cabrillo 3 header of one category share one table.
TEST(CategoryForm, ResultsHaveOneTablePerEntryOfTheTable) {
    RunningSite site;
    ASSERT_EQ(Upload(site, CabrilloLog("UR1AA", "QSO:  3520 CW 2017-05-05 2100 UR1AA 599 KI01 UR2AA 599 KR02\n",
                                       "CATEGORY: SINGLE-OP ALL LOW MIXED"), "")->status, 201);
    ASSERT_EQ(Upload(site, CabrilloLog("UR2AA", "QSO:  3520 CW 2017-05-05 2100 UR2AA 599 KR02 UR1AA 599 KI01\n",
                                       "CATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: MIXED\nCATEGORY-POWER: LOW"), "")->status, 201);
    auto c = site.client();
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    const int run = json::parse(c.Post("/api/committee/crosscheck", bearer, "{}", "application/json")->body)["run"];
    ASSERT_TRUE(WaitFor([&] {
        return json::parse(c.Get(("/api/committee/runs/" + std::to_string(run)).c_str(), bearer)->body)["state"] != "running";
    }));
    c.Post(("/api/committee/runs/" + std::to_string(run) + "/publish").c_str(), bearer, "", "text/plain");
    const std::string results = c.Get("/results/results.html")->body;
    const std::string name = "Single operator, mixed mode, low power";
    const std::size_t first = results.find(name);
    ASSERT_NE(first, std::string::npos) << results;
    EXPECT_EQ(results.find(name, first + 1), std::string::npos) << "one category split into two tables";
    EXPECT_EQ(results.find("CATEGORY-OPERATOR"), std::string::npos);
}
