// The Cabrillo export of the real DLL: the header dialog at a reset that asks for an export, the
// ini values it keeps, and the file and message of the results call that follows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "resources/resource_ids.h"
#include "support/dll_under_test.h"
#include "support/scratch_folder.h"
#include "support/window_finder.h"

namespace {



void Type(HWND dialog, int id, const char* text) {
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::vector<std::string> CategoryList(HWND dialog) {
    std::vector<std::string> items;
    const LRESULT count = SendDlgItemMessageA(dialog, IDC_CABRILLO_CATEGORY, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char item[64] = "";
        SendDlgItemMessageA(dialog, IDC_CABRILLO_CATEGORY, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        items.emplace_back(item);
    }
    return items;
}

std::string Setting(const char* key) {
    char value[512] = "";
    GetPrivateProfileStringA("Settings", key, "<none>", value, sizeof value, ".\\Plugins\\ZELK.ini");
    return value;
}

void SetSetting(const char* key, const char* value) {
    WritePrivateProfileStringA("Settings", key, value, ".\\Plugins\\ZELK.ini");
}

stats_api::Qso Qso(const char* call, const char* band, unsigned hz, const char* mode, const char* exchange,
                   const char* country, int minute) {
    stats_api::Qso qso;
    qso.myCall = "UT1AA";
    qso.call = call;
    qso.band = band;
    qso.frequencyHz = hz;
    qso.mode = mode;
    qso.exchSent = "001";
    qso.exchReceived = exchange;
    qso.country = country;
    qso.time = MakeOleDate(2017, 5, 5, 20, minute);
    return qso;
}

// Asks for the results while a helper reads and closes the "Output" message box.
std::string ResultsMessage(DllUnderTest& dll, int& out) {
    std::string message;
    bool shown = WithDialog(
        "Output", [&] { dll.getResult(&out); },
        [&](HWND box) {
            message = DialogStaticText(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
    return shown ? message : "<no message box>";
}

TEST(CabrilloExport, DialogOpensWithDefaultsAndOkKeepsWhatWasTyped) {
    ScratchFolder folder;
    DllUnderTest dll;
    SetSetting("Claimed", "30");

    struct Opened {
        std::string contest, callsign, claimed, category, operators, name, address;
        std::vector<std::string> categories;
    } opened;
    bool shown = WithDialog(
        "ZELK CONTEST", [&] { EXPECT_EQ(dll.reset("UT1AA/P", 1), 1); },
        [&](HWND dialog) {
            opened = {ControlText(dialog, IDC_CABRILLO_CONTEST), ControlText(dialog, IDC_CABRILLO_CALLSIGN),
                      ControlText(dialog, IDC_CABRILLO_CLAIMED), ControlText(dialog, IDC_CABRILLO_CATEGORY),
                      ControlText(dialog, IDC_CABRILLO_OPERATORS), ControlText(dialog, IDC_CABRILLO_NAME),
                      ControlText(dialog, IDC_CABRILLO_ADDRESS), CategoryList(dialog)};
            Type(dialog, IDC_CABRILLO_NAME, "Ivan Petrenko");
            Type(dialog, IDC_CABRILLO_ADDRESS, "Kyiv\r\nKhreshchatyk 1");
            Type(dialog, IDC_CABRILLO_CATEGORY, "E-QRP");
            Type(dialog, IDC_CABRILLO_CLUB, "UARL");
            Type(dialog, IDC_CABRILLO_CLAIMED, "1000000");
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    ASSERT_TRUE(shown);

    EXPECT_EQ(opened.contest, "ZELK");
    EXPECT_EQ(opened.callsign, "UT1AA/P");
    EXPECT_EQ(opened.claimed, "30");
    EXPECT_EQ(opened.category, "A-CW");
    EXPECT_EQ(opened.operators, "UT1AA/P");
    EXPECT_EQ(opened.name, "");
    EXPECT_EQ(opened.address, "");
    EXPECT_EQ(opened.categories, (std::vector<std::string>{"A-CW", "B-SSB", "C-DIGITAL", "D-MIX"}));

    EXPECT_EQ(Setting("Name"), "Ivan Petrenko");
    EXPECT_EQ(Setting("Address"), "Kyiv<CR><LF>Khreshchatyk 1");
    EXPECT_EQ(Setting("Category"), "E-QRP");
    EXPECT_EQ(Setting("Contest"), "ZELK");
    EXPECT_EQ(Setting("Operators"), "UT1AA/P");
    EXPECT_EQ(Setting("Start"), "0");

    // The host replays its log; the results write the file.
    EXPECT_EQ(dll.add(Qso("UR5AB", "40m", 7012000, "CW", "KI", "UR", 5)), 1);
    EXPECT_EQ(dll.add(Qso("DL1ABC", "160m", 1830000, "SSB", "15", "DL", 6)), 1);
    EXPECT_EQ(dll.add(Qso("UR5AB", "40m", 7013000, "CW", "KI", "UR", 7)), 1);
    int out = 0;
    EXPECT_EQ(ResultsMessage(dll, out), "File produced: UT1AA_P.cbr");
    EXPECT_EQ(out, -1);
    EXPECT_EQ(Setting("Claimed"), "2");
    EXPECT_EQ(ReadWholeFile("UT1AA_P.cbr"),
              "START-OF-LOG: 2.0\r\n"
              "ARRL-SECTION: DX\r\n"
              "CALLSIGN: UT1AA/P\r\n"
              "CONTEST: ZELK\r\n"
              "CATEGORY: E-QRP\r\n"
              "CLAIMED-SCORE: 2\r\n"
              "CLUB: UARL\r\n"
              "CREATED-BY: Vexl Vexl\r\n"
              "NAME: Ivan Petrenko\r\n"
              "ADDRESS: Kyiv\r\n"
              "ADDRESS: Khreshchatyk 1\r\n"
              "OPERATORS: UT1AA/P\r\n"
              "EMAIL: \r\n"
              "SOAPBOX: \r\n"
              "QSO:  7012 CW 2017-05-05 2005 UT1AA/P       599 001    UR5AB         599 KI\r\n"
              "QSO:  1830 PH 2017-05-05 2006 UT1AA/P       599 001    DL1ABC        599 15\r\n"
              "QSO:  7013 CW 2017-05-05 2007 UT1AA/P       599 001    UR5AB         599 KI\r\n"
              "END-OF-LOG:\r\n");
}

TEST(CabrilloExport, CancelLeavesTheIniAndExportsTheStoredValues) {
    ScratchFolder folder;
    DllUnderTest dll;
    SetSetting("Name", "Ivan");
    SetSetting("SoapBox", "73<CR><LF>Good test");
    SetSetting("Operators", "UT1AA UT1AB");

    std::string soapboxShown;
    bool shown = WithDialog(
        "ZELK CONTEST", [&] { dll.reset("UT1AA", 1); },
        [&](HWND dialog) {
            soapboxShown = ControlText(dialog, IDC_CABRILLO_SOAPBOX);
            Type(dialog, IDC_CABRILLO_NAME, "Edited");
            Type(dialog, IDC_CABRILLO_CATEGORY, "d-m");
            SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
        });
    ASSERT_TRUE(shown);
    EXPECT_EQ(soapboxShown, "73\r\nGood test");
    EXPECT_EQ(Setting("Name"), "Ivan");
    EXPECT_EQ(Setting("Category"), "<none>");

    int out = 0;
    EXPECT_EQ(ResultsMessage(dll, out), "File produced: UT1AA.cbr");
    const std::string file = ReadWholeFile("UT1AA.cbr");
    EXPECT_NE(file.find("CATEGORY: A-CW\r\nCLAIMED-SCORE: 0\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("NAME: Ivan\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("OPERATORS: UT1AA UT1AB\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("SOAPBOX: 73\r\nSOAPBOX: Good test\r\nEND-OF-LOG:\r\n"), std::string::npos) << file;
}

TEST(CabrilloExport, HeaderValuesWithBlanksOrQuotesSurviveTheIni) {
    ScratchFolder folder;
    DllUnderTest dll;
    const std::string longName(300, 'n');
    WithDialog(
        "ZELK CONTEST", [&] { dll.reset("UT1AA", 1); },
        [&](HWND dialog) {
            Type(dialog, IDC_CABRILLO_NAME, " Ivan ");
            Type(dialog, IDC_CABRILLO_CLUB, "\"UARL\"");
            Type(dialog, IDC_CABRILLO_EMAIL, "'x'");
            Type(dialog, IDC_CABRILLO_OPERATORS, longName.c_str());
            Type(dialog, IDC_CABRILLO_ADDRESS, "Kyiv ");
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });

    std::vector<std::string> reopened;
    WithDialog(
        "ZELK CONTEST", [&] { dll.reset("UT1AA", 1); },
        [&](HWND dialog) {
            for (int id : {IDC_CABRILLO_NAME, IDC_CABRILLO_CLUB, IDC_CABRILLO_EMAIL, IDC_CABRILLO_OPERATORS,
                           IDC_CABRILLO_ADDRESS})
                reopened.push_back(ControlText(dialog, id));
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_EQ(reopened, (std::vector<std::string>{" Ivan ", "\"UARL\"", "'x'", longName, "Kyiv "}));
}

TEST(CabrilloExport, CategoryIsShownByItsListEntry) {
    ScratchFolder folder;
    DllUnderTest dll;
    LRESULT selected = CB_ERR;
    WithDialog(
        "ZELK CONTEST", [&] { dll.reset("UT1AA", 1); },
        [&](HWND dialog) {
            selected = SendDlgItemMessageA(dialog, IDC_CABRILLO_CATEGORY, CB_GETCURSEL, 0, 0);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_EQ(selected, 0);
}

TEST(CabrilloExport, FileThatCannotBeWrittenIsReportedSo) {
    ScratchFolder folder;
    DllUnderTest dll;
    // A blank call sign names the file "NEMB.cbr"; a folder of that name keeps it from being written.
    CreateDirectoryA("NEMB.cbr", nullptr);
    WriteWholeFile("NEMB.cbr\\keep", "x");
    WithDialog("ZELK CONTEST", [&] { dll.reset("  ", 1); },
               [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });

    int out = 0;
    EXPECT_EQ(ResultsMessage(dll, out), "Cabrillo file could not be written: NEMB.cbr");
    EXPECT_EQ(out, -1);
    EXPECT_EQ(ReadWholeFile("NEMB.cbr.tmp"), "<missing>");
    EXPECT_EQ(ReadWholeFile("NEMB.cbr\\keep"), "x");
}

}  // namespace
