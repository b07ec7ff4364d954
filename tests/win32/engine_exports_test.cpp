// Adding, removing and checking QSOs through the real DLL, with the bad-QSO file compared byte
// for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/dll_under_test.h"
#include "support/scratch_folder.h"

namespace {

const char* const kBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";

stats_api::Qso Qso(const char* call, const char* band, unsigned frequencyHz, unsigned hour, unsigned minute,
                   const char* exchReceived, const char* country = "UR") {
    stats_api::Qso q;
    q.myCall = "UT1AA";
    q.call = call;
    q.time = MakeOleDate(2017, 5, 6, hour, minute);
    q.frequencyHz = frequencyHz;
    q.mode = "CW";
    q.rstSent = "599";
    q.rstReceived = "579";
    q.exchSent = "001";
    q.exchReceived = exchReceived;
    q.country = country;
    q.band = band;
    return q;
}

// A reset with a district list and without the window thread (the one-shot switch is already on).
void PrepareContest(DllUnderTest& dll) {
    WriteWholeFile("Plugins\\zelk.txt", "KV-05 Kyiv\r\nLV-01 Lviv\r\n");
    WriteWholeFile("Plugins\\ZELK.ini", "[Settings]\r\nStart=1\r\n");
    ASSERT_EQ(dll.reset(), 1);
}

const std::string kDupeLine = "QSO:  3520  CW  2017-05-06 1407  UT1AA  599  001  UR1AB  579  KV05   DUPE !!!\r\n";
const std::string kWrongBandLine =
    "QSO:  14012  CW  2017-05-06 1405  UT1AA  599  001  DL1X  579  017   WRONG BAND !!!\r\n";
const std::string kDistrictLine =
    "QSO:  1830  CW  2017-05-06 0900  UT1AA  599  001  UR7QM  579  xy12  XY12  ZELK Code Area is not acceptable !!!\r\n";
const std::string kLongerCallLine =
    "QSO:  3520  CW  2017-05-06 1407  UT1AA  599  001  UR1ABC  579  ZZ99  ZZ99  ZELK Code Area is not acceptable !!!\r\n";
const std::string kOtherBandLine =
    "QSO:  7012  CW  2017-05-06 1407  UT1AA  599  001  UR1AB  579  ZZ98  ZZ98  ZELK Code Area is not acceptable !!!\r\n";

TEST(EngineExports, ASessionWritesAndPrunesTheBadQsoFile) {
    ScratchFolder folder;
    DllUnderTest dll;
    PrepareContest(dll);

    const auto first = Qso("UR1AB", "80m", 3520000, 14, 5, "KV05");
    const auto dupe = Qso("UR1AB", "80m", 3520400, 14, 7, "KV05");
    EXPECT_EQ(dll.add(first), 1);
    EXPECT_EQ(dll.add(dupe), 1);
    EXPECT_EQ(dll.add(Qso("DL1X", "20m", 14012000, 14, 5, "017", "DL")), 0);
    EXPECT_EQ(dll.add(Qso("UR7QM", "160m", 1830500, 9, 0, "xy12")), 1);
    EXPECT_EQ(dll.add(Qso("UR1ABC", "80m", 3520000, 14, 7, "ZZ99")), 1);
    EXPECT_EQ(dll.add(Qso("UR1AB", "40m", 7012000, 14, 7, "ZZ98")), 1);
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), "ZELK TEST UBN file \r\n" + kDupeLine + kWrongBandLine + kDistrictLine +
                                              kLongerCallLine + kOtherBandLine);

    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", "80m"), 0);
    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", "80M"), 0);
    EXPECT_EQ(dll.check("UR1AB", "SSB", "UR", "80m", "80m"), 1);
    EXPECT_EQ(dll.check("UR1AB", "CW", "", "80m", "80m"), 1);
    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", nullptr), 0);
    EXPECT_EQ(dll.check("DL1X", "CW", "DL", "20m", "20m"), 4);
    EXPECT_EQ(dll.check("DL1X", "CW", "DL", "80m", "40m"), 4);

    // The dupe's own line goes; the longer call and the other band at the same minute stay.
    EXPECT_EQ(dll.remove(dupe), 1);
    EXPECT_EQ(ReadWholeFile(kBadQsoFile),
              "ZELK TEST UBN file UBN file \r\n" + kWrongBandLine + kDistrictLine + kLongerCallLine + kOtherBandLine);
    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", "80m"), 0);

    EXPECT_EQ(dll.remove(first), 1);
    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", "80m"), 1);

    // A rejected QSO has no record, but its line goes.
    EXPECT_EQ(dll.remove(Qso("DL1X", "20m", 14012000, 14, 5, "017", "DL")), 1);
    EXPECT_EQ(ReadWholeFile(kBadQsoFile),
              "ZELK TEST UBN file UBN file \r\n" + kDistrictLine + kLongerCallLine + kOtherBandLine);
}

TEST(EngineExports, AddsBeforeTheFirstResetWriteNoFile) {
    ScratchFolder folder;
    DllUnderTest dll;
    EXPECT_EQ(dll.add(Qso("UR1AB", "20m", 14012000, 14, 5, "KV05")), 0);
    EXPECT_EQ(dll.add(Qso("UR1AB", "80m", 3520000, 14, 5, "KV05")), 1);
    EXPECT_EQ(dll.add(Qso("UR1AB", "80m", 3520000, 14, 6, "KV05")), 1);
    EXPECT_EQ(dll.remove(Qso("UR1AB", "80m", 3520000, 14, 6, "KV05")), 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("*.txt", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(dll.check("UR1AB", "CW", "UR", "80m", "80m"), 0);
}

TEST(EngineExports, ExchangeValidation) {
    DllUnderTest dll;
    const char* n = nullptr;
    EXPECT_EQ(dll.isValidExchg("AB12", n, "UR", n, 0, 0, 0), 1);
    EXPECT_EQ(dll.isValidExchg("ab12", n, "UR", n, 0, 0, 0), 1);
    EXPECT_EQ(dll.isValidExchg("A123", n, "UR", n, 0, 0, 0), 0);
    EXPECT_EQ(dll.isValidExchg("0599", n, "DL", n, 0, 0, 0), 1);
    EXPECT_EQ(dll.isValidExchg("599", n, "DL", n, 0, 0, 0), 0);
    EXPECT_EQ(dll.isValidExchg("12a", n, "DL", n, 0, 0, 0), 0);
}

}  // namespace
