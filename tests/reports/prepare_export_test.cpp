#include <gtest/gtest.h>

#include <map>
#include <string>

#include "reports/header_text.h"
#include "reports/prepare_export.h"
#include "support/fakes.h"

namespace {

using Settings = std::map<std::string, std::string>;

TEST(PrepareExport, FirstExportOffersDefaultsAndStoresThemAfterOk) {
    FakePlatform platform;
    CabrilloLog log;
    log.m_qsoLines = {"old line\r\n"};

    EXPECT_EQ(PrepareExport(log, "UT1AA", platform), 1);

    const HeaderDialogValues& shown = platform.dialogShown;
    EXPECT_EQ(shown.callsign, "UT1AA");
    EXPECT_EQ(shown.operators, "UT1AA");
    EXPECT_EQ(shown.contest, "ZELK");
    EXPECT_EQ(shown.category, "A-CW");
    EXPECT_EQ(shown.claimed + shown.club + shown.email + shown.name + shown.soapbox + shown.address, "");
    EXPECT_EQ(platform.settings, (Settings{{"Operators", "UT1AA"}, {"Name", ""}, {"Address", ""},
                                           {"Category", "A-CW"}, {"Contest", "ZELK"}, {"Email", ""},
                                           {"Club", ""}, {"SoapBox", ""}}));
    EXPECT_TRUE(log.m_qsoLines.empty());
    EXPECT_EQ(log.m_fileBaseName, "UT1AA");
}

TEST(PrepareExport, EditedValuesSurviveTheRoundTrip) {
    FakePlatform platform;
    platform.settings["Claimed"] = "30";
    const std::string longName(300, 'n');
    platform.dialogEdit = [&](HeaderDialogValues& values) {
        values.callsign = "UT1AA/P";
        values.name = longName;
        values.address = "Kyiv\r\nKhreshchatyk 1";
        values.soapbox = "Line one\r\nLine two\r\nLine three";
        values.category = "E-QRP";
        values.club = "UARL";
        values.email = "ut1aa@example.org";
        values.operators = "UT1AA UT1AB";
        values.claimed = "1000000";
    };
    CabrilloLog log;
    ASSERT_EQ(PrepareExport(log, "UT1AA", platform), 1);

    EXPECT_EQ(platform.settings["Address"], "Kyiv<CR><LF>Khreshchatyk 1");
    EXPECT_EQ(platform.settings["SoapBox"], "Line one<CR><LF>Line two<CR><LF>Line three");
    EXPECT_EQ(platform.settings["Category"], "E-QRP");
    EXPECT_EQ(platform.settings["Claimed"], "30");
    EXPECT_EQ(platform.settings.count("Callsign"), 0u);

    EXPECT_EQ(log.m_callsign, "UT1AA/P");
    EXPECT_EQ(log.m_fileBaseName, "UT1AA");
    EXPECT_EQ(log.m_category, "E-QRP");
    EXPECT_EQ(log.m_address, "Kyiv\r\nADDRESS: Khreshchatyk 1");
    EXPECT_EQ(log.m_soapbox, "Line one\r\nSOAPBOX: Line two\r\nSOAPBOX: Line three");

    // The next export offers what was stored, whole, except category and contest.
    platform.dialogEdit = nullptr;
    CabrilloLog next;
    ASSERT_EQ(PrepareExport(next, "UT1AA", platform), 1);
    const HeaderDialogValues& shown = platform.dialogShown;
    EXPECT_EQ(shown.callsign, "UT1AA");
    EXPECT_EQ(shown.name, longName);
    EXPECT_EQ(shown.address, "Kyiv\r\nKhreshchatyk 1");
    EXPECT_EQ(shown.soapbox, "Line one\r\nLine two\r\nLine three");
    EXPECT_EQ(shown.operators, "UT1AA UT1AB");
    EXPECT_EQ(shown.email, "ut1aa@example.org");
    EXPECT_EQ(shown.club, "UARL");
    EXPECT_EQ(shown.claimed, "30");
    EXPECT_EQ(shown.category, "A-CW");
    EXPECT_EQ(shown.contest, "ZELK");
}

TEST(PrepareExport, CancelKeepsStoredValuesAndWritesNothing) {
    FakePlatform platform;
    platform.settings = {{"Operators", "UT1AA UT1AB"}, {"Name", "Ivan"},
                         {"Address", "Kyiv<CR><LF>Khreshchatyk 1"}, {"Category", "B-SSB"}};
    const Settings before = platform.settings;
    platform.dialogAnswer = false;
    platform.dialogEdit = [](HeaderDialogValues& values) {
        values.name = "Edited";
        values.address = "Edited";
        values.category = "D-MIX";
    };
    CabrilloLog log;
    log.m_qsoLines = {"kept\r\n"};

    EXPECT_EQ(PrepareExport(log, "UT1AA", platform), 0);

    EXPECT_EQ(platform.settings, before);
    EXPECT_EQ(log.m_name, "Ivan");
    EXPECT_EQ(log.m_operators, "UT1AA UT1AB");
    EXPECT_EQ(log.m_address, "Kyiv\r\nADDRESS: Khreshchatyk 1");
    EXPECT_EQ(log.m_category, "A-CW");
    EXPECT_EQ(log.m_fileBaseName, "UT1AA");
}

TEST(PrepareExport, FileBaseNameIsAPlainFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"UT1AA/P", "UT1AA_P"},
        {"UT1AA\\QRP", "UT1AA_QRP"},
        {"  UT1AA \t", "UT1AA"},
        {"   ", "NEMB"},
        {"", "NEMB"},
        {"/", "_"},
        {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
        {"UT1\x01" "AA\x1f", "UT1_AA_"},
        {"CON", "CON_"},
        {"com1.x", "com1_.x"},
        {"CONTEST", "CONTEST"},
    };
    for (const auto& [call, base] : cases) {
        FakePlatform platform;
        CabrilloLog log;
        PrepareExport(log, call, platform);
        EXPECT_EQ(log.m_fileBaseName, base) << call;
    }
}

TEST(HeaderText, ReplaceAll) {
    EXPECT_EQ(ReplaceAll("a<CR>b<CR>", "<CR>", "\r\nADDRESS: "), "a\r\nADDRESS: b\r\nADDRESS: ");
    EXPECT_EQ(ReplaceAll("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceAll("aXa", "a", "aa"), "aaXaa");  // no endless loop
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ContinuationForm("one\ntwo\r\nthree\r", "SOAPBOX: "),
              "onetwo\r\nSOAPBOX: three\r\nSOAPBOX: ");
    EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks("a\r\nb\nc\rd")), "a\r\nb\nc\rd");
}

}  // namespace
