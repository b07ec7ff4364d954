#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ole_date.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"

namespace {

std::string When(const LogQso& qso) { return FormatOleDate(qso.time, "%Y-%m-%d %H:%M:%S"); }

TEST(CabrilloReader, ReadsEveryFieldOfAVersion3Log) {
    const std::string log =
        "START-OF-LOG: 3.0\r\n"
        "CALLSIGN: ur7qm\r\n"
        "CONTEST: ZELK\r\n"
        "QSO:  1832 CW 2017-05-05 2005 UR7QM         599 011    UT4ZZ         579 KV\r\n"
        "QSO:  3575 PH 2018-06-07 2116 UR7QM         59  012    DL/UR5ABC     57  023    1\r\n"
        "QSO:  7041 PM 2019-08-09 2227 ur7qm         589 013    it9xyz/p      559 044\r\n"
        "QSO: 14012 RY 2016-02-29 0001 UR7QM         598 014    EM1Q          588 ZH\r\n"
        "END-OF-LOG:\r\n";
    const LogContents read = ReadContestLog(log);
    EXPECT_EQ(read.format, LogFormat::cabrillo);
    EXPECT_EQ(read.ownCall, "UR7QM");
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.qsos.size(), 4u);

    const LogQso& first = read.qsos[0];
    EXPECT_EQ(first.line, 4u);
    EXPECT_EQ(first.frequencyHz, 1'832'000u);
    EXPECT_EQ(first.band, "160m");
    EXPECT_EQ(first.mode, "CW");
    EXPECT_EQ(When(first), "2017-05-05 20:05:00");
    EXPECT_EQ(first.myCall, "UR7QM");
    EXPECT_EQ(first.rstSent, "599");
    EXPECT_EQ(first.exchSent, "011");
    EXPECT_EQ(first.call, "UT4ZZ");
    EXPECT_EQ(first.rstReceived, "579");
    EXPECT_EQ(first.exchReceived, "KV");
    EXPECT_EQ(first.country, "UR");

    const LogQso& second = read.qsos[1];  // with a transmitter number after the exchange
    EXPECT_EQ(second.band, "80m");
    EXPECT_EQ(second.mode, "SSB");
    EXPECT_EQ(When(second), "2018-06-07 21:16:00");
    EXPECT_EQ(second.exchReceived, "023");
    EXPECT_EQ(second.country, "DL");

    EXPECT_EQ(read.qsos[2].band, "40m");
    EXPECT_EQ(read.qsos[2].mode, "BPSK63");
    EXPECT_EQ(read.qsos[2].call, "IT9XYZ/P");
    EXPECT_EQ(read.qsos[2].country, "IT9");
    EXPECT_EQ(read.qsos[3].band, "20m");
    EXPECT_EQ(read.qsos[3].mode, "RTTY");
    EXPECT_EQ(When(read.qsos[3]), "2016-02-29 00:01:00");

    const QsoInput input = first.input();
    EXPECT_EQ(input.call, "UT4ZZ");
    EXPECT_EQ(input.exchSent, "011");
    EXPECT_EQ(input.band, "160m");
}

struct BadLine {
    const char* name;
    std::string line;
    const char* reason;
};

TEST(CabrilloReader, SkipsAndReportsEachMalformedLineWithItsNumber) {
    const BadLine cases[] = {
        {"no worked call", "QSO:  3512 CW 2017-05-05 2005 UR7QM 599 001 599 15", "no worked call"},
        {"two worked calls", "QSO:  3512 CW 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15 OK1XY", "not clear"},
        {"too much after the call", "QSO:  3512 CW 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15 7 8", "more than RST"},
        {"too much before the call", "QSO:  3512 CW 2017-05-05 2005 UR7QM 599 001 5 DL1AB 599 15", "more than RST"},
        {"too few fields", "QSO:  3512 CW 2017-05-05 2005", "too few"},
        {"unknown mode", "QSO:  3512 DG 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15", "--dg-mode"},
        {"bad date", "QSO:  3512 CW 2017-02-30 2005 UR7QM 599 001 DL1AB 599 15", "date"},
        {"bad time", "QSO:  3512 CW 2017-05-05 2460 UR7QM 599 001 DL1AB 599 15", "time"},
        {"bad frequency", "QSO:  3.5k CW 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15", "frequency"},
        {"binary bytes", std::string("QSO:  3512 CW 2017\x01\x02 ") + std::string(1, '\0'), "binary"},
        {"not a tag", "3512 CW 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15", "Cabrillo"},
    };
    for (const BadLine& bad : cases) {
        SCOPED_TRACE(bad.name);
        const std::string log = "START-OF-LOG: 3.0\nCALLSIGN: UR7QM\n" + bad.line +
                                "\nQSO:  7015 CW 2017-05-05 2010 UR7QM 599 002 OK1XY 589 14\n";
        const LogContents read = ReadCabrillo(log);
        ASSERT_EQ(read.problems.size(), 1u);
        EXPECT_EQ(read.problems[0].line, 3u);
        EXPECT_NE(read.problems[0].message.find(bad.reason), std::string::npos) << read.problems[0].message;
        ASSERT_EQ(read.qsos.size(), 1u);
        EXPECT_EQ(read.qsos[0].line, 4u);
        EXPECT_EQ(read.qsos[0].call, "OK1XY");
    }
}

TEST(AdifReader, ReadsRecordsAfterTheHeader) {
    const std::string log =
        "Exported by a logger\n<ADIF_VER:5>3.1.0\n<EOH>\n"
        "<CALL:5>UT4ZZ<BAND:4>160M<FREQ:8>1.834500<MODE:2>CW<QSO_DATE:8>20170505<TIME_ON:6>200512"
        "<RST_SENT:3>599<RST_RCVD:3>579<STX:2>21<SRX_STRING:2>KV<STATION_CALLSIGN:5>UR7QM<DXCC:3>288<EOR>\n"
        "<call:6>DL1ABC<freq:5>3.531<mode:3>PSK<submode:5>PSK63<qso_date:8>20180607<time_on:4>2116\n"
        "<rst_sent:3>589<rst_rcvd:3>569<stx_string:3>022<srx:2>16<eor>\n"
        "<CALL:6>UR5ABC<FREQ:5>7.012<MODE:4>MFSK<SUBMODE:6>MFSK16<QSO_DATE:8>20190809<TIME_ON:4>2227"
        "<RST_SENT:3>579<RST_RCVD:3>559<STX:2>23<SRX:2>17<COUNTRY:7>Germany<EOR>\n";
    const LogContents read = ReadContestLog(log);
    EXPECT_EQ(read.format, LogFormat::adif);
    EXPECT_EQ(read.ownCall, "UR7QM");
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.qsos.size(), 3u);

    const LogQso& first = read.qsos[0];
    EXPECT_EQ(first.line, 4u);
    EXPECT_EQ(first.call, "UT4ZZ");
    EXPECT_EQ(first.band, "160m");
    EXPECT_EQ(first.frequencyHz, 1'834'500u);
    EXPECT_EQ(first.mode, "CW");
    EXPECT_EQ(When(first), "2017-05-05 20:05:12");
    EXPECT_EQ(first.rstSent, "599");
    EXPECT_EQ(first.rstReceived, "579");
    EXPECT_EQ(first.exchSent, "21");
    EXPECT_EQ(first.exchReceived, "KV");
    EXPECT_EQ(first.myCall, "UR7QM");
    EXPECT_EQ(first.country, "UR");

    const LogQso& second = read.qsos[1];  // lower-case tags, band from the frequency
    EXPECT_EQ(second.line, 5u);
    EXPECT_EQ(second.band, "80m");
    EXPECT_EQ(second.mode, "BPSK63");
    EXPECT_EQ(second.exchSent, "022");
    EXPECT_EQ(second.exchReceived, "16");
    EXPECT_EQ(second.myCall, "");  // the log's own call stands for it
    EXPECT_EQ(second.country, "DL1");

    EXPECT_EQ(read.qsos[2].mode, "MFSK");
    EXPECT_EQ(read.qsos[2].band, "40m");
    EXPECT_EQ(read.qsos[2].country, "Germany");
}

TEST(AdifReader, SkipsAndReportsBadRecords) {
    const std::string log =
        "<EOH>\n"
        "<CALL:5>OK1XY<FREQ:5>7.015<MODE:2>CW<QSO_DATE:8>20170505<TIME_ON:4>2010<EOR>\n"
        "<CALL:40>DL1AB<MODE:2>CW<EOR>\n"
        "<CALL:5>SP9AA<FREQ:5>3.512<MODE:3>FT8<QSO_DATE:8>20170505<TIME_ON:4>2011<EOR>\n"
        "<CALL:5>HA5BB<FREQ:5>3.513<MODE:2>CW<QSO_DATE:8>20171305<TIME_ON:4>2012<EOR>\n"
        "<CALL:5>YL2CC<FREQ:5>3.514<MODE:2>CW<QSO_DATE:8>20170505<TIME_ON:4>2013<EOR>\n"
        "<CALL:5>LY3DD<MODE:99999999>CW";
    const LogContents read = ReadAdif(log);
    // A mode outside the contest is read, for the add path to find it a wrong mode.
    ASSERT_EQ(read.qsos.size(), 3u);
    EXPECT_EQ(read.qsos[0].call, "OK1XY");
    EXPECT_EQ(read.qsos[1].mode, "FT8");
    EXPECT_EQ(read.qsos[2].call, "YL2CC");
    ASSERT_EQ(read.problems.size(), 3u);
    EXPECT_EQ(read.problems[0].line, 3u);
    EXPECT_NE(read.problems[0].message.find("runs past"), std::string::npos);
    EXPECT_EQ(read.problems[1].line, 5u);
    EXPECT_NE(read.problems[1].message.find("QSO_DATE"), std::string::npos);
    EXPECT_EQ(read.problems[2].line, 7u);
}

TEST(LogFormat, EmptyAndBinaryFilesAreUnusable) {
    for (const std::string& text : {std::string(), std::string("\x7f" "ELF\x01\x01\0\0QSO:", 12), std::string("hello\n")}) {
        const LogContents read = ReadContestLog(text);
        EXPECT_EQ(read.format, LogFormat::unknown);
        EXPECT_TRUE(read.qsos.empty());
        EXPECT_EQ(read.problems.size(), 1u);
    }
}

// Loggers leave out what the operator did not enter and add a transmitter column; every field
// keeps its meaning whatever is left out.
TEST(CabrilloReader, ReadsQsoFieldsByWhatTheyAre) {
    struct Case {
        const char* line;
        const char* myCall;
        const char* rstSent;
        const char* exchSent;
        const char* call;
        const char* rstReceived;
        const char* exchReceived;
        unsigned hertz;
    } cases[] = {
        {"QSO: 7000 CW 2026-12-07 1434 DL1ABC 599 UX1AA 599 LV13 0", "DL1ABC", "599", "", "UX1AA", "599", "LV13", 7'000'000},
        {"QSO: 7001 CW 2026-12-07 1434 DL1ABC 599 007 UX1AB 589 LV14 1", "DL1ABC", "599", "007", "UX1AB", "589", "LV14", 7'001'000},
        {"QSO: 3525.12 CW 2026-12-07 1434 DL1ABC 579 008 UX1AC 599 LV15", "DL1ABC", "579", "008", "UX1AC", "599", "LV15", 3'525'120},
        {"qso:\t7012.0\tph\t2026-12-07\t1434\tdl1abc\t59\t009\tux1ad\t57\tlv16  ", "DL1ABC", "59", "009", "UX1AD", "57", "lv16", 7'012'000},
        {"QSO: 1830 CW 2026-12-07 1434 DL1ABC 010 UX1AE KI01", "DL1ABC", "", "010", "UX1AE", "", "KI01", 1'830'000},
        {"QSO: 1831 CW 2026-12-07 1434 599 011 UX1AF 599 KI02", "", "599", "011", "UX1AF", "599", "KI02", 1'831'000},
        {"QSO: 1832 CW 2026-12-07 1434 DL1ABC 599 012 4K0ABC/P", "DL1ABC", "599", "012", "4K0ABC/P", "", "", 1'832'000},
        {"QSO: 1833 CW 2026-12-07 1434 DL1ABC 599 013 EM1Q 599", "DL1ABC", "599", "013", "EM1Q", "599", "", 1'833'000},
        {"QSO: 1834 CW 2026-12-07 1434 DL1ABC 599 014 UR5ABC 123", "DL1ABC", "599", "014", "UR5ABC", "123", "", 1'834'000},
        {"QSO: 1835 CW 2026-12-07 1434 DL1ABC 599 015 UR5ABD 023", "DL1ABC", "599", "015", "UR5ABD", "", "023", 1'835'000},
        {"QSO: 1836 CW 2026-12-07 1434 DL1ABC 599 016 UR5ABE KI05 1", "DL1ABC", "599", "016", "UR5ABE", "", "KI05", 1'836'000},
        // A call logged with a digit lost is still the worked call where every field is in place.
        {"QSO: 1837 CW 2026-12-07 1434 DL1ABC 599 017 UVLS 579 KI06", "DL1ABC", "599", "017", "UVLS", "579", "KI06", 1'837'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const LogContents read = ReadCabrillo(std::string("START-OF-LOG: 3.0\nCALLSIGN: DL1ABC\n") + c.line + "\nEND-OF-LOG:\n");
        ASSERT_TRUE(read.problems.empty()) << read.problems[0].message;
        ASSERT_EQ(read.qsos.size(), 1u);
        const LogQso& qso = read.qsos[0];
        EXPECT_EQ(qso.myCall, c.myCall);
        EXPECT_EQ(qso.rstSent, c.rstSent);
        EXPECT_EQ(qso.exchSent, c.exchSent);
        EXPECT_EQ(qso.call, c.call);
        EXPECT_EQ(qso.rstReceived, c.rstReceived);
        EXPECT_EQ(qso.exchReceived, c.exchReceived);
        EXPECT_EQ(qso.frequencyHz, c.hertz);
        EXPECT_TRUE(read.notes.empty());
    }

    ReadOptions psk31;
    psk31.digitalMode = "BPSK31";
    const LogContents digital = ReadCabrillo("QSO: 7040 DG 2026-12-07 1434 DL1ABC 599 016 UR5ABE 599 KI03\n", psk31);
    ASSERT_EQ(digital.qsos.size(), 1u);
    EXPECT_EQ(digital.qsos[0].mode, "BPSK31");
    ASSERT_EQ(digital.notes.size(), 1u);  // no END-OF-LOG:
    EXPECT_NE(digital.notes[0].message.find("no END-OF-LOG"), std::string::npos);

    const LogContents withBom = ReadContestLog("\xEF\xBB\xBFSTART-OF-LOG: 3.0\r\nX-QSO: 7040 CW 2026-12-07 1434 DL1ABC 599 1 UR5A 599 1\r\n"
                                               "QSO: 7041 CW 2026-12-07 1435 DL1ABC 599 2 UR5ABF 599 KI04\r\nEND-OF-LOG:\r\n");
    EXPECT_EQ(withBom.format, LogFormat::cabrillo);
    EXPECT_EQ(withBom.qsos.size(), 1u);
    EXPECT_EQ(withBom.xQsos, 1u);
}

// Whether the last field is the transmitter column is decided from the whole log: a line whose
// received exchange was left blank reads the same as a line without the column, "599 0".
TEST(CabrilloReader, DecidesTheTransmitterColumnFromTheWholeLog) {
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> exchanges;  // received exchange of each QSO read, in order
        const char* skipped;                 // the reason of the one line skipped, or empty
    } cases[] = {
        {"every line has the column, the header names it",
         "START-OF-LOG: 3.0\nCATEGORY-TRANSMITTER: TWO\n"
         "QSO:  3526 CW 2017-05-06 2101 SP9ZL  599 002  OK1AB  599 0\n"
         "QSO:  3527 CW 2017-05-06 2102 SP9ZL  599 003  OK1AC  599 KI01   1\n",
         {"", "KI01"}, ""},
        {"every line has the column, no header",
         "START-OF-LOG: 3.0\nQSO:  3526 CW 2017-05-06 2101 SP9ZL 599 002 OK1AB 599 1\n"
         "QSO:  3527 CW 2017-05-06 2102 SP9ZL 599 003 OK1AC 599 KI01 0\n",
         {"", "KI01"}, ""},
        {"a single line with the header",
         "START-OF-LOG: 3.0\nCATEGORY-TRANSMITTER: ONE\nQSO:  3526 CW 2017-05-06 2101 SP9ZL 599 002 OK1AB 599 0\n",
         {""}, ""},
        {"no column: a received serial 1 stays the exchange",
         "START-OF-LOG: 3.0\nQSO:  3526 CW 2017-05-06 2101 SP9ZL 599 002 OK1AB 599 1\n"
         "QSO:  3527 CW 2017-05-06 2102 SP9ZL 599 003 OK1AC 599 KI01\n",
         {"1", "KI01"}, ""},
        {"the header names the column but not every line has it",
         "START-OF-LOG: 3.0\nCATEGORY-TRANSMITTER: TWO\nQSO:  3526 CW 2017-05-06 2101 SP9ZL 599 002 OK1AB 599 1\n"
         "QSO:  3527 CW 2017-05-06 2102 SP9ZL 599 003 OK1AC 599 KI01\n",
         {"KI01"}, "the transmitter column or the received exchange"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool inMemory : {true, false}) {
            // Read from text in memory and from a stream of a file's kind alike.
            std::istringstream stream(c.log);
            LogContents read;
            if (inMemory) read = ReadContestLog(c.log);
            else {
                struct Keep final : LogVisitor {
                    LogContents& log;
                    explicit Keep(LogContents& l) : log(l) {}
                    void qso(const LogQso& qso) override { log.qsos.push_back(qso); }
                    void problem(const LogProblem& problem) override { log.problems.push_back(problem); }
                } keep(read);
                ReadContestLog(stream, keep);
            }
            std::vector<std::string> exchanges;
            for (const LogQso& qso : read.qsos) exchanges.push_back(qso.exchReceived);
            EXPECT_EQ(exchanges, c.exchanges);
            if (*c.skipped) {
                ASSERT_EQ(read.problems.size(), 1u);
                EXPECT_EQ(read.problems[0].line, 3u);
                EXPECT_NE(read.problems[0].message.find(c.skipped), std::string::npos) << read.problems[0].message;
            } else {
                EXPECT_TRUE(read.problems.empty()) << read.problems[0].message;
            }
        }
    }
}

// A frequency in MHz and mode names where Cabrillo has codes are read for what they are, each
// said once; a frequency that fits no band as either stays as written.
TEST(CabrilloReader, ReadsMegahertzAndModeNamesWithOneNoteEach) {
    const LogContents read = ReadCabrillo(
        "START-OF-LOG: 3.0\nCALLSIGN: UR5TST\nEND-OF-LOG:\n"
        "QSO: 3.526 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 599 KI01\n"
        "QSO: 7.0125 SSB 2017-05-05 2102 UR5TST 59 002 UT3AB 59 KI01\n"
        "QSO: 1830 rtty 2017-05-05 2103 UR5TST 599 003 UT4AB 599 KI01\n"
        "QSO: 25.5 CW 2017-05-05 2104 UR5TST 599 004 UT5AB 599 KI01\n"
        "QSO: 14.025 usb 2017-05-05 2105 UR5TST 59 005 UT6AB 59 KI01\n");
    ASSERT_TRUE(read.problems.empty()) << read.problems[0].message;
    ASSERT_EQ(read.qsos.size(), 5u);
    const std::tuple<unsigned, const char*, const char*> expected[] = {
        {3'526'000, "80m", "CW"}, {7'012'500, "40m", "SSB"}, {1'830'000, "160m", "RTTY"}, {25'500, "", "CW"}, {14'025'000, "20m", "SSB"}};
    for (std::size_t i = 0; i < read.qsos.size(); ++i) {
        EXPECT_EQ(read.qsos[i].frequencyHz, std::get<0>(expected[i])) << i;
        EXPECT_EQ(read.qsos[i].band, std::get<1>(expected[i])) << i;
        EXPECT_EQ(read.qsos[i].mode, std::get<2>(expected[i])) << i;
    }
    ASSERT_EQ(read.notes.size(), 2u);
    EXPECT_EQ(read.notes[0].line, 4u);
    EXPECT_NE(read.notes[0].message.find("\"3.526\" is written in MHz; it is read as 3526 kHz"), std::string::npos) << read.notes[0].message;
    EXPECT_EQ(read.notes[1].line, 5u);
    EXPECT_NE(read.notes[1].message.find("mode names (\"SSB\")"), std::string::npos) << read.notes[1].message;
    EXPECT_EQ(FormatKHz(25'500), "25.5");
    EXPECT_EQ(FormatKHz(3'525'120), "3525.12");
    EXPECT_EQ(FormatKHz(7'000'000), "7000");
}

// MODE DIGI (any digital mode) is the contest mode the operator names, or skipped, named.
TEST(AdifReader, DigiIsTheGivenDigitalModeOrSkipped) {
    const std::string log = "<EOH>\n<CALL:5>UT2AB<QSO_DATE:8>20170505<TIME_ON:4>2101<FREQ:5>3.580<MODE:4>DIGI<EOR>\n"
                            "<CALL:5>UT3AB<QSO_DATE:8>20170505<TIME_ON:4>2102<FREQ:5>3.581<MODE:4>digi<SUBMODE:5>PSK63<EOR>\n";
    const LogContents unnamed = ReadAdif(log);
    ASSERT_EQ(unnamed.problems.size(), 1u);
    EXPECT_EQ(unnamed.problems[0].line, 2u);
    EXPECT_NE(unnamed.problems[0].message.find("MODE DIGI names no single contest mode; give the mode of the log's digital QSOs with --dg-mode"),
              std::string::npos);
    ASSERT_EQ(unnamed.qsos.size(), 1u);
    EXPECT_EQ(unnamed.qsos[0].mode, "BPSK63");
    ReadOptions rtty;
    rtty.digitalMode = "RTTY";
    const LogContents named = ReadContestLog(log, rtty);
    ASSERT_EQ(named.qsos.size(), 2u);
    EXPECT_EQ(named.qsos[0].mode, "RTTY");
    EXPECT_EQ(named.qsos[1].mode, "BPSK63");
}

std::string AdxRecord(const std::string& call, const std::string& time, const std::string& extra = "") {
    return "<RECORD><CALL>" + call + "</CALL><QSO_DATE>20170505</QSO_DATE><TIME_ON>" + time +
           "</TIME_ON><FREQ>3.526</FREQ><MODE>CW</MODE><RST_SENT>599</RST_SENT><RST_RCVD>579</RST_RCVD>"
           "<STX_STRING>001</STX_STRING><SRX_STRING>KI01</SRX_STRING><STATION_CALLSIGN>UR5TST</STATION_CALLSIGN>" +
           extra + "</RECORD>\n";
}

// ADX is read by the fields of ADIF, its records found as the text is read: XML's entities,
// character references, CDATA and comments are read for what they are, each record named by the
// line it starts on, a record that is not well-formed XML named and skipped.
TEST(AdxReader, ReadsRecordsByAdifsFieldRules) {
    const std::string log =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"             // 1
        "<ADX>\n<HEADER><ADIF_VER>3.1.4</ADIF_VER><!-- <RECORD> in a comment --></HEADER>\n"  // 2, 3
        "<RECORDS>\n" +                                                            // 4
        AdxRecord("UT2AB", "2101", "<COMMENT>QRM &amp; QSB &lt;loud&gt;</COMMENT><!-- </RECORD> -->") +  // 5
        "<record>\n  <call>ut3ab</call> <qso_date>20170505</qso_date> <time_on>210230</time_on>\n"  // 6, 7
        "  <freq>7.0125</freq> <mode>PSK</mode> <submode>PSK63</submode>\n"     // 8
        "  <srx_string><![CDATA[LV13]]></srx_string> <stx_string>0&#48;2</stx_string>\n"  // 9
        "  <APP PROGRAMID=\"X\" FIELDNAME=\"CALL\" TYPE=\"S\">UT0XX</APP>\n</record>\n" +  // 10, 11
        AdxRecord("UT4AB", "2103", "<COMMENT lang=en>unquoted</COMMENT>") +         // 12: malformed
        AdxRecord("UT5AB&#10;QSO: forged", "2104") +                              // 13: a line break
        "<RECORD/>\n" +                                                            // 14: no fields
        AdxRecord("UT6AB", "2105", "<MODE>DIGI</MODE>") +                          // 15: first MODE is CW
        "</RECORDS>\n</ADX>\n";
    const LogContents read = ReadContestLog(log);
    EXPECT_EQ(read.format, LogFormat::adx);
    EXPECT_EQ(read.ownCall, "UR5TST");
    ASSERT_EQ(read.qsos.size(), 3u);
    EXPECT_EQ(read.qsos[0].line, 5u);
    EXPECT_EQ(read.qsos[0].call, "UT2AB");
    EXPECT_EQ(read.qsos[0].exchReceived, "KI01");
    EXPECT_EQ(read.qsos[0].frequencyHz, 3'526'000u);
    EXPECT_EQ(read.qsos[1].line, 6u);
    EXPECT_EQ(read.qsos[1].call, "UT3AB");
    EXPECT_EQ(When(read.qsos[1]), "2017-05-05 21:02:30");
    EXPECT_EQ(read.qsos[1].mode, "BPSK63");
    EXPECT_EQ(read.qsos[1].band, "40m");
    EXPECT_EQ(read.qsos[1].exchReceived, "LV13");
    EXPECT_EQ(read.qsos[1].exchSent, "002");
    EXPECT_EQ(read.qsos[2].line, 15u);
    EXPECT_EQ(read.qsos[2].mode, "CW");
    const std::pair<std::size_t, const char*> problems[] = {
        {12, "record is not well-formed XML"}, {13, "field CALL holds a line break"}, {14, "record without CALL"}};
    ASSERT_EQ(read.problems.size(), std::size(problems));
    for (std::size_t i = 0; i < std::size(problems); ++i) {
        EXPECT_EQ(read.problems[i].line, problems[i].first);
        EXPECT_NE(read.problems[i].message.find(problems[i].second), std::string::npos) << read.problems[i].message;
    }
}

TEST(AdxReader, RecordsAcrossPiecesTooLongOrCutOff) {
    constexpr std::size_t kPiece = 64 * 1024;
    // A record that starts before the end of the first piece of the text and ends in the next.
    const std::string head = "<ADX><HEADER><PROGRAMID>" + std::string(kPiece - 60, 'x') + "</PROGRAMID></HEADER>\n<RECORDS>";
    const std::string log = head + AdxRecord("UT2AB", "2101") + "<RECORD><CALL>UT3AB</CALL><COMMENT>" +
                            std::string(2 * 1024 * 1024, 'y') + "</COMMENT></RECORD>\n" + AdxRecord("UT4AB", "2103") +
                            "<RECORD><CALL>UT5AB</CALL>";
    const LogContents read = ReadContestLog(log);
    ASSERT_EQ(read.qsos.size(), 2u);
    EXPECT_EQ(read.qsos[0].line, 2u);
    EXPECT_EQ(read.qsos[1].line, 4u);
    ASSERT_EQ(read.problems.size(), 2u);
    EXPECT_EQ(read.problems[0].line, 3u);
    EXPECT_NE(read.problems[0].message.find("record longer than 1048576 bytes"), std::string::npos);
    EXPECT_EQ(read.problems[1].line, 5u);
    EXPECT_NE(read.problems[1].message.find("record without </RECORD> at the end of the file"), std::string::npos);

    ReadOptions psk31;
    psk31.digitalMode = "BPSK31";
    std::string digiRecord = AdxRecord("UT2AB", "2101");
    digiRecord.replace(digiRecord.find("<MODE>CW"), 8, "<MODE>DIGI");
    const LogContents digi = ReadContestLog("<ADX><RECORDS>" + digiRecord + "</RECORDS></ADX>", psk31);
    ASSERT_EQ(digi.qsos.size(), 1u);
    EXPECT_EQ(digi.qsos[0].mode, "BPSK31");
}

// The log is read in pieces of 64 KB; a CR LF split between two pieces is one line end.
TEST(CabrilloReader, LineNumbersHoldWhereALineEndFallsBetweenPieces) {
    constexpr std::size_t kPiece = 64 * 1024;
    const std::string head = "START-OF-LOG: 3.0\r\nSOAPBOX: ";
    for (std::size_t crAt = kPiece - 3; crAt <= kPiece + 2; ++crAt) {
        SCOPED_TRACE(crAt);
        const std::string log = head + std::string(crAt - head.size(), 'x') +
                                "\r\nQSO:  3512 CW 2017-05-05 2005 UR7QM 599 001 DL1AB 599 15\r\n"
                                "QSO:  7015 CW 2017-05-05 2010 UR7QM 599 002 OK1XY 589 14\r\nEND-OF-LOG:\r\n";
        const LogContents read = ReadCabrillo(log);
        ASSERT_EQ(read.problems.size(), 1u);
        EXPECT_EQ(read.problems[0].line, 2u);
        EXPECT_NE(read.problems[0].message.find("longer than 4096"), std::string::npos);
        ASSERT_EQ(read.qsos.size(), 2u);
        EXPECT_EQ(read.qsos[0].line, 3u);
        EXPECT_EQ(read.qsos[1].line, 4u);
        EXPECT_TRUE(read.notes.empty());
    }
}

TEST(QsoFields, CountryOfCall) {
    const std::pair<const char*, const char*> cases[] = {
        {"UR5ABC", "UR"}, {"ur5abc/p", "UR"}, {"EM1Q", "UR"},     {"EO10X", "UR"},   {"UZ2M/QRP", "UR"},
        {"EL2A", "EL2"},  {"UA3AB", "UA3"},   {"DL/UR5ABC", "DL"}, {"UR5ABC/DL", "DL"}, {"SP/UT4ZZ/P", "SP"},
        {"9A1A", "9A1"},  {"3DA0X", "3DA0"},  {"IT9XYZ", "IT9"},
    };
    for (const auto& [call, country] : cases) EXPECT_EQ(CountryOfCall(call), country) << call;
}

TEST(QsoFields, ModesFromCabrilloCodesAndAdif) {
    EXPECT_EQ(ModeOfCabrilloCode("PS"), "BPSK31");
    EXPECT_EQ(ModeOfCabrilloCode("PO"), "BPSK125");
    EXPECT_EQ(ModeOfCabrilloCode("QS"), "QPSK31");
    EXPECT_EQ(ModeOfCabrilloCode("QM"), "QPSK63");
    EXPECT_EQ(ModeOfCabrilloCode("QO"), "QPSK125");
    EXPECT_EQ(ModeOfCabrilloCode("MF"), "MFSK");
    EXPECT_FALSE(ModeOfCabrilloCode("DG"));
    EXPECT_FALSE(ModeOfCabrilloCode("??"));
    EXPECT_EQ(ModeOfAdif("PSK", "PSK31"), "BPSK31");
    EXPECT_EQ(ModeOfAdif("PSK", "QPSK125"), "QPSK125");
    EXPECT_EQ(ModeOfAdif("SSB", "USB"), "SSB");
    EXPECT_EQ(ModeOfCabrilloCode("fm"), "FM");
    // Outside the contest an ADIF mode keeps its name, for the add path to find it wrong.
    EXPECT_EQ(ModeOfAdif("PSK", "PSK1000"), "PSK1000");
    // ADIF 3 submodes and the ADIF 2 names written into MODE.
    const std::pair<std::pair<const char*, const char*>, const char*> adif[] = {
        {{"PSK", "PSK63"}, "BPSK63"},  {{"psk", "qpsk31"}, "QPSK31"},  {{"PSK", "PSK125"}, "BPSK125"},
        {{"MFSK", "MFSK16"}, "MFSK"},  {{"MFSK", ""}, "MFSK"},         {{"MFSK", "MFSK32"}, "MFSK32"},
        {{"MFSK", "JT65"}, "JT65"},    {{"SSB", "LSB"}, "SSB"},        {{"PSK31", ""}, "BPSK31"},
        {{"QPSK125", ""}, "QPSK125"},  {{"MFSK16", ""}, "MFSK"},       {{"PSK63", ""}, "BPSK63"},
    };
    for (const auto& [modes, contestMode] : adif) EXPECT_EQ(ModeOfAdif(modes.first, modes.second), contestMode) << modes.first << " " << modes.second;
    EXPECT_EQ(ModeOfAdif("ft8", ""), "FT8");
    EXPECT_EQ(ModeOfAdif("", ""), "");
    EXPECT_EQ(BandOfKHz(7299), "40m");
    EXPECT_EQ(BandOfKHz(28500), "10m");
    EXPECT_EQ(BandOfKHz(6000), "");
}

}  // namespace
