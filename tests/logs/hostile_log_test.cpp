// Files made to break the readers, or damaged on the way, each built in the test: what must be
// read from them and what must be named, through the readers' own interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logs/log_reader.h"

namespace {

using namespace std::string_literals;

std::string AdxRecord(const std::string& call, const std::string& extra = "") {
    return "<RECORD><CALL>" + call + "</CALL><QSO_DATE>20170505</QSO_DATE><TIME_ON>2101</TIME_ON><FREQ>3.526</FREQ>"
           "<MODE>CW</MODE><RST_SENT>599</RST_SENT><RST_RCVD>579</RST_RCVD><STX_STRING>001</STX_STRING>"
           "<SRX_STRING>KI01</SRX_STRING><STATION_CALLSIGN>UR5TST</STATION_CALLSIGN>" +
           extra + "</RECORD>\n";
}

std::string Adx(const std::string& records) { return "<ADX><HEADER></HEADER><RECORDS>\n" + records + "</RECORDS></ADX>\n"; }

std::string Field(const std::string& name, const std::string& value) {
    return "<" + name + ":" + std::to_string(value.size()) + ">" + value;
}

std::string AdifRecord(const std::string& call, const std::string& extra = "") {
    return Field("CALL", call) + Field("QSO_DATE", "20170505") + Field("TIME_ON", "2101") + Field("FREQ", "3.512") +
           Field("MODE", "CW") + Field("RST_SENT", "599") + Field("RST_RCVD", "579") + Field("STX_STRING", "001") +
           Field("SRX_STRING", "KI01") + Field("STATION_CALLSIGN", "UR5TST") + extra + "<EOR>\n";
}

std::string Calls(const LogContents& log) {
    std::string calls;
    for (const LogQso& qso : log.qsos) calls += (calls.empty() ? "" : " ") + qso.call;
    return calls;
}

std::string Messages(const std::vector<LogProblem>& problems) {
    std::string text;
    for (const LogProblem& problem : problems) text += std::to_string(problem.line) + ": " + problem.message + "\n";
    return text;
}

struct Hostile {
    const char* name;
    std::string file;
    const char* calls;                  // the QSOs read, in order
    std::vector<std::string> problems;  // each problem, in order: "line: part of its message"
    std::vector<std::string> notes = {};  // the same for the notes
};

void Check(const Hostile& c) {
    SCOPED_TRACE(c.name);
    const LogContents log = ReadContestLog(c.file);
    EXPECT_EQ(Calls(log), c.calls) << Messages(log.problems);
    const auto expect = [](const std::vector<LogProblem>& got, const std::vector<std::string>& wanted, const char* what) {
        ASSERT_EQ(got.size(), wanted.size()) << what << ":\n" << Messages(got);
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const std::string line = wanted[i].substr(0, wanted[i].find(':'));
            const std::string part = wanted[i].substr(wanted[i].find(':') + 2);
            EXPECT_EQ(std::to_string(got[i].line), line) << got[i].message;
            EXPECT_NE(got[i].message.find(part), std::string::npos) << what << " " << i << ": " << got[i].message;
        }
    };
    expect(log.problems, c.problems, "problems");
    expect(log.notes, c.notes, "notes");
}

TEST(HostileAdx, NestingEntitiesAndBrokenRecordsCostOneRecordEach) {
    std::string nested;
    for (int i = 0; i < 80000; ++i) nested += "<A>";
    const Hostile cases[] = {
        {"80,000 nested elements", "<ADX><RECORDS><RECORD>" + nested + "</RECORD></RECORDS></ADX>", "",
         {"1: record is not well-formed XML"}},
        {"nested elements between good records", Adx(AdxRecord("UT2AB") + AdxRecord("UT3CD", nested + "<B/>") + AdxRecord("UT4EF")),
         "UT2AB UT4EF", {"3: record is not well-formed XML"}},
        {"an element inside a field", Adx(AdxRecord("UT2AB", "<NOTES><B>x</B></NOTES>") + AdxRecord("UT3CD")), "UT3CD",
         {"2: field NOTES holds the element <B>"}},
        {"mismatched tags", Adx("<RECORD><CALL>UT3UC</MODE><MODE>CW</MODE></RECORD>\n" + AdxRecord("UT4EF")), "UT4EF",
         {"2: <CALL> closed by </MODE>"}},
        {"an unclosed record", Adx("<RECORD><CALL>UT2AB</CALL>\n" + AdxRecord("UT3CD") + AdxRecord("UT4EF")), "UT3CD UT4EF",
         {"2: record without </RECORD> before the <RECORD> of line 3"}},
        {"an unclosed record at the end", Adx(AdxRecord("UT2AB") + "<RECORD><CALL>UT3CD</CALL>\n"), "UT2AB",
         {"3: record without </RECORD> before </RECORDS>"}},
        {"DOCTYPE entities", "<?xml version=\"1.0\"?>\n<!DOCTYPE ADX [\n<!ENTITY xxe SYSTEM \"file:///etc/passwd\">\n"
                             "<!ENTITY LOL9 \"KI01\"> <!ENTITY a \"]>\">\n]>\n" +
                                 Adx(AdxRecord("&xxe;") + AdxRecord("UT2AB", "<SRX_STRING>&LOL9;</SRX_STRING>") + AdxRecord("UT3CD")),
         "UT3CD", {"7: the entity &xxe; is not defined", "8: the entity &LOL9; is not defined"},
         {"2: a DOCTYPE or another declaration is passed over"}},
        {"a 3 MB comment holding records",
         Adx(AdxRecord("UT2AB") + "<!--" + [] {
                 std::string pairs;
                 while (pairs.size() < 3 * 1024 * 1024) pairs += "<RECORD></RECORD>\n<RECORD><CALL>UT9ZZ</CALL></RECORD>";
                 return pairs;
             }() + "-->\n" + AdxRecord("UT3CD")),
         "UT2AB UT3CD", {}},
        // A comment is passed over as it is read, however long: the record holding it is not held longer.
        {"a 3 MB comment inside a record",
         Adx(AdxRecord("UT2AB", "<!--" + std::string(3 * 1024 * 1024, '=') + "<RECORD></RECORD>" + "-->") + AdxRecord("UT3CD")),
         "UT2AB UT3CD", {}},
        {"a 3 MB field", Adx(AdxRecord("UT2AB", "<NOTES>" + std::string(3 * 1024 * 1024, 'x') + "</NOTES>") + AdxRecord("UT3CD")),
         "UT3CD", {"2: record longer than 1048576 bytes"}},
        {"a comment never closed", Adx(AdxRecord("UT2AB") + "<!-- " + AdxRecord("UT3CD")), "UT2AB",
         {"3: the file ends inside a comment"}},
        {"a tag never closed", "<ADX><RECORDS>" + AdxRecord("UT2AB") + "<RECORD><CALL>UT3CD</CALL", "UT2AB",
         {"2: the file ends inside a tag", "2: record without </RECORD> at the end of the file"}},
        {"a bare ampersand", Adx(AdxRecord("UT2AB & co") + AdxRecord("UT3CD")), "UT3CD", {"2: a '&' that starts no reference"}},
        {"a reference to NUL", Adx(AdxRecord("UT2&#0;AB") + AdxRecord("UT3CD")), "UT3CD", {"2: &#0; is no character"}},
        {"an end tag without start", Adx("<RECORD></CALL>" + AdxRecord("UT2AB").substr(8)), "",
         {"2: end tag </CALL> without its start tag"}},
    };
    for (const Hostile& c : cases) Check(c);
}

TEST(HostileAdif, LengthsCountBeforeTheTextOfTheirValues) {
    const std::string header = "ADIF export\n<ADIF_VER:5>3.1.0<EOH>\n";
    const Hostile cases[] = {
        {"an <EOR> inside NOTES of the right length",
         header + AdifRecord("UT2AB", Field("NOTES", "QRM <EOR> " + Field("CALL", "UT9ZZ") + " <EOR>")) + AdifRecord("UT3CD"), "UT2AB UT3CD",
         {}},
        {"an <EOR> inside COMMENT before the fields",
         header + Field("COMMENT", "<EOR>") + AdifRecord("UT2AB").substr(0), "UT2AB", {}},
        {"the last <EOR> is the file's last five bytes", header + AdifRecord("UT2AB") + AdifRecord("UT3CD").substr(0, AdifRecord("UT3CD").size() - 1),
         "UT2AB UT3CD", {}},
        {"lengths in characters",
         header + AdifRecord("UT2AB", "<NOTES:17>Дякую за QSO, 73!") + AdifRecord("UT3CD", "<NOTES:4>Київ"), "UT2AB UT3CD", {},
         {"3: the length of field <NOTES:17> counts characters, not bytes"}},
        {"a length that takes in the next tag", header + "<CALL:40>UT2AB<MODE:2>CW<EOR>\n" + AdifRecord("UT3CD"), "UT3CD",
         {"3: field <CALL:40> runs past the end of its record"}},
        {"a length past the end of the file", header + AdifRecord("UT2AB") + "<NOTES:999>x<EOR>\n", "UT2AB",
         {"4: field <NOTES:999> runs past the end of its record"}},
        {"a length of 4 GB", header + "<NOTES:4294967296>x<EOR>\n" + AdifRecord("UT2AB"), "UT2AB",
         {"3: record longer than 1048576 bytes"}},
        {"a 3 MB field", header + AdifRecord("UT2AB", Field("NOTES", std::string(3 * 1024 * 1024, 'x'))) + AdifRecord("UT3CD"),
         "UT3CD", {"3: record longer than 1048576 bytes"}},
        {"the exchange after the RST, no exchange fields",
         header + "<CALL:5>UT2AB<QSO_DATE:8>20170505<TIME_ON:6>210100<FREQ:5>3.512<MODE:2>CW<RST_SENT:7>599 001"
                  "<RST_RCVD:8>579 KI01<EOR>\n<CALL:5>UT3CD<QSO_DATE:8>20170505<TIME_ON:6>210200<FREQ:5>3.513<MODE:2>CW"
                  "<RST_SENT:7>599 002<RST_RCVD:8>599 LV13<EOR>\n",
         "UT2AB UT3CD", {},
         {"3: RST_SENT \"599 001\" holds the RST and the exchange (the record has no STX_STRING or STX)"}},
        {"NUL bytes in one record", header + AdifRecord("UT2AB") + AdifRecord("UT3\0\0CD"s) + AdifRecord("UT4EF"), "UT2AB UT4EF",
         {"4: field CALL holds a line break or another control character"}},
    };
    for (const Hostile& c : cases) Check(c);

    const LogContents split = ReadContestLog(cases[std::size(cases) - 2].file);
    ASSERT_EQ(split.qsos.size(), 2u);
    EXPECT_EQ(split.qsos[0].rstSent, "599");
    EXPECT_EQ(split.qsos[0].exchSent, "001");
    EXPECT_EQ(split.qsos[0].rstReceived, "579");
    EXPECT_EQ(split.qsos[0].exchReceived, "KI01");
    EXPECT_EQ(split.qsos[1].exchReceived, "LV13");
}

TEST(HostileAdif, CountryNamedInAnyCaseIsUkraine) {
    const LogContents log = ReadContestLog("<EOH>" + AdifRecord("D2AB", Field("COUNTRY", "Ukraine")) +
                                           AdifRecord("D3AB", Field("COUNTRY", "ukraine ")) + AdifRecord("D4AB", Field("COUNTRY", "Angola")));
    ASSERT_EQ(log.qsos.size(), 3u);
    EXPECT_EQ(log.qsos[0].country, "UR");
    EXPECT_EQ(log.qsos[1].country, "UR");
    EXPECT_EQ(log.qsos[2].country, "Angola");
}

// A NUL byte skips its line or record; only a file whose first 4 KB hold control bytes at least
// 4 and above 1 in 16 is binary.
TEST(HostileFiles, NulBytesSkipTheirLineUnlessTheFileIsBinary) {
    const std::string cabrillo = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\n";
    const std::string qso = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n";
    const Hostile cases[] = {
        {"a NUL in the third line", cabrillo + "QSO: \0\r\n"s + qso + "END-OF-LOG:\r\n", "UT2AB", {"3: "}},
        {"three NULs in a short log", cabrillo + "QSO: \0\0\0\r\n"s + qso + "END-OF-LOG:\r\n", "UT2AB", {"3: "}},
        {"a NUL in an ADX field", Adx(AdxRecord("UT2\0AB"s) + AdxRecord("UT3CD")), "UT3CD", {"2: field CALL holds a line break"}},
        {"a PNG header", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR<CALL:5>UT2AB<EOR>"s, "", {"0: the file is binary (4 of its first 34 bytes"}},
        {"control bytes above 1 in 16", std::string(300, '\x01') + std::string(4096, ' ') + cabrillo + qso, "",
         {"0: the file is binary (300 of its first 4096 bytes"}},
    };
    for (const Hostile& c : cases) Check(c);
}

// The text is read in pieces of 64 KB: a record, its tags and its end are read the same wherever
// a piece ends inside them.
TEST(HostileFiles, RecordsStraddlingEveryPieceBoundaryAreReadWhole) {
    constexpr std::size_t kPiece = 64 * 1024;
    const std::string adxHead = "<ADX><HEADER><PROGRAMID>";
    const std::string adx = AdxRecord("UT2AB") + AdxRecord("UT3CD", "<!-- </RECORD> --><COMMENT><![CDATA[x]]></COMMENT>");
    const std::string adifHead = "<ADIF_VER:5>3.1.0";
    const std::string adif = AdifRecord("UT2AB", "<NOTES:9>1 <EOR> 2") + AdifRecord("UT3CD");
    for (std::size_t shift = 0; shift <= adx.size() + 2; ++shift) {
        SCOPED_TRACE(shift);
        const std::string padding(kPiece - adxHead.size() - shift, 'x');
        const LogContents log = ReadContestLog(adxHead + padding + "</PROGRAMID></HEADER><RECORDS>" + adx + "</RECORDS></ADX>");
        EXPECT_EQ(Calls(log), "UT2AB UT3CD") << Messages(log.problems);
        EXPECT_TRUE(log.problems.empty()) << Messages(log.problems);
    }
    for (std::size_t shift = 0; shift <= adif.size() + 2; ++shift) {
        SCOPED_TRACE(shift);
        const std::string head = adifHead + std::string(kPiece - adifHead.size() - shift, ' ') + "<EOH>";
        for (const std::string& tail : {std::string("\n"), std::string()}) {
            const std::string file = head + adif.substr(0, adif.size() - 1) + tail;
            const LogContents log = ReadContestLog(file);
            EXPECT_EQ(Calls(log), "UT2AB UT3CD") << Messages(log.problems);
            EXPECT_TRUE(log.problems.empty()) << Messages(log.problems);
        }
    }
}

}  // namespace
