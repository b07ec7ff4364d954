// The site's check of an upload on logs stuffed with broken lines or copies of one QSO: it names
// the first findings of each kind and counts them all.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "server/upload_check.h"

namespace {

std::string Repeated(const std::string& line, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += line;
    return text;
}

TEST(UploadCheck, StuffedLogsGiveTheFirstFindingsOfEachKindAndTheWholeCount) {
    const std::string head = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\n";
    const std::string qso = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n";
    struct Case {
        const char* name;
        std::string log;
        std::size_t named, total;
        const char* first;
    } cases[] = {
        {"20,000 broken lines", head + qso + Repeated("QSO: junk\r\n", 20'000) + "END-OF-LOG:\r\n", 100, 20'000,
         "QSO line has 1 fields, too few for a QSO, line skipped"},
        {"1,000 copies of one QSO", head + Repeated(qso, 1000) + "END-OF-LOG:\r\n", 100, 999, "DUPE of line 3"},
        {"copies and broken lines", head + Repeated(qso + "xyz\r\n", 150) + "END-OF-LOG:\r\n", 200, 299,
         "not a Cabrillo line, line skipped"},
    };
    ContestRules rules;
    rules.districtList = "KI-01 Kyiv city\r\n";
    rules.start = OleOfUnix(1494018000);  // 2017-05-05 21:00 UTC
    rules.end = OleOfUnix(1494018000 + 6 * 3600);
    const std::filesystem::path scratch = std::filesystem::path(testing::TempDir()) / ("upload_check_" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UploadCheck check = CheckUpload(c.log, rules, scratch);
        ASSERT_TRUE(check.usable) << check.refusal;
        EXPECT_EQ(check.findings.size(), c.named);
        EXPECT_EQ(check.findingsTotal, c.total);
        ASSERT_FALSE(check.findings.empty());
        EXPECT_EQ(check.findings.front().message, c.first);
    }
    EXPECT_TRUE(std::filesystem::is_empty(scratch));  // the bad-QSO file went with the check
    std::filesystem::remove_all(scratch);
}

}  // namespace
