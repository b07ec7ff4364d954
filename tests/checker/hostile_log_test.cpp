// Logs made to break the checker, or damaged on the way: each is read in bounded memory, its
// damaged lines named and skipped, and nothing of it reaches the written files as a line of
// their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/checker_folder.h"

namespace {

using namespace std::string_literals;

constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_05_05_2017.txt";

std::string AdifRecord(const std::string& call, const std::string& time, const std::string& srx = "KI01") {
    return "<CALL:" + std::to_string(call.size()) + ">" + call + "<QSO_DATE:8>20170505<TIME_ON:4>" + time +
           "<FREQ:5>3.512<MODE:2>CW<RST_SENT:3>599<RST_RCVD:3>579<STX_STRING:3>001<SRX_STRING:" +
           std::to_string(srx.size()) + ">" + srx + "<STATION_CALLSIGN:6>UR5TST<EOR>\n";
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string wide;
    for (char c : ascii) wide += bigEndian ? "\0"s + c : std::string(1, c) + '\0';
    return wide;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class HostileLog : public CheckCommand {};

// Unusable files stop with exit 2, a message that names what is wrong, and no file written; a log
// whose every record was skipped holds no QSO (exit 1), and writes nothing either.
TEST_F(HostileLog, UnreadableFilesAreNamedForWhatTheyAre) {
    const std::string cabrillo = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\n"
                                 "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\nEND-OF-LOG:\r\n";
    struct Case {
        const char* name;
        std::string log;
        const char* message;
        int exitCode = 2;
    } cases[] = {
        {"UTF-16 LE with a mark", "\xFF\xFE"s + Utf16(cabrillo, false), "UTF-16"},
        {"UTF-16 BE with a mark", "\xFE\xFF"s + Utf16(cabrillo, true), "save it as ANSI or UTF-8"},
        {"UTF-16 without a mark", Utf16(cabrillo, false), "UTF-16"},
        // A NUL byte or two skip their line; the file is no binary file for them.
        {"NUL in the third line", "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\nQSO: \0\0\0\r\n"s,
         "log.txt:3: line holds control or binary bytes, line skipped", 1},
        {"own call of 256 KB", "START-OF-LOG: 3.0\r\nCALLSIGN: " + std::string(256 * 1024, 'W') +
                                   "\r\nQSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n",
         "is not a call sign (at most 20 characters)"},
        {"own call with a blank in ADIF", "<EOH>\n<OPERATOR:9>UR5TST XX<CALL:5>UT2AB<QSO_DATE:8>20170505<TIME_ON:4>2101"
                                          "<FREQ:5>3.512<MODE:2>CW<STX:1>1<SRX:4>KI01<EOR>\n",
         "log.txt:2: own call \"UR5TST XX\" is not a call sign, line skipped", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("log.txt", c.log);
        const Outcome result = run({"log.txt", "--cabrillo"});
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"log.txt", "zelk.txt"}));
    }
}

// A line break or another control byte in a field that reaches the Cabrillo file skips its
// record, named; the file written holds one QSO line per good QSO and one END-OF-LOG.
TEST_F(HostileLog, ControlBytesInAFieldSkipTheRecordAndForgeNoLine) {
    const std::string forged = "\r\nQSO:  3512 CW 2017-05-05 2109 UR5TST 599 001 UT9ZZ 599 KI01\r\nEND-OF-LOG:\r\n";
    const std::string log = "<ADIF_VER:5>3.1.0<EOH>\n" + AdifRecord("UT2AB", "2101") +   // line 2
                            AdifRecord("UT3CD" + forged, "2102") +                        // lines 3-6
                            AdifRecord("UT4EF", "2103", "KI01" + forged) +                // lines 7-10
                            AdifRecord("UT5GH", "2104", "KI01\x1b[2J") +                  // line 11
                            AdifRecord("UT6IJ\tX", "2105") +                              // line 12
                            AdifRecord("UT7KL", "2106");                                  // line 13
    write("log.adi", log);
    const Outcome result = run({"log.adi", "--cabrillo"});
    EXPECT_EQ(result.exitCode, 1);
    for (const char* named : {"log.adi:3: field CALL holds a line break", "log.adi:7: field SRX_STRING holds a line break",
                              "log.adi:11: field SRX_STRING holds a line break", "log.adi:12: field CALL holds"})
        EXPECT_NE(result.err.find(named), std::string::npos) << named << "\n" << result.err;
    EXPECT_NE(result.err.find("2 QSOs read, 4 lines skipped"), std::string::npos) << result.err;
    const std::string cabrillo = read("UR5TST.cbr");
    EXPECT_EQ(Count(cabrillo, "QSO:"), 2u) << cabrillo;
    EXPECT_EQ(Count(cabrillo, "END-OF-LOG:"), 1u);
    EXPECT_EQ(Count(cabrillo, "UT9ZZ"), 0u);
}

// Line ends of any kind, lines and records far too long, and a flood of dupes.
TEST_F(HostileLog, OddLineEndsHugeLinesAndDupeFloodsAreReadInBoundedPieces) {
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> named;  // on standard error
        const char* totals;
    } cases[] = {
        {"CR-only line ends",
         "START-OF-LOG: 3.0\rCALLSIGN: UR5TST\rQSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r"
         "QSO: 3512 CW\rQSO:  7012 CW 2017-05-05 2102 UR5TST 599 002 UT3CD 579 LV13\rEND-OF-LOG:\r",
         {"log.txt:4: QSO line has 2 fields, too few for a QSO, line skipped"},
         "2 QSOs read, 1 line skipped"},
        {"mixed line ends",
         "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\nQSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r"
         "junk\r\nQSO:  7012 CW 2017-05-05 2102 UR5TST 599 002 UT3CD 579 LV13\n",
         {"log.txt:4: not a Cabrillo line"},
         "2 QSOs read, 1 line skipped"},
        {"a line of 1 MB",
         "START-OF-LOG: 3.0\nCALLSIGN: UR5TST\nSOAPBOX: " + std::string(1 << 20, 'x') +
             "\nQSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\n",
         {"log.txt:3: line longer than 4096 characters, line skipped"},
         "1 QSO read, 1 line skipped"},
        {"an ADIF record of 2 MB",
         "<EOH>\n" + AdifRecord("UT2AB", "2101") + "<COMMENT:2000000>" + std::string(2'000'000, 'y') + "<EOR>\n" +
             AdifRecord("UT3CD", "2102"),
         {"log.txt:3: record longer than 1048576 bytes, line skipped"},
         "2 QSOs read, 1 line skipped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("log.txt", c.log);
        const Outcome result = run({"log.txt", "--force"});
        EXPECT_EQ(result.exitCode, 1);
        for (const std::string& named : c.named) EXPECT_NE(result.err.find(named), std::string::npos) << named << "\n" << result.err;
        EXPECT_NE(result.err.find(c.totals), std::string::npos) << result.err;
    }

    // n copies of one QSO give the plug-in n(n-1)/2 dupe lines (79,800 here); the checker writes
    // at most 10 for each QSO, as the check goes, and says how many it left out.
    constexpr std::size_t kCopies = 400;
    std::string same = "<EOH>\n";
    for (std::size_t i = 0; i < kCopies; ++i) same += AdifRecord("UT2AB", "2101");
    write("same.adi", same);
    const Outcome flood = run({"same.adi", "--force"});
    EXPECT_EQ(flood.exitCode, 1);
    EXPECT_NE(flood.err.find("3945 finding lines"), std::string::npos) << flood.err;
    EXPECT_NE(flood.err.find("and 75855 DUPE lines not written: at most 10 for each QSO"), std::string::npos) << flood.err;
    const std::string badQsos = read(kBadQsoFile);
    EXPECT_EQ(Count(badQsos, "\r\n"), 3'946u);
    EXPECT_EQ(Count(badQsos, "DUPE"), 3'945u);
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{kBadQsoFile, "log.txt", "same.adi", "zelk.txt"}));
}

}  // namespace
