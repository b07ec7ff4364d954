// Logs made to break the readers, in a contest folder beside an honest pair: the cross-check names
// them, reads what they really hold, and the partners of their real QSOs are confirmed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "crosscheck/crosscheck_command.h"

namespace fs = std::filesystem;

namespace {

std::string Field(const std::string& name, const std::string& value) {
    return "<" + name + ":" + std::to_string(value.size()) + ">" + value;
}

std::string AdifRecord(const std::string& call, const std::string& extra = "") {
    return Field("CALL", call) + Field("QSO_DATE", "20170505") + Field("TIME_ON", "2101") + Field("FREQ", "3.512") +
           Field("MODE", "CW") + Field("RST_SENT", "599") + Field("RST_RCVD", "579") + Field("STX_STRING", "001") +
           Field("SRX_STRING", "KI01") + Field("STATION_CALLSIGN", "UR5TST") + extra + "<EOR>\n";
}

std::string AdxRecord(const std::string& call) {
    return "<RECORD><CALL>" + call + "</CALL><QSO_DATE>20170505</QSO_DATE><TIME_ON>2101</TIME_ON><FREQ>3.512</FREQ>"
           "<MODE>CW</MODE><RST_SENT>599</RST_SENT><RST_RCVD>579</RST_RCVD><STX_STRING>001</STX_STRING>"
           "<SRX_STRING>KI01</SRX_STRING><STATION_CALLSIGN>UR5TST</STATION_CALLSIGN></RECORD>\n";
}

std::string Adx(const std::string& records) { return "<ADX><HEADER></HEADER><RECORDS>\n" + records + "</RECORDS></ADX>\n"; }

constexpr const char* kMine =
    "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\nQSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\nEND-OF-LOG:\r\n";
constexpr const char* kTheirs =
    "START-OF-LOG: 3.0\r\nCALLSIGN: UT2AB\r\nQSO:  3512 CW 2017-05-05 2101 UT2AB 599 KI01 UR5TST 579 001\r\nEND-OF-LOG:\r\n";

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(HostileReaderLogs, AreNamedAndTheirRealQsosConfirmTheirPartners) {
    std::string nested;
    for (int i = 0; i < 80'000; ++i) nested += "<A>";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;  // name, bytes
        std::vector<std::string> out, err;                      // what each must hold
        std::string notInUr5tstReport;                          // a call that exists only in the attacker's text
    } cases[] = {
        {"80,000 nested elements in a third log",
         {{"UR5TST.cbr", kMine}, {"UT2AB.cbr", kTheirs},
          {"UR5NST.adx", "<ADX><RECORDS><RECORD>" + nested + "</RECORD></RECORDS></ADX>\n"}},
         {"QSOs: 2, matched 2"},
         {"UR5NST.adx:1: record is not well-formed XML"},
         ""},
        {"an <EOR> and a call inside NOTES of the right length",
         {{"UR5TST.adi", "<EOH>\n" + AdifRecord("UT2AB", Field("NOTES", "QRM <EOR> " + Field("CALL", "UT9ZZ") + " <EOR>"))},
          {"UT2AB.cbr", kTheirs}},
         {"QSOs: 2, matched 2"},
         {},
         "UT9ZZ"},
        {"an unclosed ADX record before the real one",
         {{"UR5TST.adx", Adx("<RECORD><CALL>UT9ZZ</CALL>\n" + AdxRecord("UT2AB"))}, {"UT2AB.cbr", kTheirs}},
         {"QSOs: 2, matched 2"},
         {"record without </RECORD>"},
         "UT9ZZ"},
    };
    const fs::path root = fs::path(testing::TempDir()) / ("hostile_reader_logs_" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        fs::create_directories(root / "logs");
        for (const auto& [name, bytes] : c.files) std::ofstream(root / "logs" / name, std::ios::binary) << bytes;
        std::ofstream(root / "logs/zelk.txt", std::ios::binary) << "KI-01 Kyiv city\n";
        const std::string logs = (root / "logs").string(), output = (root / "out").string();
        const char* argv[] = {"zelk-crosscheck", logs.c_str(), "-o", output.c_str()};
        std::ostringstream out, err;
        CrossCheckMain(4, argv, out, err);
        for (const std::string& part : c.out) EXPECT_NE(out.str().find(part), std::string::npos) << part << "\n" << out.str();
        for (const std::string& part : c.err) EXPECT_NE(err.str().find(part), std::string::npos) << part << "\n" << err.str();
        if (!c.notInUr5tstReport.empty()) {
            EXPECT_EQ(Read(root / "out/UR5TST.ubn.txt").find(c.notInUr5tstReport), std::string::npos);
        }
    }
    fs::remove_all(root);
}

}  // namespace
