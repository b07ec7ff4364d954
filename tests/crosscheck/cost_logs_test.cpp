// Logs whose cost would follow the attacker, through the cross-check: thousands of broken lines
// are named by kind with a count of the rest, in the messages and in the UBN report; thousands of
// copies of one QSO in both logs, or of a busted call beside its station's copies, are paired one
// to one.
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

std::string Repeated(const std::string& line, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += line;
    return text;
}

std::string Log(const std::string& call, const std::string& body) {
    return "START-OF-LOG: 3.0\r\nCALLSIGN: " + call + "\r\n" + body + "END-OF-LOG:\r\n";
}

constexpr const char* kMine = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n";
constexpr const char* kTheirs = "QSO:  3512 CW 2017-05-05 2101 UT2AB 599 KI01 UR5TST 579 001\r\n";

class CostLogs : public testing::Test {
protected:
    void SetUp() override {
        m_root = fs::path(testing::TempDir()) / ("cost_logs_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    fs::path m_root;
};

TEST_F(CostLogs, BrokenLinesAreCountedAndCopiesPairedOneToOne) {
    struct Case {
        const char* name;
        std::string mine, theirs;
        std::vector<std::string> out, err, ubn;  // what each must hold
        std::size_t qsos;  // in UR5TST's log: its UBN report lists each, the skipped lines are bounded
    } cases[] = {
        {"20,000 broken QSO lines", Log("UR5TST", kMine + Repeated("QSO: junk\r\n", 20'000)), Log("UT2AB", kTheirs),
         {"2 scored, 0 not scored; 20000 lines skipped", "QSOs: 2, matched 2"},
         {"UR5TST.cbr:4: QSO line has 1 fields, too few for a QSO, line skipped\n",
          "UR5TST.cbr: ... and 19900 more like this: QSO line has 1 fields, too few for a QSO, line skipped\n"},
         {"20000 lines skipped", "Skipped lines: 20000\n",
          "UR5TST.cbr: ... and 19900 more like this: QSO line has 1 fields, too few for a QSO\n"},
         1},
        {"2,000 copies of one QSO in both logs", Log("UR5TST", Repeated(kMine, 2000)), Log("UT2AB", Repeated(kTheirs, 2000)),
         {"QSOs: 4000, matched 2", "repeats: 3998"},
         {},
         {"0 lines skipped"},
         2000},
        {"2,000 copies of a busted call beside 2,000 unmatched copies of its station's QSO",
         Log("UR5TST", Repeated("QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AC 579 KI01\r\n", 2000)),
         Log("UT2AB", Repeated(kTheirs, 2000)),
         {"QSOs: 4000, matched 1", "busted calls: 2000", "repeats: 1999"},
         {},
         {"0 lines skipped"},
         2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_root);
        fs::create_directories(m_root / "logs");
        std::ofstream(m_root / "logs/UR5TST.cbr", std::ios::binary) << c.mine;
        std::ofstream(m_root / "logs/UT2AB.cbr", std::ios::binary) << c.theirs;
        std::ofstream(m_root / "logs/zelk.txt", std::ios::binary) << "KI-01 Kyiv city\n";
        const std::string logs = (m_root / "logs").string(), output = (m_root / "out").string();
        const char* argv[] = {"zelk-crosscheck", logs.c_str(), "-o", output.c_str()};
        std::ostringstream out, err;
        CrossCheckMain(4, argv, out, err);
        for (const std::string& part : c.out) EXPECT_NE(out.str().find(part), std::string::npos) << part << "\n" << out.str();
        for (const std::string& part : c.err) EXPECT_NE(err.str().find(part), std::string::npos) << part;
        EXPECT_LT(err.str().size(), 20'000u);
        const std::string ubn = read(m_root / "out/UR5TST.ubn.txt");
        for (const std::string& part : c.ubn) EXPECT_NE(ubn.find(part), std::string::npos) << part;
        EXPECT_LT(ubn.size() + read(m_root / "out/UR5TST.html").size(), 60'000 + 250 * c.qsos);
    }
}

}  // namespace
