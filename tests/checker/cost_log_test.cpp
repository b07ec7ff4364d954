// Logs whose cost would follow the attacker: thousands of copies of one QSO (the plug-in writes a
// DUPE line for every earlier copy) and thousands of broken or rejected lines. The messages and the
// bad-QSO file stay bounded, and the counts of what was left out are said.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "checker/checker_folder.h"

namespace {

constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_05_05_2017.txt";
constexpr const char* kHead = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\n";
constexpr const char* kQso = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n";

std::string Repeated(const std::string& line, std::size_t times) {
    std::string text;
    text.reserve(line.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += line;
    return text;
}

// Lines that name a line of the log: "log.cbr:12: ...".
std::size_t NamedLines(const std::string& err) {
    std::size_t count = 0;
    for (std::size_t at = err.find("log.cbr:"); at != std::string::npos; at = err.find("log.cbr:", at + 1))
        if ((at == 0 || err[at - 1] == '\n') && at + 8 < err.size() && std::isdigit(static_cast<unsigned char>(err[at + 8]))) ++count;
    return count;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class CostLog : public CheckCommand {};

TEST_F(CostLog, MessagesAndFindingLinesAreBoundedAndTheRestCounted) {
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> said;  // on standard error
        std::size_t namedLines;         // lines "log.cbr:N: ..." on standard error
        std::size_t badQsoLines;        // the bad-QSO file's lines, its header included
    } cases[] = {
        {"1,000 copies of one QSO", kHead + Repeated(kQso, 1000),
         {"log.cbr:4: DUPE of line 3\n", "log.cbr:102: DUPE of line 3\n",
          "log.cbr: ... and 899 more like this: DUPE of line 3\n",
          "9945 finding lines in ./BadQSO_StatsZELK_05_05_2017.txt (and 489555 DUPE lines not written: at most 10 for "
          "each QSO"},
         100, 1 + 45 + 990 * 10},
        {"20,000 broken QSO lines", kHead + std::string(kQso) + Repeated("QSO: junk\r\n", 20'000),
         {"log.cbr:4: QSO line has 1 fields, too few for a QSO, line skipped\n",
          "log.cbr: ... and 19900 more like this: QSO line has 1 fields, too few for a QSO, line skipped\n",
          "1 QSO read, 20000 lines skipped"},
         100, 1},
        {"broken lines of two kinds, interleaved", kHead + std::string(kQso) + Repeated("QSO: junk\r\nxyz\r\n", 300),
         {"log.cbr: ... and 200 more like this: QSO line has 1 fields, too few for a QSO, line skipped\n"
          "log.cbr: ... and 200 more like this: not a Cabrillo line, line skipped\n",
          "1 QSO read, 600 lines skipped"},
         200, 1},
        {"500 QSOs in a mode outside the contest",
         kHead + Repeated("QSO:  3512 FM 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n", 500) + kQso,
         {"log.cbr:102: WRONG MODE FM\n", "log.cbr: ... and 400 more like this: WRONG MODE FM\n"},
         100, 501},
        {"99 copies: every DUPE named, the lines bounded", kHead + Repeated(kQso, 99),
         {"log.cbr:101: DUPE of line 3\n",
          "99 QSOs read, 0 lines skipped; 99 logged, 0 rejected; 935 finding lines in ./BadQSO_StatsZELK_05_05_2017.txt "
          "(and 3916 DUPE lines not written"},
         98, 1 + 45 + 89 * 10},
        {"11 copies: under every bound", kHead + Repeated(kQso, 11),
         {"log.cbr:13: DUPE of line 3\n", "55 finding lines in ./BadQSO_StatsZELK_05_05_2017.txt\n"},
         10, 1 + 55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("log.cbr", c.log + "END-OF-LOG:\r\n");
        const Outcome result = run({"log.cbr"});
        EXPECT_EQ(result.exitCode, 1);
        for (const std::string& said : c.said) EXPECT_NE(result.err.find(said), std::string::npos) << said;
        EXPECT_EQ(NamedLines(result.err), c.namedLines);
        EXPECT_LT(result.err.size(), 20'000u);
        EXPECT_EQ(Count(read(kBadQsoFile), "\r\n"), c.badQsoLines);
    }
}

// Only the bad-QSO file's DUPE lines are bounded: the summary counts every dupe, as the plug-in's.
TEST_F(CostLog, TheSummaryCountsEveryDupe) {
    write("log.cbr", kHead + Repeated(kQso, 1000));
    const Outcome result = run({"log.cbr", "--quiet"});
    EXPECT_NE(result.out.find("Dupe\t 999\r\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Bad QSO\t 0\r\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Score:\t 1 *  1 = 1"), std::string::npos) << result.out;
}

}  // namespace
