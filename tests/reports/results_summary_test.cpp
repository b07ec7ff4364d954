#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qso_records.h"
#include "reports/contest_score.h"
#include "reports/results_summary.h"

namespace {

const SummaryHeading kHeading{"UT1AA", "05.05", "06.05.2017"};

// Three bands worked out of order, districts in several modes, a dupe and a bad district.
ContestState MixedContest() {
    ContestState contest;
    contest.bandsWorked = {"40m", "160m", "80m"};
    contest.qsoLog.append(ScoredQso("UR5AB", "40m", "CW", "KI"));
    contest.qsoLog.append(ScoredQso("UR5AC", "160m", "SSB", "KI"));
    contest.qsoLog.append(ScoredQso("DL1ABC", "80m", "CW"));
    contest.qsoLog.append(DupeQso("UR5AB", "40m", "CW"));
    contest.qsoLog.append(ScoredQso("UR5AD", "40m", "SSB", "KI"));
    contest.qsoLog.append(ScoredQso("UR5AE", "40m", "CW", "OD"));
    contest.qsoLog.append(BadDistrictQso("UR7ZZ", "80m", "CW"));
    contest.qsoLog.append(ScoredQso("UR5AF", "40m", "RTTY", "KI"));
    return contest;
}

// Header, one dupe line and one bad-district line.
const BadQsoLineCount kMixedBadQsoLines{3, 1};

TEST(ResultsSummary, TextOfMixedLog) {
    ContestState contest = MixedContest();
    ContestScore score = ScoreContest(contest, kMixedBadQsoLines);

    EXPECT_EQ(FormatResultsText(score, kHeading, true),
              "\t\tZELK CONTEST  06.05.2017\r\n"
              "\t\t   Contestant: UT1AA \r\n"
              "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\r\n"
              "160m\t 1\t 1\t 1\t 0\t 1\t 0\r\n"
              "80m\t 1\t 0\t 1\t 1\t 0\t 0\r\n"
              "40m\t 4\t 4\t 4\t 2\t 1\t 1\r\n"
              "Total\t 6\t 5\t 6\t 3\t 2\t 1\r\n"
              "Dupe\t 1\r\n"
              "Bad QSO\t 1\r\n"
              "Score:\t 6 *  5 = 30\r\n");
    EXPECT_EQ(score.score, 30);
}

TEST(ResultsSummary, TextWithoutFootEndsAfterTotalRow) {
    ContestState contest = MixedContest();
    std::string text = FormatResultsText(ScoreContest(contest, kMixedBadQsoLines), kHeading, false);
    EXPECT_TRUE(text.ends_with("40m\t 4\t 4\t 4\t 2\t 1\t 1\r\nTotal\t 6\t 5\t 6\t 3\t 2\t 1\r\n"));
}

TEST(ResultsSummary, HtmlOfMixedLog) {
    ContestState contest = MixedContest();
    ContestScore score = ScoreContest(contest, kMixedBadQsoLines);

    EXPECT_EQ(FormatResultsHtml(score, kHeading),
              "<html><head><style>table{ width:100%; }table, th, td{ border: 1px solid black; "
              "border-collapse: collapse; }th, td{ padding: 1px; text-align: middle; }th,td{ "
              "background-color: #fffac6; color: black; }</style></head><body>"
              "<center><b>   ZELK CONTEST 05.05-06.05.2017</b></center>"
              "<center>Contestant:  <b>UT1AA</center></b><table>"
              "<tr><th>Band</th><th>QSOs</th><th>Points</th><th>ZELK</th><th>CW</th><th>SSB</th><th>DIG</th></tr>"
              "<tr><th><center>160m</center></th><td><center>1</center></td><td><center>1</center></td>"
              "<td><center>1</center></td><td><center>0</center></td><td><center>1</center></td>"
              "<td><center>0</center></td></tr>"
              "<tr><th><center>80m</center></th><td><center>1</center></td><td><center>1</center></td>"
              "<td><center>0</center></td><td><center>1</center></td><td><center>0</center></td>"
              "<td><center>0</center></td></tr>"
              "<tr><th><center>40m</center></th><td><center>4</center></td><td><center>4</center></td>"
              "<td><center>4</center></td><td><center>2</center></td><td><center>1</center></td>"
              "<td><center>1</center></td></tr>"
              "<tr><th><center>Total</center></th><td><center>6</center></td><td><center>6</center></td>"
              "<td><center>5</center></td><td><center>3</center></td><td><center>2</center></td>"
              "<td><center>1</center></td></tr>"
              "<tr><th><center>Dupe</center></th><td><center>1</center></td><td colspan=6> </td></tr>"
              "<tr><th><center>Bad QSO</center></th><td><center>1</center></td><td colspan=6> </td></tr>"
              "<tr><th>Score:</th><td colspan=7><center>6 *  5 = 30</center></td></tr>"
              "</table></body></html>");
}

TEST(ResultsSummary, EmptyLog) {
    ContestState contest;
    ContestScore score = ScoreContest(contest, {1, 0});

    EXPECT_EQ(FormatResultsText(score, kHeading, false),
              "\t\tZELK CONTEST  06.05.2017\r\n"
              "\t\t   Contestant: UT1AA \r\n"
              "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\r\n"
              "Total\t 0\t 0\t 0\t 0\t 0\t 0\r\n");
    std::string html = FormatResultsHtml(score, kHeading);
    EXPECT_NE(html.find("<th>DIG</th></tr><tr><th><center>Total</center></th><td><center>0</center></td>"),
              std::string::npos);
    EXPECT_TRUE(html.ends_with(
        "<tr><th><center>Dupe</center></th><td><center>0</center></td><td colspan=6> </td></tr>"
        "<tr><th><center>Bad QSO</center></th><td><center>0</center></td><td colspan=6> </td></tr>"
        "<tr><th>Score:</th><td colspan=7><center>0 *  0 = 0</center></td></tr>"
        "</table></body></html>"));
}

TEST(ResultsSummary, BandsAreReportedLowestFrequencyFirstAndStaySorted) {
    const std::vector<std::vector<std::string>> orders = {
        {"40m", "160m", "80m"}, {"80m", "40m", "160m"}, {"160m", "80m", "40m"}, {"40m", "80m"}};
    for (const auto& order : orders) {
        ContestState contest;
        contest.bandsWorked = order;
        ContestScore score = ScoreContest(contest, {});

        std::vector<std::string> expected;
        for (const char* band : {"160m", "80m", "40m"}) {
            if (std::find(order.begin(), order.end(), band) != order.end()) expected.push_back(band);
        }
        std::vector<std::string> reported;
        for (const auto& row : score.bands) reported.push_back(row.band);
        EXPECT_EQ(reported, expected);
        EXPECT_EQ(contest.bandsWorked, expected);
    }
}

struct MultiplierCase {
    const char* what;
    std::vector<CInfo> records;
    int multiplier160, multiplier80, multiplier40;
};

TEST(ResultsSummary, MultiplierCountsDistrictsOncePerBandAndModeColumn) {
    const std::vector<MultiplierCase> cases = {
        {"same district CW and SSB on one band",
         {ScoredQso("UR1", "80m", "CW", "KI"), ScoredQso("UR2", "80m", "SSB", "KI")}, 0, 2, 0},
        {"same district CW on two bands",
         {ScoredQso("UR1", "80m", "CW", "KI"), ScoredQso("UR2", "40m", "CW", "KI")}, 0, 1, 1},
        {"same district twice CW on one band",
         {ScoredQso("UR1", "80m", "CW", "KI"), ScoredQso("UR2", "80m", "CW", "KI")}, 0, 1, 0},
        {"digital modes are separate columns",
         {ScoredQso("UR1", "160m", "BPSK31", "KI"), ScoredQso("UR2", "160m", "BPSK63", "KI"),
          ScoredQso("UR3", "160m", "RTTY", "KI"), ScoredQso("UR4", "160m", "RTTY", "KI")}, 3, 0, 0},
        {"an alias name counts like the mode it stands for",
         {ScoredQso("UR1", "80m", "BPSK62", "KI"), ScoredQso("UR2", "80m", "BPSK63", "KI")}, 0, 1, 0},
        {"serial-number station and not-scored records",
         {ScoredQso("DL1", "40m", "CW"), DupeQso("UR1", "40m", "CW"),
          BadDistrictQso("UR2", "40m", "CW")}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ContestState contest;
        contest.bandsWorked = {"160m", "80m", "40m"};
        for (const auto& record : c.records) contest.qsoLog.append(record);
        ContestScore score = ScoreContest(contest, {});
        EXPECT_EQ(score.bands[0].multiplier, c.multiplier160) << c.what;
        EXPECT_EQ(score.bands[1].multiplier, c.multiplier80) << c.what;
        EXPECT_EQ(score.bands[2].multiplier, c.multiplier40) << c.what;
    }
}

TEST(ResultsSummary, BadQsoIsTheFindingLinesThatAreNotDuplicateLines) {
    // Lines with the header, duplicate lines, dupe records, Bad QSO. Three QSOs with one station
    // write three duplicate lines (one, then two) for two dupes.
    struct Case { std::int64_t lines, duplicateLines; int dupes; int badQso; };
    for (const Case& c : {Case{4, 3, 2, 0}, Case{5, 1, 1, 3}, Case{0, 0, 1, 0}, Case{1, 0, 0, 0}, Case{2, 0, 0, 1},
                          Case{7, 3, 2, 3}}) {
        ContestState contest;
        contest.bandsWorked = {"80m"};
        contest.qsoLog.append(ScoredQso("DL1", "80m", "CW"));
        for (int i = 0; i < c.dupes; ++i) contest.qsoLog.append(DupeQso("DL1", "80m", "CW"));
        ContestScore score = ScoreContest(contest, {c.lines, c.duplicateLines});
        EXPECT_EQ(score.dupe, c.dupes);
        EXPECT_EQ(score.badQso, c.badQso) << c.lines << " lines, " << c.duplicateLines << " duplicate lines";
    }
}

TEST(ResultsSummary, RebuildsDistrictRowsOfReportedBands) {
    ContestState contest = MixedContest();
    contest.workedDistricts[2][3] = {"stale"};
    contest.workedDistricts[4][0] = {"untouched"};
    contest.qsoLog.append(ScoredQso("UR5AG", "40m", "CW", "DN"));
    contest.qsoLog.append(ScoredQso("UR5AH", "40m", "CW", "KI"));

    ScoreContest(contest, {});

    using Cell = std::vector<std::string>;
    EXPECT_EQ(contest.workedDistricts[0][1], Cell{"KI"});
    EXPECT_EQ(contest.workedDistricts[2][0], (Cell{"KI", "OD", "DN"}));
    EXPECT_EQ(contest.workedDistricts[2][1], Cell{"KI"});
    EXPECT_EQ(contest.workedDistricts[2][9], Cell{"KI"});
    EXPECT_TRUE(contest.workedDistricts[2][3].empty());
    EXPECT_EQ(contest.workedDistricts[4][0], Cell{"untouched"});
}

// A band in another letter case has no row in the table: its districts count for its multiplier
// but are written nowhere. A mode in another letter case is a point without mode column.
TEST(ResultsSummary, NamesInAnotherLetterCase) {
    ContestState contest;
    contest.bandsWorked = {"160M", "80m"};
    contest.qsoLog.append(ScoredQso("UR1", "160M", "CW", "KI"));
    contest.qsoLog.append(ScoredQso("UR2", "80m", "cw", "KI"));

    ContestScore score = ScoreContest(contest, {});

    std::string text = FormatResultsText(score, kHeading, false);
    EXPECT_EQ(text.substr(text.find("DIG\r\n") + 5),
              "160M\t 1\t 1\t 1\t 1\t 0\t 0\r\n"
              "80m\t 1\t 0\t 1\t 0\t 0\t 0\r\n"
              "Total\t 2\t 1\t 2\t 1\t 0\t 0\r\n");
    for (const auto& row : contest.workedDistricts) {
        for (const auto& cell : row) EXPECT_TRUE(cell.empty());
    }
}

}  // namespace
