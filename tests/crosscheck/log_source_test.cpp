#include <gtest/gtest.h>

#include <string>

#include "crosscheck/cross_match.h"
#include "crosscheck/log_source.h"

namespace {

struct OwnCallCase {
    const char* what;
    const char* fileName;
    const char* text;
    const char* ownCall;
    bool fromFileName;
};

constexpr const char* kQsoLine = "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n";
constexpr const char* kAdifQso =
    "<CALL:6>DL1ABC <QSO_DATE:8>20170505 <TIME_ON:4>2100 <BAND:3>80m <MODE:2>CW <STX_STRING:4>KI01 "
    "<SRX_STRING:3>001 ";

TEST(LogSource, TheOwnCallComesFromTheLogElseFromTheFileName) {
    const std::string cabrilloHeader = std::string("START-OF-LOG: 3.0\nCALLSIGN: ut5zz\n") + kQsoLine;
    const std::string cabrilloQsoLine = std::string("START-OF-LOG: 3.0\n") + kQsoLine;
    const std::string adifStation = std::string("<EOH>\n") + kAdifQso + "<STATION_CALLSIGN:5>UT5ZZ <EOR>\n";
    const std::string adifOperator = std::string("<EOH>\n") + kAdifQso + "<OPERATOR:5>UR7QM <EOR>\n";
    const std::string adifNone = std::string("<EOH>\n") + kAdifQso + "<EOR>\n";
    const OwnCallCase cases[] = {
        {"Cabrillo CALLSIGN:", "a.log", cabrilloHeader.c_str(), "UT5ZZ", false},
        {"Cabrillo QSO line", "a.log", cabrilloQsoLine.c_str(), "UT5ZZ", false},
        {"ADIF STATION_CALLSIGN", "a.adi", adifStation.c_str(), "UT5ZZ", false},
        {"ADIF OPERATOR", "a.adi", adifOperator.c_str(), "UR7QM", false},
        {"file name", "ok2xy.adi", adifNone.c_str(), "OK2XY", true},
    };
    for (const OwnCallCase& c : cases) {
        const CrossLog log = CrossLogFromText(c.fileName, c.text);
        EXPECT_EQ(log.unreadable, "") << c.what;
        EXPECT_EQ(log.ownCall, c.ownCall) << c.what;
        EXPECT_EQ(log.ownCallFromFileName, c.fromFileName) << c.what;
        ASSERT_EQ(log.qsos.size(), 1u) << c.what;
        EXPECT_EQ(log.input(log.qsos.front()).myCall, c.ownCall) << c.what;
    }
}

TEST(LogSource, CategoriesSkippedLinesAndTheQsoTextsAreKept) {
    const CrossLog log = CrossLogFromText("UT5ZZ.log",
                                          "START-OF-LOG: 3.0\r\nCALLSIGN: UT5ZZ\r\nCATEGORY-OPERATOR: "
                                          "SINGLE-OP\r\nCATEGORY-POWER:  LOW \r\nCATEGORYX: 1\r\n"
                                          "CATEGORY-STATION:\r\nQSO:  7050 PH 2017-05-05 2110 UT5ZZ 59 KI01 "
                                          "ur7qm 57 kr02\r\nQSO: 7050\r\nEND-OF-LOG:\r\n");
    EXPECT_EQ(log.formatName, "Cabrillo");
    EXPECT_EQ(log.categoryText(), "CATEGORY-OPERATOR: SINGLE-OP, CATEGORY-POWER: LOW");
    ASSERT_EQ(log.skipped.size(), 1u);
    EXPECT_EQ(log.skipped.front().line, 8u);
    ASSERT_EQ(log.qsos.size(), 1u);
    const QsoInput qso = log.input(log.qsos.front());
    EXPECT_EQ(log.qsos.front().line, 7u);
    EXPECT_EQ(
        CrossLogFromText("a.cbr", "START-OF-LOG: 2.0\nCATEGORY: SINGLE-OP ALL LOW\n" + std::string(kQsoLine))
            .categoryText(),
        "CATEGORY: SINGLE-OP ALL LOW");
    EXPECT_EQ(qso.call, "UR7QM");
    EXPECT_EQ(qso.band, "40m");
    EXPECT_EQ(qso.mode, "SSB");
    EXPECT_EQ(qso.rstSent, "59");
    EXPECT_EQ(qso.rstReceived, "57");
    EXPECT_EQ(qso.exchSent, "KI01");
    EXPECT_EQ(qso.exchReceived, "kr02");
    EXPECT_EQ(qso.country, "UR");
    EXPECT_EQ(qso.frequencyHz, 7'050'000u);
    EXPECT_EQ(log.qsos.front().seconds % 60, 0);
}

struct UnusableCase {
    const char* text;
    const char* reason;
};

TEST(LogSource, AFileThatIsNoUsableLogSaysWhy) {
    const UnusableCase cases[] = {
        {"", "the file is empty"},
        {"Dear committee, our log follows by post.\n", "neither a Cabrillo nor an ADIF log"},
        {"START-OF-LOG: 3.0\nCALLSIGN: UT5ZZ\nEND-OF-LOG:\n", "no QSO could be read from the log"},
    };
    for (const UnusableCase& c : cases)
        EXPECT_EQ(CrossLogFromText("x.log", c.text).unreadable, c.reason) << c.text;
    EXPECT_EQ(ReadCrossLog("/nonexistent/folder/x.log").unreadable, "the file cannot be read");
}

}  // namespace

namespace {

struct BadOwnCallCase {
    const char* what;
    std::string fileName;
    std::string text;
    const char* reason;
};

TEST(LogSource, AnOwnCallThatIsNoCallSignLeavesTheLogUnscoredWithTheReason) {
    const std::string adifWithoutCall = std::string("<EOH>\n") + kAdifQso + "<EOR>\n";
    const std::string longCall = std::string(300, 'A') + "1B";
    const BadOwnCallCase cases[] = {
        {"device name", "CON.adi", adifWithoutCall,
         "the log names no own call, and its file name \"CON\" is no call sign"},
        {"device name, lower case", "nul", adifWithoutCall,
         "the log names no own call, and its file name \"NUL\" is no call sign"},
        {"the results' own name", "results.adi", adifWithoutCall,
         "the log names no own call, and its file name \"RESULTS\" is no call sign"},
        {"markup", "<script>.adi", adifWithoutCall,
         "the log names no own call, and its file name \"<SCRIPT>\" is no call sign"},
        {"line break", "OK1\nAB.adi", adifWithoutCall,
         "the log names no own call, and its file name \"OK1\\nAB\" is no call sign"},
        {"CALLSIGN: of 302 characters", "UT5ZZ.log",
         "START-OF-LOG: 3.0\nCALLSIGN: " + longCall + "\n" + kQsoLine,
         "the own call \"AAAAAAAAAAAAAAAAAAAAAAAA...\" is not a call sign"},
        {"CALLSIGN: of a device", "UT5ZZ.log", "START-OF-LOG: 3.0\nCALLSIGN: con\n" + std::string(kQsoLine),
         "the own call \"CON\" is not a call sign"},
        {"STATION_CALLSIGN with markup", "UT5ZZ.adi",
         std::string("<EOH>\n") + kAdifQso + "<STATION_CALLSIGN:8><SCRIPT> <EOR>\n",
         "the own call \"<SCRIPT>\" is not a call sign"},
    };
    for (const BadOwnCallCase& c : cases) {
        const CrossLog log = CrossLogFromText(c.fileName, c.text);
        EXPECT_EQ(log.unreadable, c.reason) << c.what;
        EXPECT_EQ(log.ownCall, "") << c.what;
    }
    // A call from a file name that is one is still taken: "ok2xy.adi", "DL1ABC-P.log" is not.
    EXPECT_EQ(CrossLogFromText("ok2xy.adi", adifWithoutCall).ownCall, "OK2XY");
    EXPECT_NE(CrossLogFromText("DL1ABC-P.log", adifWithoutCall).unreadable, "");
}

}  // namespace

namespace {

struct PrecisionCase {
    const char* adifTime;  // DL1XYZ's TIME_ON beside SP3ABC's Cabrillo 2110
    Verdict verdict;
};

// A Cabrillo time is a whole minute: beside a time with seconds the minutes are compared, as two
// Cabrillo times are (2110 and 2115 match in a window of five minutes).
TEST(LogSource, AMinuteAndATimeWithSecondsAreComparedByTheMinute) {
    const std::string cabrillo =
        "START-OF-LOG: 3.0\nCALLSIGN: SP3ABC\nQSO:  3520 CW 2017-05-05 2110 SP3ABC 599 001 DL1XYZ 599 002\n";
    const PrecisionCase cases[] = {
        {"211530", Verdict::matched}, {"211559", Verdict::matched}, {"211600", Verdict::notInLog},
        {"210500", Verdict::matched}, {"210459", Verdict::notInLog}, {"2115", Verdict::matched},
        {"2116", Verdict::notInLog},
    };
    for (const PrecisionCase& c : cases) {
        const std::string adif = std::string("<EOH>\n<CALL:6>SP3ABC <QSO_DATE:8>20170505 <TIME_ON:") +
                                 std::to_string(std::string(c.adifTime).size()) + ">" + c.adifTime +
                                 " <BAND:3>80m <MODE:2>CW <STX_STRING:3>002 <SRX_STRING:3>001 "
                                 "<STATION_CALLSIGN:6>DL1XYZ <EOR>\n";
        const std::vector<CrossLog> logs = {CrossLogFromText("SP3ABC.cbr", cabrillo),
                                            CrossLogFromText("DL1XYZ.adi", adif)};
        const auto checks = CrossCheck(logs, {});
        EXPECT_EQ(checks[0][0].verdict, c.verdict) << c.adifTime;
        EXPECT_EQ(checks[1][0].verdict, c.verdict) << c.adifTime;
    }
    // Two times with seconds keep them: 21:10:00 and 21:15:01 are more than five minutes apart.
    const std::string early = "<EOH>\n<CALL:6>DL1XYZ <QSO_DATE:8>20170505 <TIME_ON:6>211000 <BAND:3>80m "
                              "<MODE:2>CW <STX_STRING:3>001 <SRX_STRING:3>002 <STATION_CALLSIGN:6>SP3ABC <EOR>\n";
    const std::string late = "<EOH>\n<CALL:6>SP3ABC <QSO_DATE:8>20170505 <TIME_ON:6>211501 <BAND:3>80m "
                             "<MODE:2>CW <STX_STRING:3>002 <SRX_STRING:3>001 <STATION_CALLSIGN:6>DL1XYZ <EOR>\n";
    const auto apart =
        CrossCheck({CrossLogFromText("SP3ABC.adi", early), CrossLogFromText("DL1XYZ.adi", late)}, {});
    EXPECT_EQ(apart[0][0].verdict, Verdict::notInLog);
}

}  // namespace
