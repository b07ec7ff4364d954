#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/contest_simulator/contest_simulator.h"
#include "tools/zelk_crosscheck/crosscheck_run.h"
#include "tools/zelk_crosscheck/log_source.h"
#include "tools/zelk_crosscheck/ubn_report.h"

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
    const CrossCheckRun run = CrossCheckLogs(std::move(logs), std::vector<std::filesystem::file_time_type>(contest.logs.size()), settings);
    std::map<std::pair<std::string, std::size_t>, Found> found;
    for (std::size_t l = 0; l < run.logs.size(); ++l) {
        EXPECT_EQ(run.logs[l].unreadable, "") << run.logs[l].fileName;
        EXPECT_TRUE(run.logs[l].skipped.empty()) << run.logs[l].fileName;
        for (std::size_t q = 0; q < run.logs[l].qsos.size(); ++q)
            found[{run.logs[l].fileName, run.logs[l].qsos[q].line}] = {run.checks[l][q].verdict, run.checks[l][q].slip};
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
    EXPECT_EQ(contest.planted.count("busted call") ? contest.planted.at("busted call") : 0, 10u);  // 2 of each of 5 slips
    EXPECT_EQ(contest.planted.count("log nobody logged"), 1u);

    const auto found = CrossCheckContest(contest, districtList);
    ASSERT_EQ(found.size(), contest.truth.size());
    std::map<Verdict, std::size_t> planted, agreed;
    for (const TruthRecord& truth : contest.truth) {
        const auto at = found.find({truth.fileName, truth.line});
        ASSERT_NE(at, found.end()) << truth.fileName << ":" << truth.line;
        ++planted[truth.verdict];
        EXPECT_EQ(VerdictName(at->second.verdict), VerdictName(truth.verdict))
            << truth.fileName << ":" << truth.line << " " << truth.label;
        EXPECT_EQ(at->second.slip, truth.slip) << truth.fileName << ":" << truth.line << " " << truth.label;
        if (at->second.verdict == truth.verdict) ++agreed[truth.verdict];
    }
    EXPECT_EQ(agreed, planted);
    for (const auto& [verdict, count] : planted) RecordProperty(std::string(VerdictName(verdict)), std::to_string(count));
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
