#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checker/checker_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogHead = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\nCONTEST: ZELK\r\n";
constexpr const char* kCleanQsos =
    "QSO:  3512 CW 2017-05-05 2101 UR5TST        599 001    UT2AB         579 KI01\r\n"
    "QSO:  7034 PH 2017-05-05 2102 UR5TST        59  002    DL3XY         57  017\r\n"
    "QSO:  1822 RY 2017-05-05 2103 UR5TST        599 003    US7QZ         589 LV13\r\n";
constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_05_05_2017.txt";

TEST_F(CheckCommand, ACleanLogGivesThePluginsSummaryAndExitsZero) {
    write("log.cbr", std::string(kLogHead) + kCleanQsos + "END-OF-LOG:\r\n");
    const Outcome result = run({"log.cbr"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "\t\tZELK CONTEST  05.05.2017\r\n\t\t   Contestant: UR5TST \r\n"
              "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\r\n"
              "160m\t 1\t 1\t 1\t 0\t 0\t 1\r\n80m\t 1\t 1\t 1\t 1\t 0\t 0\r\n40m\t 1\t 0\t 1\t 0\t 1\t 0\r\n"
              "Total\t 3\t 2\t 3\t 1\t 1\t 1\r\nDupe\t 0\r\nBad QSO\t 0\r\nScore:\t 3 *  2 = 6\r\n");
    EXPECT_EQ(read(kBadQsoFile), "ZELK TEST UBN file \r\n");
    EXPECT_NE(result.err.find("3 QSOs read, 0 lines skipped; 3 logged, 0 rejected; 0 finding lines"), std::string::npos);
}

TEST_F(CheckCommand, FindingsAndSkippedLinesExitOneAndEverySkippedLineIsNamed) {
    write("log.cbr", std::string(kLogHead) + kCleanQsos +
                         "QSO:  3514 CW 2017-05-05 2104 UR5TST        599 004    UT2AB\r\n"            // 7: nothing received
                         "QSO:  3515 DG 2017-05-05 2105 UR5TST        599 005    SP4KM  599 021\r\n"   // 8: no single mode
                         "QSO:  3516 CW 2017-02-30 2106 UR5TST        599 006    OK2PV  599 022\r\n"   // 9: no such date
                         "QSO:  3517 CW 2017-05-05 2107 UR5TST        599 007    UT2AB  559 KI01\r\n"  // dupe
                         "QSO:  1823 CW 2017-05-05 2108 UR5TST        599 008    UY9XX  599 ZZ99\r\n"  // no such district
                         "QSO:  7040 CW 2017-05-05 2109 UR5TST        599 009    UX1BIN 599 \x01\x02\x03\r\n"  // 12: binary
                         "QSO:  14020 FM 2017-05-05 2110 UR5TST       59  010    HA7RR  59  023\r\n"   // wrong band and mode
                         "END-OF-LOG:\r\n");
    const Outcome result = run({"log.cbr"});
    EXPECT_EQ(result.exitCode, 1);
    for (const char* expected : {"log.cbr:8: mode code DG names no single contest mode", "log.cbr:9: bad date or time",
                                 "log.cbr:12: line holds control or binary bytes",
                                 "7 QSOs read, 3 lines skipped; 5 logged, 2 rejected; 4 finding lines"})
        EXPECT_NE(result.err.find(expected), std::string::npos) << expected << "\n" << result.err;
    EXPECT_EQ(read(kBadQsoFile),
              "ZELK TEST UBN file \r\n"
              "QSO:  3514  CW  2017-05-05 2104  UR5TST  599  004  UT2AB       NO RX NUMBER !!!\r\n"
              "QSO:  3517  CW  2017-05-05 2107  UR5TST  599  007  UT2AB  559  KI01   DUPE !!!\r\n"
              "QSO:  1823  CW  2017-05-05 2108  UR5TST  599  008  UY9XX  599  ZZ99  ZZ99  ZELK Code Area is not acceptable !!!\r\n"
              "QSO:  14020  FM  2017-05-05 2110  UR5TST  59  010  HA7RR  59  023   WRONG BAND !!!\r\n");

    const Outcome quiet = run({"log.cbr", "--quiet", "--force"});
    EXPECT_EQ(quiet.err.find("log.cbr:8:"), std::string::npos);
    EXPECT_NE(quiet.err.find("3 lines skipped"), std::string::npos);
}

TEST_F(CheckCommand, UnusableInputOrOptionsExitTwoAndWriteNothing) {
    write("good.cbr", std::string(kLogHead) + kCleanQsos);
    write("empty.cbr", "");
    write("binary.adi", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR<CALL:", 22));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"empty.cbr"}, "empty"},
        {{"binary.adi"}, "neither a Cabrillo nor an ADIF log"},
        {{"missing.cbr"}, "cannot read the log"},
        {{"."}, ".: a folder, not a log"},
        {{"good.cbr", "--districts", "nowhere.txt"}, "cannot read the district list nowhere.txt"},
        {{"good.cbr", "--start", "2017-05-32 21:00"}, "--start \"2017-05-32 21:00\""},
        {{"good.cbr", "--cabrillo", "--set", "Nickname=Joe"}, "unknown header key \"Nickname\""},
        {{"good.cbr", "--set", "novalue"}, "is not KEY=VALUE"},
        {{"good.cbr", "--frobnicate"}, "unknown option --frobnicate"},
        {{"--cabrilo", "good.cbr"}, "unknown option --cabrilo; did you mean --cabrillo?"},
        {{"good.cbr", "-quiet"}, "unknown option -quiet; did you mean --quiet?"},
        {{"good.cbr", "--start", "2017-05-06 03:00", "--end", "2017-05-05 21:00"}, "is not before --end"},
        {{"good.cbr", "--start", "2017-05-06 03:00"}, "the contest period is empty"},
        {{"good.cbr", "--dg-mode", "FT8"}, "--dg-mode \"FT8\" is not one of the contest's digital modes"},
        {{"good.cbr", "--cabrillo", "-o", "no/such/folder"}, "the folder no/such/folder does not exist"},
    };
    for (const auto& [args, message] : cases) {
        const Outcome result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.front();
        EXPECT_NE(result.err.find(message), std::string::npos) << message << "\n" << result.err;
    }
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"binary.adi", "empty.cbr", "good.cbr", "zelk.txt"}));
}

// A log that holds no QSO gets the plug-in's summary of an empty contest, says so with what it
// skipped, and exits 1; it writes no bad-QSO or Cabrillo file.
TEST_F(CheckCommand, ALogWithoutQsosGetsTheEmptySummaryAndExitsOne) {
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> options;
        std::vector<std::string> said;  // on standard error
    } cases[] = {
        {"a header alone", std::string(kLogHead) + "END-OF-LOG:\r\n", {},
         {"log.txt: Cabrillo log holding no QSO: score 0 (0 lines skipped); no bad-QSO file written"}},
        {"X-QSO lines and a broken line",
         std::string(kLogHead) + "X-QSO:  3530 CW 2017-05-05 2105 UR5TST 599 005 OK1AB 599 044\r\n"
                                 "X-QSO:  3531 CW 2017-05-05 2106 UR5TST 599 006 OK1AC 599 045\r\nQSO: 3512 CW\r\nEND-OF-LOG:\r\n",
         {"--cabrillo"},
         {"log.txt:6: QSO line has 2 fields, too few for a QSO, line skipped",
          "holding no QSO: score 0 (1 line skipped, 2 X-QSO lines not scored); no bad-QSO file or Cabrillo file written"}},
        {"an ADIF header alone, no own call", "<ADIF_VER:5>3.1.0<EOH>\n", {"--start", "2017-05-05 21:00"},
         {"log.txt: ADIF log holding no QSO: score 0 (0 lines skipped)"}},
        {"a record that runs past its end", "<EOH>\n<CALL:5>UT2AB<MODE:2>CW<SRX_STRING:40>KI01<EOR>\n", {},
         {"log.txt:2: field <SRX_STRING:40> runs past the end of its record, line skipped", "holding no QSO: score 0 (1 line skipped)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("log.txt", c.log);
        std::vector<std::string> args{"log.txt"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome result = run(args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.out.find("Total\t 0\t 0\t 0\t 0\t 0\t 0\r\n"), std::string::npos) << result.out;
        for (const std::string& said : c.said) EXPECT_NE(result.err.find(said), std::string::npos) << said << "\n" << result.err;
        EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"log.txt", "zelk.txt"}));
    }
    const Outcome dated = run({"log.txt", "--start", "2017-05-05 21:00", "--end", "2017-05-06 03:00"});
    EXPECT_NE(dated.out.find("ZELK CONTEST  06.05.2017"), std::string::npos) << dated.out;
}

// An output folder that cannot be written: the findings are still named, the closing line counts
// them, and the message names the file that could not be written with the system's reason.
TEST_F(CheckCommand, AnOutputFolderThatCannotBeWrittenIsNamedWithTheSystemsReason) {
    std::filesystem::create_directories(path("locked"));
    std::filesystem::permissions(path("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    std::string folder = "locked";
    if (std::ofstream(path("locked/probe"))) {  // the superuser writes anyway: take a folder the system keeps
        std::filesystem::remove(path("locked/probe"));
        folder = "/sys";
        if (!std::filesystem::is_directory(folder) || std::ofstream(folder + "/probe")) GTEST_SKIP() << "no folder that cannot be written";
    }
    write("log.cbr", std::string(kLogHead) + kCleanQsos + "QSO:  3517 CW 2017-05-05 2107 UR5TST 599 007 UT2AB 559 KI01\r\n");
    const Outcome result = run({"log.cbr", "--cabrillo", "-o", folder, "--summary", folder + "/summary.txt"});
    EXPECT_EQ(result.exitCode, 2);
    for (const std::string& expected :
         {std::string("log.cbr:7: DUPE of line 4"), "1 finding line in " + folder + "/" + kBadQsoFile,
          "cannot write " + folder + "/" + kBadQsoFile + ": Permission denied", "cannot write " + folder + "/UR5TST.cbr: Permission denied",
          "cannot write " + folder + "/summary.txt: Permission denied"})
        EXPECT_NE(result.err.find(expected), std::string::npos) << expected << "\n" << result.err;
    EXPECT_EQ(result.err.find(".tmp"), std::string::npos) << result.err;
    std::filesystem::permissions(path("locked"), std::filesystem::perms::owner_all);
}

// The reports are the checker's own and a re-run replaces them; the Cabrillo file is the
// operator's submission, kept unless forced; the log itself is never written over.
TEST_F(CheckCommand, ARerunReplacesTheReportsKeepsTheCabrilloFileAndNeverTheLog) {
    write("log.cbr", std::string(kLogHead) + kCleanQsos);
    write("UR5TST.cbr", "edited by hand\r\n");
    write(kBadQsoFile, "an older check\r\n");
    write("summary.txt", "an older summary\r\n");
    const Outcome kept = run({"log.cbr", "--cabrillo", "--summary", "summary.txt"});
    EXPECT_EQ(kept.exitCode, 2);
    EXPECT_NE(kept.err.find("UR5TST.cbr exists already and was kept; give --force"), std::string::npos) << kept.err;
    EXPECT_EQ(read("UR5TST.cbr"), "edited by hand\r\n");
    EXPECT_EQ(read(kBadQsoFile), "ZELK TEST UBN file \r\n");
    EXPECT_NE(read("summary.txt").find("Total\t 3\t 2\t 3\t 1\t 1\t 1\r\n"), std::string::npos);

    const Outcome forced = run({"log.cbr", "--cabrillo", "--summary", "summary.txt", "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_TRUE(forced.out.empty());
    EXPECT_NE(read("UR5TST.cbr").find("QSO:  7034 PH 2017-05-05 2102 UR5TST"), std::string::npos);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"log.cbr", "--summary", "log.cbr", "--force"},
          std::vector<std::string>{"UR5TST.cbr", "--cabrillo", "--force"}}) {
        const std::string before = read(args.front());
        const Outcome refused = run(args);
        EXPECT_EQ(refused.exitCode, 2) << args[1];
        EXPECT_NE(refused.err.find("is the log being checked"), std::string::npos) << refused.err;
        EXPECT_EQ(read(args.front()), before);
    }
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"BadQSO_StatsZELK_05_05_2017.txt", "UR5TST.cbr", "log.cbr",
                                                         "summary.txt", "zelk.txt"}));
}

TEST_F(CheckCommand, AdifWithHeaderValuesCountryOverrideAndHtmlGivesTheContestsFiles) {
    write("header.txt", "# for the test\nName=Olena Test\nClub=File Club\nAddress=Sadova 5\\nLviv\nSoapBox=Quiet band\n");
    write("log.adi",
          "ADIF export\n<ADIF_VER:5>3.1.0<EOH>\n"
          "<STATION_CALLSIGN:6>UR5TST<CALL:5>UT2AB<QSO_DATE:8>20170505<TIME_ON:4>2101<FREQ:8>3.512300"
          "<MODE:2>CW<RST_SENT:3>599<RST_RCVD:3>579<STX_STRING:3>001<SRX_STRING:4>KI01<DXCC:3>288<EOR>\n"
          "<STATION_CALLSIGN:6>UR5TST<CALL:6>4K0ABC<QSO_DATE:8>20170505<TIME_ON:4>2102<FREQ:8>7.034000"
          "<MODE:3>SSB<RST_SENT:2>59<RST_RCVD:2>57<STX_STRING:3>002<SRX_STRING:4>LV13<EOR>\n");
    const Outcome result = run({"log.adi", "--cabrillo", "--header", "header.txt", "--set", "Club=Option Club",
                               "--created-by", "2.31", "--country", "4K0ABC=UR", "--html", "--end",
                               "2017-05-06 03:00", "-o", "."});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("<html>"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("06.05.2017"), std::string::npos);
    const std::string cabrillo = read("UR5TST.cbr");
    for (const char* expected :
         {"CALLSIGN: UR5TST\r\n", "CLAIMED-SCORE: 4\r\n", "CLUB: Option Club\r\n", "CREATED-BY: Vexl 2.31\r\n",
          "NAME: Olena Test\r\n", "ADDRESS: Sadova 5\r\nADDRESS: Lviv\r\n", "SOAPBOX: Quiet band\r\n",
          "QSO:  3512 CW 2017-05-05 2101 UR5TST        599 001    UT2AB         579 KI01\r\n",
          "QSO:  7034 PH 2017-05-05 2102 UR5TST        59  002    4K0ABC        57  LV13\r\n"})
        EXPECT_NE(cabrillo.find(expected), std::string::npos) << expected << "\n" << cabrillo;
    EXPECT_NE(result.err.find("Cabrillo log written"), std::string::npos);
}

TEST_F(CheckCommand, QsosOutsideTheGivenPeriodAreNamedAndNotScored) {
    write("log.cbr", std::string(kLogHead) + kCleanQsos + "END-OF-LOG:\r\n");
    const Outcome result = run({"log.cbr", "--set", "Club=X", "--start", "2017-05-05 21:02", "--end", "2017-05-05 22:00"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("log.cbr:4: outside the contest period, not scored"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("3 QSOs read, 0 lines skipped; 2 logged, 0 rejected; 1 outside the contest period"), std::string::npos);
    EXPECT_NE(result.out.find("Score:\t 2 *  1 = 2"), std::string::npos) << result.out;
}

// A log written with frequencies in MHz and mode names: read for what they are, each said once,
// and the Cabrillo file written from it has kHz and the mode codes; a frequency that fits no band
// either way is named as written.
TEST_F(CheckCommand, FrequenciesInMegahertzAndModeNamesAreReadAndSaidOnce) {
    write("log.cbr", std::string(kLogHead) +
                         "QSO: 3.526 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 599 KI01\r\n"
                         "QSO: 7.034 SSB 2017-05-05 2102 UR5TST 59 002 DL3XY 57 017\r\n"
                         "QSO: 1.8225 RTTY 2017-05-05 2103 UR5TST 599 003 US7QZ 589 LV13\r\n"
                         "QSO: 25.5 CW 2017-05-05 2104 UR5TST 599 004 UT5AB 599 KI01\r\nEND-OF-LOG:\r\n");
    const Outcome result = run({"log.cbr", "--cabrillo"});
    EXPECT_EQ(result.exitCode, 1);
    for (const char* expected : {"3 logged, 1 rejected; 1 finding line", "claimed score 6",
                                 "log.cbr:4: the frequency \"3.526\" is written in MHz; it is read as 3526 kHz",
                                 "log.cbr:5: the log writes mode names (\"SSB\") where Cabrillo has mode codes",
                                 "log.cbr:7: WRONG BAND 25.5 kHz"})
        EXPECT_NE(result.err.find(expected), std::string::npos) << expected << "\n" << result.err;
    EXPECT_EQ(result.err.find("log.cbr:6: the"), std::string::npos) << result.err;
    const std::string cabrillo = read("UR5TST.cbr");
    for (const char* expected : {"QSO:  3526 CW 2017-05-05 2101", "QSO:  7034 PH 2017-05-05 2102", "QSO:  1822 RY 2017-05-05 2103"})
        EXPECT_NE(cabrillo.find(expected), std::string::npos) << expected << "\n" << cabrillo;
}

TEST_F(CheckCommand, HelpAndVersion) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Examples:"), std::string::npos);
    EXPECT_NE(help.out.find("--districts"), std::string::npos);
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("zelk-check ", 0), 0u);
}

}  // namespace
