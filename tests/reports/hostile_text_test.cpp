// Texts from the host, the log or the operator that try to become markup or lines of their own:
// what the HTML summary shows of them, and the whole lines of the Cabrillo file, the ini values
// and the bad-QSO file they end up in.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/add_qso.h"
#include "engine/remove_qso.h"
#include "engine/engine_test_support.h"
#include "qso_records.h"
#include "reports/cabrillo_export.h"
#include "reports/contest_score.h"
#include "reports/header_text.h"
#include "reports/prepare_export.h"
#include "reports/results_summary.h"
#include "support/fakes.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// What a browser shows of a page: its text without the tags, references decoded; and the names of
// the elements it builds.
struct Page {
    std::string text;
    std::set<std::string> elements;
};

Page ReadPage(const std::string& html) {
    static const std::map<std::string, char> kReferences{
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    Page page;
    for (std::size_t at = 0; at < html.size();) {
        if (html[at] == '<') {
            const std::size_t end = html.find('>', at);
            std::string tag = html.substr(at + 1, end - at - 1);
            page.elements.insert(tag.substr(tag.front() == '/', tag.find_first_of(" >") - (tag.front() == '/')));
            at = end + 1;
            continue;
        }
        bool decoded = false;
        for (const auto& [reference, c] : kReferences) {
            if (html.compare(at, reference.size(), reference) == 0) {
                page.text += c;
                at += reference.size();
                decoded = true;
                break;
            }
        }
        if (!decoded) page.text += html[at++];
    }
    return page;
}

const std::set<std::string> kSummaryElements{"html", "head", "style", "body", "center", "b", "table", "tr", "th", "td"};

TEST(HostileText, HtmlSummaryShowsEveryTextAsItselfAndBuildsNoElementOfIt) {
    struct Case {
        const char* what;
        SummaryHeading heading;
        const char* band;
        std::string shown;  // a run of the page's text
    };
    const Case cases[] = {
        {"own call as an image tag", {"<IMG SRC=X ONERROR=ALERT(1)>", "05.05", "06.05.2017"}, "80m",
         "Contestant:  <IMG SRC=X ONERROR=ALERT(1)>"},
        {"own call as a script", {"<script>alert('UT1AA')</script>", "05.05", "06.05.2017"}, "80m",
         "Contestant:  <script>alert('UT1AA')</script>"},
        {"dates that close the title", {"UT1AA", "05.05</b><b onclick=\"x\">", "06.05&2017"}, "80m",
         "   ZELK CONTEST 05.05</b><b onclick=\"x\">-06.05&2017Contestant:  UT1AA"},
        {"band name from the log", {"UT1AB", "05.05", "06.05.2017"}, "80m<TD>&amp;\"'", "80m<TD>&amp;\"'111100Total"},
    };
    for (const Case& c : cases) {
        ContestState contest;
        contest.bandsWorked = {c.band};
        contest.qsoLog.append(ScoredQso("UR5AB", c.band, "CW", "KI"));
        const Page page = ReadPage(FormatResultsHtml(ScoreContest(contest, {}), c.heading));
        EXPECT_NE(page.text.find(c.shown), std::string::npos) << c.what << ": [" << c.shown << "] " << page.text;
        EXPECT_EQ(page.elements, kSummaryElements) << c.what;
    }
}

TEST(HostileText, TextSummaryKeepsTheHeadingLines) {
    ContestState contest;
    const SummaryHeading heading{"UT1AA\r\nDupe\t 0", "05.05", "06.05.2017\n"};
    EXPECT_EQ(Lines(FormatResultsText(ScoreContest(contest, {}), heading, false)),
              (std::vector<std::string>{"\t\tZELK CONTEST  06.05.2017", "\t\t   Contestant: UT1AA Dupe\t 0 ",
                                        "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG", "Total\t 0\t 0\t 0\t 0\t 0\t 0"}));
}

// One hostile value per row, typed into the header dialog or carried by the logged QSO. Every
// row gets the same file apart from its one line, and the ini keeps its keys one to a line.
struct LineCase {
    const char* what;
    std::function<void(HeaderDialogValues&)> type;
    std::function<void(CInfo&)> log;
    std::string line;                      // the line of the Cabrillo file it ends up in
    std::string iniKey, iniValue;          // its ini value after OK; empty key: not stored
    std::vector<std::string> extraLines{}; // lines of a multi-line value after the first
};

const std::string kQsoLine = "QSO:  3520 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 KI";

TEST(HostileText, NoValueAddsALineToTheCabrilloFileOrTheIni) {
    const auto typed = [](std::string HeaderDialogValues::*box, std::string value) {
        return [=](HeaderDialogValues& values) { values.*box = value; };
    };
    const auto logged = [](std::string CInfo::*field, std::string value) {
        return [=](CInfo& record) { record.*field = value; };
    };
    const LineCase cases[] = {
        {"name forging a claimed score", typed(&HeaderDialogValues::name, "Ivan\r\nCLAIMED-SCORE: 999999"), {},
         "NAME: Ivan CLAIMED-SCORE: 999999", "Name", "Ivan CLAIMED-SCORE: 999999"},
        {"club forging a QSO", typed(&HeaderDialogValues::club, "UARL\nQSO:  7000 CW 2017-05-05 2005 UT1AA 599 001 K1A 599 1"),
         {}, "CLUB: UARL QSO:  7000 CW 2017-05-05 2005 UT1AA 599 001 K1A 599 1", "Club",
         "UARL QSO:  7000 CW 2017-05-05 2005 UT1AA 599 001 K1A 599 1"},
        {"e-mail ending in a line break", typed(&HeaderDialogValues::email, "ut1aa@example.org\r\n"), {},
         "EMAIL: ut1aa@example.org", "Email", "ut1aa@example.org"},
        {"operators with a lone CR, a NUL and a DEL", typed(&HeaderDialogValues::operators, std::string("UT1AA\rUT1AB\0UT1AC\x7f", 18)),
         {}, "OPERATORS: UT1AA UT1AB UT1AC", "Operators", "UT1AA UT1AB UT1AC"},
        {"category with a vertical tab and a form feed", typed(&HeaderDialogValues::category, "\x0b" "A-CW\x0c" "LOW"), {},
         "CATEGORY: A-CW LOW", "Category", "A-CW LOW"},
        {"contest with a line break", typed(&HeaderDialogValues::contest, "ZELK\r\nEND-OF-LOG:"), {},
         "CONTEST: ZELK", "Contest", "ZELK END-OF-LOG:"},
        {"call sign in the dialog", typed(&HeaderDialogValues::callsign, "UT1AA\r\nCLUB: X"), {},
         "CALLSIGN: UT1AA CLUB: X", "", ""},
        {"tabs and blanks are kept", typed(&HeaderDialogValues::name, " Ivan\tPetrenko "), {},
         "NAME:  Ivan\tPetrenko ", "Name", " Ivan\tPetrenko "},
        {"address keeps its lines, each tagged", typed(&HeaderDialogValues::address, "Kyiv\r\nKhreshchatyk 1\r\n01001\x0b"), {},
         "ADDRESS: Kyiv", "Address", "Kyiv<CR><LF>Khreshchatyk 1<CR><LF>01001\x0b",
         {"ADDRESS: Khreshchatyk 1", "ADDRESS: 01001"}},
        {"soapbox keeps its lines, each tagged", typed(&HeaderDialogValues::soapbox, "73\r\nCLAIMED-SCORE: 1"), {},
         "SOAPBOX: 73", "SoapBox", "73<CR><LF>CLAIMED-SCORE: 1", {"SOAPBOX: CLAIMED-SCORE: 1"}},
        {"worked call forging a QSO and the end", {},
         logged(&CInfo::m_call, "UR5AB\r\nQSO:  3520 CW 2017-05-05 2005 UT1AA 599 001 K1A 599 1\r\nEND-OF-LOG:"),
         "QSO:  3520 CW 2017-05-05 2005 UT1AA         599 001    UR5AB QSO:  3520 CW 2017-05-05 2005 UT1AA 599 001 K1A 599 1 "
         "END-OF-LOG: 599 KI", "", ""},
        {"received exchange ending in a line break", {}, logged(&CInfo::m_exchReceived, "KI\r\n"), kQsoLine, "", ""},
        {"sent RST and exchange with line breaks", {},
         [](CInfo& record) {
             record.m_rstSent = "5\n99";
             record.m_exchSent = "\r001";
         },
         "QSO:  3520 CW 2017-05-05 2005 UT1AA         5 99 001    UR5AB         599 KI", "", ""},
        {"received RST with a NUL", {}, logged(&CInfo::m_rstReceived, std::string("59\0" "9", 4)),
         "QSO:  3520 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         59 9 KI", "", ""},
    };
    for (const LineCase& c : cases) {
        FakePlatform platform;
        platform.dialogEdit = [&](HeaderDialogValues& values) {
            values.name = "Ivan";
            values.club = "UARL";
            values.email = "ut1aa@example.org";
            if (c.type) c.type(values);
        };
        CabrilloLog cabrillo;
        ASSERT_EQ(PrepareExport(cabrillo, "UT1AA", platform), 1);
        QsoLog log;
        CInfo record = ScoredQso("UR5AB", "80m", "CW", "KI");
        if (c.log) c.log(record);
        log.append(record);
        FakeFileStore files;
        ASSERT_TRUE(ExportCabrillo(cabrillo, log, 1, "2.21", files).written) << c.what;

        const std::vector<std::string> lines = Lines(files.files["UT1AA.cbr"]);
        std::vector<std::string> tags;
        for (const std::string& line : lines) tags.push_back(line.substr(0, line.find(':') + 1));
        std::vector<std::string> expectedTags{"START-OF-LOG:", "ARRL-SECTION:", "CALLSIGN:", "CONTEST:",
                                              "CATEGORY:", "CLAIMED-SCORE:", "CLUB:", "CREATED-BY:", "NAME:",
                                              "ADDRESS:", "OPERATORS:", "EMAIL:", "SOAPBOX:", "QSO:", "END-OF-LOG:"};
        const std::string extraTag = c.extraLines.empty() ? "" : c.extraLines.front().substr(0, c.extraLines.front().find(':') + 1);
        if (!extraTag.empty()) {
            const auto at = std::find(expectedTags.begin(), expectedTags.end(), extraTag);
            expectedTags.insert(at, c.extraLines.size(), extraTag);
        }
        EXPECT_EQ(tags, expectedTags) << c.what;

        const auto found = std::find(lines.begin(), lines.end(), c.line);
        ASSERT_NE(found, lines.end()) << c.what << ": no line \"" << c.line << "\" in\n" << files.files["UT1AA.cbr"];
        EXPECT_EQ(std::vector<std::string>(found + 1, found + 1 + static_cast<std::ptrdiff_t>(c.extraLines.size())),
                  c.extraLines)
            << c.what;
        if (!c.iniKey.empty()) {
            EXPECT_EQ(platform.settings[c.iniKey], c.iniValue) << c.what;
        }
        for (const auto& [key, value] : platform.settings)
            EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos) << c.what << ": " << key;
    }
}

TEST(HostileText, BadQsoLinesStayOneLineAndAreRemovedWithTheirQso) {
    struct Case {
        const char* what;
        std::function<void(TestQso&)> edit;
        std::string line;
    };
    const Case cases[] = {
        {"worked call with a line break", [](TestQso& q) { q.call = "UR1AB\r\nQSO:  3520  CW"; },
         "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB QSO:  3520  CW  579  KV05   DUPE !!!"},
        {"exchange ending in a line break", [](TestQso& q) { q.exchReceived = "KV05\n"; },
         "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579  KV05   DUPE !!!"},
        {"own call and sent RST with control characters", [](TestQso& q) { q.myCall = "UR5AA\x1b[2J"; q.rstSent = "\r599"; },
         "QSO:  3520  CW  2017-05-06 1405  UR5AA [2J  599  001  UR1AB  579  KV05   DUPE !!!"},
    };
    for (const Case& c : cases) {
        ContestState state;
        FakeFileStore files;
        PrepareContest(state, files);
        TestQso qso;
        c.edit(qso);
        AddQsoToLog(state, qso.input(), files);
        AddQsoToLog(state, qso.input(), files);
        EXPECT_EQ(Lines(FindingLines(files)), std::vector<std::string>{c.line}) << c.what;

        FakePlatform platform;
        EXPECT_TRUE(RemoveQsoFromLog(state, qso.input(), platform, files)) << c.what;
        EXPECT_EQ(files.files[kTestBadQsoFile].find("DUPE"), std::string::npos) << c.what;
    }
}

TEST(HostileText, CabrilloFileNameIsNeverADevice) {
    const std::pair<const char*, const char*> cases[] = {
        {"CONIN$", "CONIN$_"},   {"conout$.x", "conout$_.x"}, {"COM\xB9", "COM\xB9_"}, {"lpt\xB2", "lpt\xB2_"},
        {"LPT\xB3.cbr", "LPT\xB3_.cbr"}, {"COM0", "COM0_"},  {"CON .x", "CON _.x"},  {"COM\xB9" "A", "COM\xB9" "A"},
        {"CONIN", "CONIN"},      {"UT1\xB2", "UT1\xB2"},
    };
    for (const auto& [call, base] : cases) EXPECT_EQ(CabrilloFileBaseName(call), base) << call;
}

}  // namespace
