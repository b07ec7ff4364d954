#include <nlohmann/json.hpp>

#include <filesystem>

#include "site_fixture.h"
#include "tools/contest_simulator/contest_simulator.h"

using nlohmann::json;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A site with a small simulated contest's logs, cross-checked and published through the API.
struct PublishedContest {
    explicit PublishedContest(bool publicReports)
        : site([publicReports](SiteConfig& config) { config.publicUbnReports = publicReports; }) {
        SimulatorSettings settings;
        settings.stations = 6;
        settings.qsosPerLog = 20;
        settings.districts = DistrictCodesOf(RunningSite::ReadText(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt"));
        for (const SimulatedLog& log : SimulateContest(settings).logs) {
            auto res = UploadLog(site.client(), log.text);
            EXPECT_EQ(res->status, 201) << res->body;
            calls.push_back(log.call);
            receipts.push_back(json::parse(res->body)["receipt"]);
        }
        bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    }

    void publish() {
        auto c = site.client();
        auto started = c.Post("/api/committee/crosscheck", bearer, "{}", "application/json");
        ASSERT_EQ(started->status, 202);
        const std::string run = "/api/committee/runs/" + std::to_string(json::parse(started->body)["run"].get<int>());
        ASSERT_TRUE(WaitFor([&] { return json::parse(c.Get(run.c_str(), bearer)->body)["state"] != "running"; }));
        ASSERT_EQ(c.Post((run + "/publish").c_str(), bearer, "", "text/plain")->status, 200);
    }

    void closeUploads() {
        auto moved = site.client().Post("/api/committee/deadline", bearer, "{\"deadline\":\"2017-05-10 00:00\"}", "application/json");
        ASSERT_EQ(moved->status, 200) << moved->body;
    }

    RunningSite site;
    httplib::Headers bearer;
    std::vector<std::string> calls, receipts;
};

}  // namespace

// The results come in the site's frame; each row links its report only where the reports are
// public, and every link given there opens; the site's own parts of the run are never served.
TEST(ResultsPage, InTheSitesFrameWithReportLinksOnlyWhereThePublicMayReadThem) {
    for (const bool publicReports : {false, true}) {
        SCOPED_TRACE(publicReports ? "public reports" : "reports to their senders");
        PublishedContest contest(publicReports);
        contest.publish();
        auto c = contest.site.client();
        for (const char* path : {"/results/", "/results/results.html"}) {
            auto res = c.Get(path, {{"Accept-Language", "uk"}});
            ASSERT_EQ(res->status, 200);
            const std::string& page = res->body;
            EXPECT_TRUE(Has(page, "<link rel=\"stylesheet\" href=\"/style.css\">")) << "not in the site's frame";
            EXPECT_TRUE(Has(page, "<html lang=\"uk\">") && Has(page, "<h1>Результати</h1>"));
            EXPECT_FALSE(Has(page, "<style>")) << "the bare page's own style";
            for (const std::string& call : contest.calls) EXPECT_TRUE(Has(page, "<td>" + call + "</td>")) << call;
            EXPECT_EQ(Has(page, ".ubn.txt\">текст</a>"), publicReports);
            EXPECT_EQ(Has(page, "Результати перевірки кожного звіту бачить його відправник"), !publicReports);
        }
        const std::string report = "/results/" + contest.calls[0] + ".html";
        auto reportPage = c.Get(report.c_str(), {{"Cookie", "lang=uk"}});
        EXPECT_EQ(reportPage->status, publicReports ? 200 : 404);
        if (publicReports)
            EXPECT_TRUE(Has(reportPage->body, "<h1>Результати перевірки звіту " + contest.calls[0] + " (UBN)</h1>") &&
                        Has(reportPage->body, "<div class=\"report\">") && Has(reportPage->body, "<svg"))
                << "the report is not in the site's frame";
        EXPECT_EQ(c.Get(("/results/" + contest.calls[0] + ".ubn.txt").c_str())->status, publicReports ? 200 : 404);
        for (const char* part : {"/results/site-results-linked.part", "/results/site-results-plain.part",
                                 "/results/..%2Fzelk-server.db", "/results/.hidden"})
            EXPECT_EQ(c.Get(part)->status, 404) << part;
        auto csv = c.Get("/results/results.csv");
        ASSERT_EQ(csv->status, 200);
        EXPECT_TRUE(Has(csv->body, contest.calls[0]));
        // The sender reaches his own report from his receipt either way, in the frame and as text.
        auto own = c.Get((contest.receipts[0] + "/ubn").c_str());
        ASSERT_EQ(own->status, 200);
        EXPECT_TRUE(Has(own->body, "<link rel=\"stylesheet\" href=\"/style.css\">") &&
                    Has(own->body, "href=\"" + contest.receipts[0] + "/ubn.txt\""));
        auto ownText = c.Get((contest.receipts[0] + "/ubn.txt").c_str());
        ASSERT_EQ(ownText->status, 200);
        EXPECT_TRUE(Has(ownText->body, contest.calls[0]));
    }
}

// After the deadline the contest page offers no upload and no correction; it points to the results
// once they are out. A receipt then offers no corrected log either.
TEST(ClosedPage, NoUploadAfterTheDeadlineAndTheResultsOnceOut) {
    PublishedContest contest(false);
    contest.closeUploads();
    auto c = contest.site.client();
    for (const std::string language : {"en", "uk"}) {
        SCOPED_TRACE(language);
        const httplib::Headers headers = {{"Accept-Language", language}};
        const std::string page = c.Get("/", headers)->body;
        EXPECT_FALSE(Has(page, "action=\"/upload\""));
        EXPECT_FALSE(Has(page, "until the deadline") || Has(page, "До кінцевого терміну можна"));
        EXPECT_TRUE(Has(page, language == "en" ? "logs are no longer taken" : "звіти більше не приймаються"));
        EXPECT_FALSE(Has(page, "href=\"/results/\">" + std::string(language == "en" ? "see" : "переглянути")));
        const std::string receipt = c.Get(contest.receipts[0].c_str(), headers)->body;
        EXPECT_FALSE(Has(receipt, "name=\"receipt\"")) << "a corrected log offered after the deadline";
        EXPECT_FALSE(Has(receipt, "until then you may send") || Has(receipt, "до того часу можна"));
    }
    contest.publish();
    EXPECT_TRUE(Has(c.Get("/")->body, "<a href=\"/results/\">see the results</a>"));
    EXPECT_TRUE(Has(c.Get("/", {{"Accept-Language", "uk"}})->body, "<a href=\"/results/\">переглянути результати</a>"));
}

// The results' tables and a report's sections speak the visitor's language; a run written before
// they came in Ukrainian shows its English ones to a Ukrainian visitor.
TEST(ResultsPage, TablesAndReportsInTheVisitorsLanguage) {
    PublishedContest contest(true);
    contest.publish();
    auto c = contest.site.client();
    const std::string report = "/results/" + contest.calls[0] + ".html";
    const std::string ownReport = contest.receipts[0] + "/ubn";
    const std::vector<std::string> english = {"<th>Rank</th><th>Call</th><th>QSOs claimed</th>", "<th>Checked score</th>",
                                              "Two records of a QSO match within", ".ubn.txt\">text</a>"};
    const std::vector<std::string> ukrainian = {"<th>Місце</th><th>Позивний</th><th>QSO заявлено</th>",
                                                "<th>Перевірений результат</th>", "Два записи одного QSO збігаються",
                                                ".ubn.txt\">текст</a>"};
    const std::vector<std::string> englishReport = {"<h2>Checked score</h2>", "<h2>QSOs per hour and band</h2>",
                                                    "<h2>Busted calls: ", "Log file: "};
    const std::vector<std::string> ukrainianReport = {"<h2>Перевірений результат</h2>", "<h2>QSO по годинах і діапазонах</h2>",
                                                      "<h2>Помилкові позивні: ", "Файл звіту: "};
    const auto expectIn = [](const std::string& page, const std::vector<std::string>& shown,
                             const std::vector<std::string>& notShown) {
        for (const std::string& words : shown) EXPECT_TRUE(Has(page, words)) << words;
        for (const std::string& words : notShown) EXPECT_FALSE(Has(page, words)) << words;
    };
    for (const bool olderRun : {false, true}) {
        SCOPED_TRACE(olderRun ? "a run without the Ukrainian parts" : "this run");
        if (olderRun)
            for (const auto& entry : std::filesystem::recursive_directory_iterator(contest.site.folder))
                if (entry.path().string().ends_with(".uk.part")) std::filesystem::remove(entry.path());
        for (const std::string language : {"en", "uk"}) {
            SCOPED_TRACE(language);
            const httplib::Headers headers = {{"Accept-Language", language}};
            const bool inUkrainian = language == "uk" && !olderRun;
            auto results = c.Get("/results/", headers);
            ASSERT_EQ(results->status, 200);
            expectIn(results->body, inUkrainian ? ukrainian : english, inUkrainian ? english : ukrainian);
            for (const std::string& path : {report, ownReport}) {
                auto page = c.Get(path.c_str(), headers);
                ASSERT_EQ(page->status, 200) << path;
                EXPECT_TRUE(Has(page->body, "<div class=\"report\">")) << path << ": not in the site's frame";
                expectIn(page->body, inUkrainian ? ukrainianReport : englishReport,
                         inUkrainian ? englishReport : ukrainianReport);
            }
        }
    }
}
