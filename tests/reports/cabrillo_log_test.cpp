#include <gtest/gtest.h>

#include <string>

#include "qso_records.h"
#include "reports/cabrillo_export.h"
#include "reports/cabrillo_log.h"
#include "reports/cabrillo_modes.h"
#include "support/fakes.h"

namespace {

CabrilloLog HeaderOnly() {
    CabrilloLog log;
    log.m_callsign = "UT1AA";
    log.m_fileBaseName = "UT1AA";
    log.m_category = "A-CW";
    log.m_club = "UARL";
    log.m_name = "Ivan Petrenko";
    log.m_address = "Kyiv\r\nADDRESS: Khreshchatyk 1";
    log.m_operators = "UT1AA UT1AB";
    log.m_contest = "ignored";
    log.m_claimed = "999";
    return log;
}

const std::string kHeader =
    "START-OF-LOG: 2.0\r\n"
    "ARRL-SECTION: DX\r\n"
    "CALLSIGN: UT1AA\r\n"
    "CONTEST: ZELK\r\n"
    "CATEGORY: A-CW\r\n"
    "CLAIMED-SCORE: 42\r\n"
    "CLUB: UARL\r\n"
    "CREATED-BY: Vexl 2.20\r\n"
    "NAME: Ivan Petrenko\r\n"
    "ADDRESS: Kyiv\r\n"
    "ADDRESS: Khreshchatyk 1\r\n"
    "OPERATORS: UT1AA UT1AB\r\n"
    "EMAIL: \r\n"
    "SOAPBOX: \r\n";

TEST(CabrilloLog, WholeFileOfTwoQsos) {
    CabrilloLog log = HeaderOnly();
    log.AddQsoLine("UR5AB", 7012, "CW", MakeOleDate(2017, 5, 5, 20, 5), "599", "001", "599", "KI");
    log.AddQsoLine("DL1ABC", 1830, "PH", MakeOleDate(2017, 5, 6, 1, 30), "59", "0021234", "59", "15");

    EXPECT_EQ(log.FormatLog(42, "2.20"),
              kHeader +
                  "QSO:  7012 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 KI\r\n"
                  "QSO:  1830 PH 2017-05-06 0130 UT1AA         59  0021234 DL1ABC        59  15\r\n"
                  "END-OF-LOG:\r\n");
}

TEST(CabrilloLog, EmptyLogIsHeaderAndEnd) {
    EXPECT_EQ(HeaderOnly().FormatLog(42, "2.20"), kHeader + "END-OF-LOG:\r\n");
}

TEST(CabrilloLog, QsoLineFieldsAndWidths) {
    struct Case { int freq; const char* call; OleDateTime time; const char* exchSent; const char* line; };
    OleDateTime invalid = MakeOleDate(2017, 5, 5);
    invalid.m_status = OleDateTime::invalid;
    OleDateTime null = MakeOleDate(2017, 5, 5);
    null.m_status = OleDateTime::null;
    const Case cases[] = {
        {3500, "UR5AB", MakeOleDate(2017, 5, 5, 9, 7), "001",
         "QSO:  3500 CW 2017-05-05 0907 UT1AA         599 001    UR5AB         599 KI\r\n"},
        {14025, "VERYLONGCALL/P", MakeOleDate(2017, 12, 31, 23, 59), "1234567",
         "QSO: 14025 CW 2017-12-31 2359 UT1AA         599 1234567 VERYLONGCALL/P 599 KI\r\n"},
        {7012, "UR5AB", invalid, "001",
         "QSO:  7012 CW Invalid DateTime UT1AA         599 001    UR5AB         599 KI\r\n"},
        {7012, "UR5AB", null, "001",
         "QSO:  7012 CW  UT1AA         599 001    UR5AB         599 KI\r\n"},
    };
    for (const Case& c : cases) {
        CabrilloLog log = HeaderOnly();
        log.AddQsoLine(c.call, c.freq, "CW", c.time, "599", c.exchSent, "599", "KI");
        ASSERT_EQ(log.m_qsoLines.size(), 1u);
        EXPECT_EQ(log.m_qsoLines[0], c.line);
    }
}

TEST(CabrilloLog, ModeCodes) {
    const std::pair<const char*, const char*> codes[] = {
        {"CW", "CW"},      {"SSB", "PH"},     {"RTTY", "RY"},    {"BPSK31", "PS"},
        {"BPSK63", "PM"},  {"BPSK62", "PM"},  {"BPSK125", "PO"}, {"QPSK31", "QS"},
        {"QPSK63", "QM"},  {"QPSK62", "QM"},  {"QPSK125", "QO"}, {"MFSK", "MF"},
        {"cw", "??"},      {"MFSK16", "??"},  {"", "??"},
    };
    for (const auto& [mode, code] : codes) EXPECT_EQ(CabrilloModeCode(mode), code) << mode;
}

TEST(CabrilloLog, ExportWritesEveryRecordOnceHoweverOftenItRuns) {
    QsoLog qsos;
    qsos.append(ScoredQso("UR5AB", "40m", "CW", "KI"));
    qsos.append(DupeQso("UR5AB", "40m", "CW"));
    qsos.append(BadDistrictQso("UR7ZZ", "80m", "SSB"));
    CabrilloLog log = HeaderOnly();
    FakeFileStore files;

    for (int run = 0; run < 2; ++run) {
        CabrilloWriteResult result = ExportCabrillo(log, qsos, 42, "2.20", files);
        EXPECT_TRUE(result.written);
        EXPECT_EQ(result.message, "File produced: UT1AA.cbr");
        EXPECT_EQ(files.files["UT1AA.cbr"],
                  kHeader +
                      "QSO:  7012 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 KI\r\n"
                      "QSO:  7012 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 15\r\n"
                      "QSO:  3520 PH 2017-05-05 2005 UT1AA         599 001    UR7ZZ         599 XX\r\n"
                      "END-OF-LOG:\r\n");
    }
}

TEST(CabrilloLog, FailedWriteIsNotReportedAsProduced) {
    CabrilloLog log = HeaderOnly();
    log.m_fileBaseName = "NEMB";
    FakeFileStore files;
    files.writesBeforeFailure = 0;

    CabrilloWriteResult result = log.WriteLog(files, 0, "Vexl");

    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.message, "Cabrillo file could not be written: NEMB.cbr");
    EXPECT_EQ(files.files.count("NEMB.cbr"), 0u);
}

}  // namespace
