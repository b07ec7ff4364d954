#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "crosscheck/contest_categories.h"
#include "crosscheck/crosscheck_command.h"

namespace fs = std::filesystem;

namespace {

// Four short logs with every finding once in UT5ZZ's: a matched QSO, a busted exchange (the only
// QSO of district KR02), a busted call, a not-in-log QSO, a unique, a call nobody can check, and a
// repeat of the matched QSO. DL1ABC and UR7QM logged one QSO ten minutes apart; DL1ABC's log has a
// broken line; OK2XY's log names no own call.
constexpr const char* kUt5zz =
    "START-OF-LOG: 3.0\n"
    "CALLSIGN: UT5ZZ\n"
    "CATEGORY-OPERATOR: SINGLE-OP\n"
    "CONTEST: ZELK\n"
    "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"
    "QSO:  7050 PH 2017-05-05 2110 UT5ZZ 59  KI01 UR7QM  59  KR02\n"
    "QSO:  1820 CW 2017-05-05 2120 UT5ZZ 599 KI01 OK2XZ  599 014\n"
    "QSO:  7020 CW 2017-05-05 2130 UT5ZZ 599 KI01 DL1ABC 599 005\n"
    "QSO:  3700 PH 2017-05-05 2140 UT5ZZ 59  KI01 SP9QQ  59  021\n"
    "QSO:  3580 RY 2017-05-05 2150 UT5ZZ 599 KI01 EA7XX  599 088\n"
    "QSO:  3521 CW 2017-05-05 2210 UT5ZZ 599 KI01 DL1ABC 599 009\n"
    "END-OF-LOG:\n";

constexpr const char* kDl1abc =
    "START-OF-LOG: 2.0\r\n"
    "CALLSIGN: DL1ABC\r\n"
    "CATEGORY: SINGLE-OP ALL LOW\r\n"
    "QSO:  3520 CW 2017-05-05 2102 DL1ABC 599 001 UT5ZZ 599 ki01\r\n"
    "QSO:  3581 RY 2017-05-05 2230 DL1ABC 599 002 EA7XX 599 090\r\n"
    "QSO:  7010 CW 2017-05-05 2240 DL1ABC 599 003 UR7QM 599 VI03\r\n"
    "QSO:  7010 CW 2017-05-05\r\n"
    "END-OF-LOG:\r\n";

constexpr const char* kUr7qm =
    "UR7QM's log\n<ADIF_VER:5>3.1.0 <EOH>\n"
    "<CALL:5>UT5ZZ <QSO_DATE:8>20170505 <TIME_ON:4>2111 <BAND:3>40m <MODE:3>SSB <RST_SENT:2>59 "
    "<RST_RCVD:2>59 "
    "<STX_STRING:4>VI03 <SRX_STRING:4>KI01 <STATION_CALLSIGN:5>UR7QM <EOR>\n"
    "<CALL:6>DL1ABC <QSO_DATE:8>20170505 <TIME_ON:4>2250 <BAND:3>40m <MODE:2>CW <RST_SENT:3>599 "
    "<RST_RCVD:3>599 "
    "<STX_STRING:4>VI03 <SRX_STRING:3>003 <STATION_CALLSIGN:5>UR7QM <EOR>\n";

constexpr const char* kOk2xy =
    "<EOH>\n"
    "<CALL:5>UT5ZZ <QSO_DATE:8>20170505 <TIME_ON:4>2121 <BAND:4>160m <MODE:2>CW <RST_SENT:3>599 "
    "<RST_RCVD:3>599 "
    "<STX_STRING:3>014 <SRX_STRING:4>KI01 <EOR>\n";

constexpr const char* kDistricts = "KI-01 Kyiv city\nKR-02 Kyiv region\nVI-03 Vinnytsia\n";

constexpr const char* kUt5zzUbn =
    R"(ZELK contest log check: UBN report for UT5ZZ

Log file: UT5ZZ.log (Cabrillo), 7 QSOs read, 0 lines skipped
Category: CATEGORY-OPERATOR: SINGLE-OP

Claimed score (every QSO of the log)
)"
    "\t\tZELK CONTEST  05.05.2017\n"
    "\t\t   Contestant: UT5ZZ \n"
    "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\n"
    "160m\t 1\t 0\t 1\t 1\t 0\t 0\n"
    "80m\t 3\t 0\t 3\t 1\t 1\t 1\n"
    "40m\t 2\t 1\t 2\t 1\t 1\t 0\n"
    "Total\t 6\t 1\t 6\t 3\t 2\t 1\n"
    "Dupe\t 1\n"
    "Bad QSO\t 0\n"
    "Score:\t 6 *  1 = 6\n"
    "\nChecked score (the QSOs the other logs confirm, or cannot check)\n"
    // Without the busted exchange the district KR02 is gone, and with it the only multiplier.
    "\t\tZELK CONTEST  05.05.2017\n"
    "\t\t   Contestant: UT5ZZ \n"
    "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\n"
    "80m\t 3\t 0\t 3\t 1\t 1\t 1\n"
    "Total\t 3\t 0\t 3\t 1\t 1\t 1\n"
    "Dupe\t 1\n"
    "Bad QSO\t 0\n"
    "Score:\t 3 *  0 = 0\n"
    R"(
Not in log: 1, removed from the checked score
  line 8     2017-05-05 2130  40m  CW      DL1ABC      sent "KI01", received "005"

Busted calls: 1, removed from the checked score
  line 7     2017-05-05 2120  160m CW      OK2XZ       logged OK2XZ -> correct OK2XY (changed character)

Busted exchanges: 1, removed from the checked score
  line 6     2017-05-05 2110  40m  SSB     UR7QM       received "KR02", UR7QM sent "VI03"

Uniques: 1, counted
  line 9     2017-05-05 2140  80m  SSB     SP9QQ       sent "KI01", received "021"

Not checkable (the station sent no log, others logged it too): 1, counted
  line 10    2017-05-05 2150  80m  RTTY    EA7XX       sent "KI01", received "088"

Repeats of a confirmed QSO (the plug-in's dupe rule applies): 1, counted
  line 11    2017-05-05 2210  80m  CW      DL1ABC      sent "KI01", received "009"

Outside the contest (band, mode or a missing exchange: the plug-in rejects them): 0

Outside the contest period: 0
)";

struct RunResult {
    int exitCode;
    std::string out, err;
};

class HandMadeContest : public testing::Test {
protected:
    void SetUp() override {
        m_root =
            fs::path(testing::TempDir()) / ("hand_made_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "logs");
        write("logs/UT5ZZ.log", kUt5zz);
        write("logs/DL1ABC.cbr", kDl1abc);
        write("logs/UR7QM.adi", kUr7qm);
        write("logs/ok2xy.adi", kOk2xy);
        write("logs/zelk.txt", kDistricts);
    }
    void TearDown() override { fs::remove_all(m_root); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(m_root / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream file(m_root / name, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    RunResult run(std::vector<std::string> args) {
        args.insert(args.begin(), "zelk-crosscheck");
        std::vector<const char*> argv;
        for (const std::string& arg : args) argv.push_back(arg.c_str());
        std::ostringstream out, err;
        const int code = CrossCheckMain(static_cast<int>(argv.size()), argv.data(), out, err);
        return {code, out.str(), err.str()};
    }
    RunResult runDefault() { return run({(m_root / "logs").string(), "-o", (m_root / "out").string()}); }

    fs::path m_root;
};

}  // namespace

namespace {

TEST_F(HandMadeContest, TheUbnReportOfTheLogWithEveryFindingIsWhole) {
    const RunResult result = runDefault();
    EXPECT_EQ(result.exitCode, 1) << result.err;  // DL1ABC's broken line
    EXPECT_EQ(read("out/UT5ZZ.ubn.txt"), kUt5zzUbn);
}

}  // namespace

namespace {

std::vector<std::string> CsvLines(const std::string& csv) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(csv.substr(start, end - start));
    EXPECT_EQ(start, csv.size()) << "every CSV line ends with CR LF";
    return lines;
}

TEST_F(HandMadeContest, TheSummarySaysWhatWasFoundAndSkipped) {
    const RunResult result = runDefault();
    EXPECT_EQ(
        result.out.substr(0, result.out.find("Time:")),
        "Logs: 4 found, 4 scored, 0 not scored; 1 line skipped\n"
        "QSOs: 13, matched 5 (38.5%)\n"
        "Not in log: 3, busted calls: 1, busted exchanges: 1, uniques: 1, not checkable: 2, repeats: 1, "
        "outside the contest: 0, outside the period: 0\n"
        "Results: " +
            (m_root / "out" / "results.html").string() + "\n");
    EXPECT_NE(result.err.find((m_root / "logs" / "DL1ABC.cbr").string() +
                              ":7: QSO line has 3 fields, too few for a QSO, line skipped"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("ok2xy.adi: the log names no own call; OK2XY taken from the file name"),
              std::string::npos)
        << result.err;
}

TEST_F(HandMadeContest, TheResultsRankByCheckedScoreWithClaimedAndCheckedFigures) {
    ASSERT_EQ(runDefault().exitCode, 1);
    const std::vector<std::string> lines = CsvLines(read("out/results.csv"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(
        lines[0],
        "Category,Rank,Call,QSOs claimed,QSOs checked,Multipliers claimed,Multipliers checked,Claimed score,"
        "Checked score,Error rate %,NIL,Busted calls,Busted exchanges,Uniques,Log file,Not scored");
    // Categories in name order (Cabrillo 2.0's CATEGORY: and 3.0's CATEGORY-*), the ADIF logs without one
    // last. DL1ABC's districts: KI01 on 80m CW, VI03 on 40m CW from the QSO not in UR7QM's log.
    EXPECT_EQ(lines[1], "CATEGORY-OPERATOR: SINGLE-OP,1,UT5ZZ,6,3,1,0,6,0,42.9,1,1,1,1,UT5ZZ.log,");
    EXPECT_EQ(lines[2], "CATEGORY: SINGLE-OP ALL LOW,1,DL1ABC,3,2,2,1,6,2,33.3,1,0,0,0,DL1ABC.cbr,");
    // Equal checked scores share a rank; the claimed score orders them.
    EXPECT_EQ(lines[3], "Category not given,1,UR7QM,2,1,1,1,2,1,50.0,1,0,0,0,UR7QM.adi,");
    // OK2XY's record of the QSO UT5ZZ logged as OK2XZ keeps its credit.
    EXPECT_EQ(lines[4], "Category not given,1,OK2XY,1,1,1,1,1,1,0.0,0,0,0,0,ok2xy.adi,");

    const std::string html = read("out/results.html");
    EXPECT_NE(html.find("<h2>CATEGORY-OPERATOR: SINGLE-OP</h2>"), std::string::npos);
    EXPECT_NE(
        html.find(
            "<p>Contest period 2017-05-05 21:00 to 2017-05-05 23:00 UTC. Two records of a QSO match within 5 "
            "minutes; a call one slip from the station that logged the QSO is a busted call; a not-in-log "
            "QSO "
            "costs its points; uniques keep their credit.</p>"),
        std::string::npos);
    EXPECT_NE(html.find("<a href=\"UT5ZZ.html\">page</a> <a href=\"UT5ZZ.ubn.txt\">text</a>"),
              std::string::npos);
    const std::string page = read("out/UT5ZZ.html");
    EXPECT_NE(page.find("<svg"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("logged OK2XZ -&gt; correct OK2XY"), std::string::npos);
}

struct RuleCase {
    std::vector<std::string> options;
    const char* expectedUt5zz;  // UT5ZZ's row from the rank on
    const char* expectedOther;  // another log's
};

TEST_F(HandMadeContest, EachRuleHasItsOption) {
    const RuleCase cases[] = {
        // Uniques lose their credit.
        {{"--remove-uniques"}, "1,UT5ZZ,6,2,1,0,6,0,57.1,1,1,1,1,", "1,DL1ABC,3,2,2,1,6,2,33.3,1,0,0,0,"},
        // A not-in-log QSO costs one more QSO's points.
        {{"--nil-penalty", "1"}, "1,UT5ZZ,6,3,1,0,6,0,42.9,1,1,1,1,", "1,DL1ABC,3,2,2,1,6,1,33.3,1,0,0,0,"},
        // Ten minutes apart is one QSO in a window of ten.
        {{"--window", "10"}, "1,UT5ZZ,6,3,1,0,6,0,42.9,1,1,1,1,", "1,DL1ABC,3,3,2,2,6,6,0.0,0,0,0,0,"},
        // A contest period of 21:05 to 22:00 leaves UT5ZZ's first and last QSO and all of DL1ABC's outside;
        // DL1ABC's records still confirm UT5ZZ's (EA7XX stays not checkable), and its own lose their credit.
        {{"--start", "2017-05-05 21:05", "--end", "2017-05-05 22:00"},
         "1,UT5ZZ,6,2,1,0,6,0,71.4,1,1,1,1,",
         "1,DL1ABC,3,0,2,0,6,0,100.0,0,0,0,0,"},
        // Without the search for busted calls OK2XZ is a unique, and OK2XY's record is not in UT5ZZ's log.
        {{"--no-busted-calls"}, "1,UT5ZZ,6,4,1,0,6,0,28.6,1,0,1,2,", "2,OK2XY,1,0,1,0,1,0,100.0,1,0,0,0,"},
    };
    for (const RuleCase& rule : cases) {
        std::vector<std::string> args = {(m_root / "logs").string(), "-o", (m_root / "out").string()};
        args.insert(args.end(), rule.options.begin(), rule.options.end());
        ASSERT_EQ(run(args).exitCode, 1);
        const std::string csv = read("out/results.csv");
        EXPECT_NE(csv.find(rule.expectedUt5zz), std::string::npos) << rule.options.front() << "\n" << csv;
        EXPECT_NE(csv.find(rule.expectedOther), std::string::npos) << rule.options.front() << "\n" << csv;
    }
}

TEST_F(HandMadeContest, UnusableLogsAndAnOlderLogOfOneCallAreListedAsNotScored) {
    write("logs/notes.txt", "Please find our logs attached, 73!\n");
    write("logs/UT5ZZ-first.log",
          "START-OF-LOG: 3.0\nCALLSIGN: ut5zz\n"
          "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\nEND-OF-LOG:\n");
    fs::last_write_time(m_root / "logs/UT5ZZ-first.log",
                        fs::last_write_time(m_root / "logs/UT5ZZ.log") - std::chrono::hours(2));
    const RunResult result = runDefault();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("two logs of one station: UT5ZZ: UT5ZZ.log counts, UT5ZZ-first.log is older"),
              std::string::npos)
        << result.err;
    const std::vector<std::string> lines = CsvLines(read("out/results.csv"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], ",,UT5ZZ,,,,,,,,,,,,UT5ZZ-first.log,\"replaced by UT5ZZ.log, a newer log of UT5ZZ\"");
    EXPECT_EQ(lines[6], ",,,,,,,,,,,,,,notes.txt,neither a Cabrillo nor an ADIF log");
    EXPECT_NE(read("out/results.html")
                  .find("<td>notes.txt</td><td></td><td>neither a Cabrillo nor an ADIF log</td>"),
              std::string::npos);
}

TEST_F(HandMadeContest, TextsFromALogAreEscapedInHtmlAndCsv) {
    write("logs/UT5ZZ.log",
          std::string(kUt5zz).replace(std::string(kUt5zz).find("SINGLE-OP"), 9, "<b>\"Club\", & Co</b>"));
    ASSERT_EQ(runDefault().exitCode, 1);
    const std::string html = read("out/results.html");
    EXPECT_NE(html.find("<h2>CATEGORY-OPERATOR: &lt;b&gt;&quot;Club&quot;, &amp; Co&lt;/b&gt;</h2>"),
              std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(read("out/results.csv").find("\r\n\"CATEGORY-OPERATOR: <b>\"\"Club\"\", & Co</b>\",1,UT5ZZ,"),
              std::string::npos);
    EXPECT_EQ(read("out/UT5ZZ.html").find("<b>"), std::string::npos);
}

TEST_F(HandMadeContest, TheOutputFolderIsReplacedWholeButNeverAForeignOne) {
    ASSERT_EQ(runDefault().exitCode, 1);
    ASSERT_TRUE(fs::exists(m_root / "out/OK2XY.ubn.txt"));
    fs::remove(m_root / "logs/ok2xy.adi");
    ASSERT_EQ(runDefault().exitCode, 1);
    EXPECT_FALSE(fs::exists(m_root / "out/OK2XY.ubn.txt"));
    EXPECT_TRUE(fs::exists(m_root / "out/UT5ZZ.ubn.txt"));

    fs::create_directories(m_root / "mine");
    write("mine/thesis.txt", "keep me");
    const RunResult refused = run({(m_root / "logs").string(), "-o", (m_root / "mine").string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("holds files zelk-crosscheck did not write"), std::string::npos)
        << refused.err;
    EXPECT_EQ(read("mine/thesis.txt"), "keep me");
    EXPECT_FALSE(fs::exists(m_root / "mine/results.html"));
}

// A file put into the results by hand is never deleted with them: the run refuses, naming it, and
// the previous results stay.
TEST_F(HandMadeContest, AFileTheProgramDidNotWriteInItsFolderIsNeverDeleted) {
    ASSERT_EQ(runDefault().exitCode, 1);
    for (const char* name : {"out/notes.txt", "out/OLDCALL.ubn.txt"}) {
        write(name, "the committee's own notes");
        const RunResult refused = runDefault();
        EXPECT_EQ(refused.exitCode, 2) << name;
        EXPECT_NE(refused.err.find("holds " + (m_root / name).string() + ", which zelk-crosscheck did not write"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(read(name), "the committee's own notes");
        EXPECT_TRUE(fs::exists(m_root / "out/OK2XY.ubn.txt"));
        fs::remove(m_root / name);
    }
    fs::create_directories(m_root / "out/drafts");
    EXPECT_EQ(runDefault().exitCode, 2);
    EXPECT_TRUE(fs::exists(m_root / "out/drafts"));
}

TEST_F(HandMadeContest, LeftoversOfStoppedRunsAreRemovedButNotWhatTheyDidNotWrite) {
    // Process ids above the system's largest: no such process runs.
    fs::create_directories(m_root / "out.new-99999998");
    write("out.new-99999998/.zelk-crosscheck", "Written by zelk-crosscheck; replaced whole on its next run. Its "
                                               "files:\nUT5ZZ.ubn.txt\nUT5ZZ.html\n");
    write("out.new-99999998/UT5ZZ.ubn.txt", "half written");
    // An earlier version's mark names no files: those of its names' shape are its own.
    fs::create_directories(m_root / "out.old-99999997");
    write("out.old-99999997/.zelk-crosscheck", "Written by zelk-crosscheck; replaced whole on its next run.\n");
    write("out.old-99999997/DL1ABC.html", "an earlier page");
    write("out.old-99999997/results.csv", "earlier results");
    ASSERT_EQ(runDefault().exitCode, 1);
    EXPECT_FALSE(fs::exists(m_root / "out.new-99999998"));
    EXPECT_FALSE(fs::exists(m_root / "out.old-99999997"));
    EXPECT_TRUE(fs::exists(m_root / "out/UT5ZZ.ubn.txt"));
    for (const fs::directory_entry& entry : fs::directory_iterator(m_root))
        EXPECT_EQ(entry.path().filename().string().find("out."), std::string::npos) << entry.path();

    fs::create_directories(m_root / "out.new-99999996");
    write("out.new-99999996/.zelk-crosscheck", "Written by zelk-crosscheck; replaced whole on its next run.\n");
    write("out.new-99999996/thesis.txt", "keep me");
    const RunResult refused = runDefault();
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find((m_root / "out.new-99999996/thesis.txt").string() +
                               ", which zelk-crosscheck did not write"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(read("out.new-99999996/thesis.txt"), "keep me");
}

TEST_F(HandMadeContest, NothingUsableOrBadOptionsExitWithTwoAndWriteNothing) {
    fs::create_directories(m_root / "empty");
    write("empty/zelk.txt", kDistricts);
    write("empty/notes.txt", "no log here");
    const std::vector<std::vector<std::string>> cases = {
        {(m_root / "empty").string()},
        {(m_root / "missing").string()},
        {(m_root / "logs").string(), "--window", "-1"},
        {(m_root / "logs").string(), "--nil-penalty", "x"},
        {(m_root / "logs").string(), "--start", "2017-05-05 21:00"},
        {(m_root / "logs").string(), "--districts", (m_root / "nowhere.txt").string()},
    };
    for (std::vector<std::string> args : cases) {
        args.push_back("-o");
        args.push_back((m_root / "out").string());
        const RunResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args[1];
        EXPECT_NE(result.err.find("zelk-crosscheck: "), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(m_root / "out")) << args[1];
    }
}

TEST_F(HandMadeContest, ACleanContestExitsWithZero) {
    write("logs/DL1ABC.cbr",
          "START-OF-LOG: 2.0\nCALLSIGN: DL1ABC\n"
          "QSO:  3520 CW 2017-05-05 2102 DL1ABC 599 001 UT5ZZ 599 KI01\nEND-OF-LOG:\n");
    EXPECT_EQ(runDefault().exitCode, 0);
}

}  // namespace

namespace {

TEST_F(HandMadeContest, EveryQsoHasItsVerdictInChecksCsv) {
    ASSERT_EQ(runDefault().exitCode, 1);
    const std::vector<std::string> lines = CsvLines(read("out/checks.csv"));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(
        lines[0],
        "Log file,Line,Own call,Time,Band,Mode,Call,Exchange received,Verdict,Call on the air,Exchange sent");
    // Logs in file name order: DL1ABC.cbr, UR7QM.adi, UT5ZZ.log, ok2xy.adi.
    const std::vector<std::string> expected = {
        "DL1ABC.cbr,4,DL1ABC,2017-05-05 2102,80m,CW,UT5ZZ,ki01,matched,,KI01",
        "DL1ABC.cbr,5,DL1ABC,2017-05-05 2230,80m,RTTY,EA7XX,090,not checkable,,",
        "DL1ABC.cbr,6,DL1ABC,2017-05-05 2240,40m,CW,UR7QM,VI03,not in log,,",
        "UR7QM.adi,3,UR7QM,2017-05-05 2111,40m,SSB,UT5ZZ,KI01,matched,,KI01",
        "UR7QM.adi,4,UR7QM,2017-05-05 2250,40m,CW,DL1ABC,003,not in log,,",
        "UT5ZZ.log,5,UT5ZZ,2017-05-05 2100,80m,CW,DL1ABC,001,matched,,001",
        "UT5ZZ.log,6,UT5ZZ,2017-05-05 2110,40m,SSB,UR7QM,KR02,busted exchange,,VI03",
        "UT5ZZ.log,7,UT5ZZ,2017-05-05 2120,160m,CW,OK2XZ,014,busted call,OK2XY,014",
        "UT5ZZ.log,8,UT5ZZ,2017-05-05 2130,40m,CW,DL1ABC,005,not in log,,",
        "UT5ZZ.log,9,UT5ZZ,2017-05-05 2140,80m,SSB,SP9QQ,021,unique,,",
        "UT5ZZ.log,10,UT5ZZ,2017-05-05 2150,80m,RTTY,EA7XX,088,not checkable,,",
        "UT5ZZ.log,11,UT5ZZ,2017-05-05 2210,80m,CW,DL1ABC,009,dupe,,",
        "ok2xy.adi,2,OK2XY,2017-05-05 2121,160m,CW,UT5ZZ,KI01,matched,,KI01",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
}

}  // namespace

namespace {

// Logs whose own call would make a bad file name: a device name, the results' own name, markup, a
// line break, a CALLSIGN: line longer than a file name may be.
TEST_F(HandMadeContest, ALogWithoutAUsableOwnCallIsNotScoredAndTheRunGoesOn) {
    const std::string adifWithoutCall = kOk2xy;
    for (const char* name : {"CON.adi", "nul", "RESULTS.adi", "<SCRIPT>.adi", "OK1\nAB.adi"})
        write(std::string("logs/") + name, adifWithoutCall);
    std::string longCallsign = kUt5zz;
    longCallsign.replace(longCallsign.find("CALLSIGN: UT5ZZ"), 15, "CALLSIGN: " + std::string(248, 'A'));
    write("logs/long.log", longCallsign);

    const RunResult result = runDefault();
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("Logs: 10 found, 4 scored, 6 not scored"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("CON.adi: not scored: the log names no own call, and its file name \"CON\" is no "
                              "call sign\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("OK1\\nAB.adi: not scored: the log names no own call, and its file name "
                              "\"OK1\\nAB\" is no call sign\n"),
              std::string::npos)
        << result.err;
    // The long log is UT5ZZ's older copy by its name order, but it is never scored: UT5ZZ.log counts.
    EXPECT_NE(result.err.find("long.log: not scored: the own call \"AAAAAAAAAAAAAAAAAAAAAAAA...\" is not a "
                              "call sign\n"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(fs::exists(m_root / "out/UT5ZZ.ubn.txt"));
    const std::vector<std::string> lines = CsvLines(read("out/results.csv"));
    ASSERT_EQ(lines.size(), 1u + 4u + 6u);
    EXPECT_EQ(lines[5], ",,,,,,,,,,,,,,<SCRIPT>.adi,\"the log names no own call, and its file name \"\"<SCRIPT>\"\" is "
                        "no call sign\"");

    // No two files of the results differ in case alone, and none is named after a device.
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_root / "out")) {
        std::string name = entry.path().filename().string();
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(names.insert(name).second) << name;
        const std::string stem = name.substr(0, name.find('.'));
        EXPECT_NE(stem, "CON");
        EXPECT_NE(stem, "NUL");
    }
    EXPECT_EQ(names.size(), 2u * 4u + 4u);  // two pages per scored log, results, checks and the mark
}

}  // namespace

namespace {

// The numbers of QSOs the chart's bars hold, from their titles ("80m 21:00: 3 QSOs").
std::size_t QsosInBars(const std::string& page) {
    std::size_t sum = 0;
    for (std::size_t at = page.find("<title>", page.find("<svg")); at != std::string::npos;
         at = page.find("<title>", at + 1)) {
        const std::size_t colon = page.find(": ", page.find(':', at) + 1);
        sum += std::stoul(page.substr(colon + 2));
    }
    return sum;
}

constexpr const char* kThreeDays =
    "START-OF-LOG: 3.0\nCALLSIGN: DL2ZZ\n"
    "QSO:  1820 CW 2017-05-05 2100 DL2ZZ 599 001 UT5ZZ 599 KI01\n"
    "QSO:  3520 CW 2017-05-08 2059 DL2ZZ 599 002 UT5ZZ 599 KI01\n"
    "QSO:  7020 CW 2017-05-08 2100 DL2ZZ 599 003 UT5ZZ 599 KI01\n"
    "END-OF-LOG:\n";

// The chart covers the contest period; a QSO outside it is counted, so the bars and the count make
// the QSOs read. The edges: the last hour of the period or of the longest span charted, and the
// hour past it.
TEST_F(HandMadeContest, TheChartCoversThePeriodAndCountsTheQsosOutsideIt) {
    // 21:00 to 23:00: UR7QM's 22:50 QSO in the last hour; DL1ABC's 23:10 one an hour past the end.
    write("logs/DL1ABC.cbr", std::string(kDl1abc).replace(std::string(kDl1abc).find("2240"), 4, "2310"));
    ASSERT_EQ(run({(m_root / "logs").string(), "-o", (m_root / "out").string(), "--start", "2017-05-05 21:00",
                   "--end", "2017-05-05 23:00"})
                  .exitCode,
              1);
    const std::string ur7qm = read("out/UR7QM.html");
    EXPECT_NE(ur7qm.find("<title>40m 22:00: 1 QSO</title>"), std::string::npos) << ur7qm;
    EXPECT_NE(ur7qm.find("<p>2 QSOs charted, 2017-05-05 21:00 to 2017-05-05 23:00 UTC; 0 QSOs outside"),
              std::string::npos);
    const std::string dl1abc = read("out/DL1ABC.html");
    EXPECT_EQ(dl1abc.find("<title>40m"), std::string::npos) << dl1abc;
    EXPECT_NE(dl1abc.find("<p>2 QSOs charted, 2017-05-05 21:00 to 2017-05-05 23:00 UTC; 1 QSO outside"),
              std::string::npos)
        << dl1abc;
    EXPECT_EQ(QsosInBars(dl1abc) + 1, 3u);

    // A QSO with a wrong date stretches the period past 72 hours: the 72 hours holding most of the
    // log's QSOs are charted, the first QSO's hour to the last hour before the third day's 21:00.
    write("logs/DL2ZZ.cbr", kThreeDays);
    ASSERT_EQ(runDefault().exitCode, 1);
    const std::string dl2zz = read("out/DL2ZZ.html");
    EXPECT_NE(dl2zz.find("<title>160m 21:00: 1 QSO</title>"), std::string::npos) << dl2zz;
    EXPECT_NE(dl2zz.find("<title>80m 20:00: 1 QSO</title>"), std::string::npos) << dl2zz;
    EXPECT_EQ(dl2zz.find("<title>40m"), std::string::npos) << dl2zz;
    EXPECT_NE(dl2zz.find("<p>2 QSOs charted, 2017-05-05 21:00 to 2017-05-08 21:00 UTC; 1 QSO outside"),
              std::string::npos)
        << dl2zz;
    EXPECT_EQ(QsosInBars(dl2zz) + 1, 3u);
    const std::string ut5zz = read("out/UT5ZZ.html");
    EXPECT_NE(ut5zz.find("<p>7 QSOs charted"), std::string::npos);
    EXPECT_EQ(QsosInBars(ut5zz), 7u);
}

}  // namespace

namespace {

// The results group the stations by the categories of the contest's table, under their human
// names, as the site's results do; a header that names none of them stays as it is, with a warning.
TEST_F(HandMadeContest, StationsAreGroupedByTheCategoryTablesHumanNames) {
    std::string ut5zz = kUt5zz;
    ut5zz.replace(ut5zz.find("CATEGORY-OPERATOR: SINGLE-OP\n"), 29,
                  "CATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: CW\nCATEGORY-POWER: LOW\n");
    write("logs/UT5ZZ.log", ut5zz);
    const CategoryTable& zelk = CategoryTable::Default();
    const std::string soCwLow = "SO-CW-LOW: " + zelk.name(*zelk.find("SO-CW-LOW"), "en");
    RunResult result = runDefault();
    EXPECT_NE(read("out/results.html").find("<h2>" + soCwLow + "</h2>"), std::string::npos) << read("out/results.html");
    EXPECT_NE(read("out/results.csv").find("\r\n\"" + soCwLow + "\",1,UT5ZZ,"), std::string::npos) << read("out/results.csv");
    EXPECT_NE(read("out/results.html").find("<h2>CATEGORY: SINGLE-OP ALL LOW</h2>"), std::string::npos);
    EXPECT_NE(result.err.find("DL1ABC.cbr: the category lines (CATEGORY: SINGLE-OP ALL LOW) name no category of the contest"),
              std::string::npos)
        << result.err;

    // The committee's own table, with its names (the header's operator line is of no dimension of it).
    write("table.json", R"({"dimensions": [
        {"key": "mode", "cabrillo": "CATEGORY-MODE", "names": {"en": "mode"}, "default": "MIXED",
         "values": [{"code": "CW", "names": {"en": "Telegraphy"}}, {"code": "MIXED", "names": {"en": "Everything"}}]}],
      "categories": [{"id": "TELEGRAPHY", "mode": "CW"}, {"id": "ALL", "mode": "MIXED"}]})");
    result = run({(m_root / "logs").string(), "--categories", (m_root / "table.json").string(), "-o", (m_root / "out").string()});
    const std::string html = read("out/results.html");
    EXPECT_NE(html.find("<h2>TELEGRAPHY: Telegraphy</h2>"), std::string::npos) << result.err << html;
    EXPECT_EQ(html.find("SO-CW-LOW"), std::string::npos) << html;

    write("broken.json", "{\"dimensions\": [");
    result = run({(m_root / "logs").string(), "--categories", (m_root / "broken.json").string(), "-o", (m_root / "out2").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--categories"), std::string::npos) << result.err;
}

}  // namespace
