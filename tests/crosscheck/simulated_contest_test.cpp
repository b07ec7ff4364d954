#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/contest_simulator/contest_simulator.h"
#include "crosscheck/call_similarity.h"
#include "crosscheck/crosscheck_run.h"
#include "crosscheck/log_source.h"
#include "crosscheck/ubn_report.h"

namespace {

std::string SampleDistrictList() {
    std::ifstream file(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Found {
    Verdict verdict;
    CallSlip slip;
};

// The robot's verdict for every QSO line, by file and line.
std::map<std::pair<std::string, std::size_t>, Found> CrossCheckContest(const SimulatedContest& contest,
                                                                       const std::string& districtList) {
    std::vector<CrossLog> logs;
    for (const SimulatedLog& log : contest.logs) logs.push_back(CrossLogFromText(log.fileName, log.text));
    CrossCheckSettings settings;
    settings.districtList = districtList;
    const CrossCheckRun run = CrossCheckLogs(
        std::move(logs), std::vector<std::filesystem::file_time_type>(contest.logs.size()), settings);
    std::map<std::pair<std::string, std::size_t>, Found> found;
    for (std::size_t l = 0; l < run.logs.size(); ++l) {
        EXPECT_EQ(run.logs[l].unreadable, "") << run.logs[l].fileName;
        EXPECT_TRUE(run.logs[l].skipped.empty()) << run.logs[l].fileName;
        for (std::size_t q = 0; q < run.logs[l].qsos.size(); ++q)
            found[{run.logs[l].fileName, run.logs[l].qsos[q].line}] = {run.checks[l][q].verdict,
                                                                       run.checks[l][q].slip};
    }
    return found;
}

class SimulatedContestTest : public testing::TestWithParam<unsigned> {};

TEST_P(SimulatedContestTest, TheCrossCheckFindsExactlyThePlantedErrors) {
    const std::string districtList = SampleDistrictList();
    SimulatorSettings settings;
    settings.stations = 48;
    settings.qsosPerLog = 60;
    settings.seed = GetParam();
    settings.plantedOfEachKind = 2;
    settings.districts = DistrictCodesOf(districtList);
    const SimulatedContest contest = SimulateContest(settings);

    for (const char* kind : {"NIL", "busted call", "busted exchange", "dupe", "time off", "unique"})
        EXPECT_GE(contest.planted.count(kind) ? contest.planted.at(kind) : 0, 1u) << kind;
    EXPECT_EQ(contest.planted.count("busted call") ? contest.planted.at("busted call") : 0,
              10u);  // 2 of each of 5 slips
    EXPECT_EQ(contest.planted.count("log nobody logged"), 1u);

    const auto found = CrossCheckContest(contest, districtList);
    ASSERT_EQ(found.size(), contest.truth.size());
    std::map<std::string_view, std::size_t> planted, agreed;
    for (const TruthRecord& truth : contest.truth) {
        const auto at = found.find({truth.fileName, truth.line});
        ASSERT_NE(at, found.end()) << truth.fileName << ":" << truth.line;
        const std::string_view wanted = TruthName(truth.truth);
        ++planted[wanted];
        EXPECT_EQ(VerdictName(at->second.verdict), wanted) << truth.fileName << ":" << truth.line << " " << truth.label;
        EXPECT_EQ(SlipName(at->second.slip), PlantedSlipName(truth.slip))
            << truth.fileName << ":" << truth.line << " " << truth.label;
        if (VerdictName(at->second.verdict) == wanted) ++agreed[wanted];
    }
    EXPECT_EQ(agreed, planted);
    for (const auto& [verdict, count] : planted) RecordProperty(std::string(verdict), std::to_string(count));
}

// Clean QSOs, planted errors and the stations without a log fall differently with every seed.
INSTANTIATE_TEST_SUITE_P(Seeds, SimulatedContestTest, testing::Values(1u, 2u, 3u, 17u));

TEST(SimulatedContest, ACleanContestMatchesEveryQsoWithALogOnBothSides) {
    SimulatorSettings settings;
    settings.stations = 30;
    settings.qsosPerLog = 40;
    settings.plantedOfEachKind = 0;
    settings.districts = {"KI01", "KR02", "VI03"};
    const SimulatedContest contest = SimulateContest(settings);
    const auto found = CrossCheckContest(contest, "KI-01\nKR-02\nVI-03\n");
    std::size_t matched = 0;
    for (const auto& [where, verdict] : found) {
        EXPECT_TRUE(verdict.verdict == Verdict::matched || verdict.verdict == Verdict::notCheckable ||
                    verdict.verdict == Verdict::unique)
            << where.first << ":" << where.second;
        matched += verdict.verdict == Verdict::matched;
    }
    EXPECT_GT(matched, found.size() * 8 / 10);
}

}  // namespace

namespace {

TEST(SimulatedContest, AnIncludedLogJoinsAndItsStationsLogTheirSide) {
    SimulatorSettings settings;
    settings.stations = 12;
    settings.qsosPerLog = 30;
    settings.plantedOfEachKind = 0;
    settings.districts = {"KI01", "KR02"};
    settings.includedFileName = "ut5zz.cbr";
    settings.includedText =
        "START-OF-LOG: 3.0\nCALLSIGN: UT5ZZ\n"
        "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"
        "QSO:  7050 PH 2017-05-05 2110 UT5ZZ 59  KI01 UR7QM  59  KR02\n"
        "QSO:  3521 CW 2017-05-05 2140 UT5ZZ 599 KI01 DL1ABC 599 009\n"
        "QSO:  1830 PS 2017-05-05 2230 UT5ZZ 599 KI01 OK2XY  599 044\n"
        "END-OF-LOG:\n";
    const SimulatedContest contest = SimulateContest(settings);
    ASSERT_EQ(contest.logs.size(), 12u);
    EXPECT_EQ(contest.logs.front().text, settings.includedText);

    std::vector<CrossLog> logs;
    for (const SimulatedLog& log : contest.logs) logs.push_back(CrossLogFromText(log.fileName, log.text));
    const CrossCheckRun run =
        CrossCheckLogs(std::move(logs), std::vector<std::filesystem::file_time_type>(12), {});
    std::vector<Verdict> included;
    for (const QsoCheck& check : run.checks.front()) included.push_back(check.verdict);
    EXPECT_EQ(included, (std::vector{Verdict::matched, Verdict::matched, Verdict::dupe, Verdict::matched}));
    // The stations it worked take part, and log each QSO once (DL1ABC: not the repeat).
    for (std::size_t l = 1; l <= 3; ++l) {
        const std::size_t withUt5zz = static_cast<std::size_t>(
            std::count_if(run.logs[l].qsos.begin(), run.logs[l].qsos.end(),
                          [&](const CrossQso& qso) { return run.logs[l].text(qso.call) == "UT5ZZ"; }));
        EXPECT_EQ(withUt5zz, 1u) << run.logs[l].ownCall;
    }
    EXPECT_EQ(run.logs[1].ownCall, "DL1ABC");
    EXPECT_EQ(run.logs[2].ownCall, "UR7QM");
    EXPECT_EQ(run.logs[3].ownCall, "OK2XY");
}

}  // namespace
