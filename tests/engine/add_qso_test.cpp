#include "engine/add_qso.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine_test_support.h"

namespace {

class AddQsoTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareContest(state, files); }

    int Add(const TestQso& qso) { return AddQsoToLog(state, qso.input(), files); }

    ContestState state;
    FakeFileStore files;
};

struct RejectionCase {
    const char* name;
    void (*change)(TestQso&);
    const char* reason;
};

class AddRejectionTest : public AddQsoTest, public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(AddRejectionTest, RejectsWithOneLineAndStoresNothing) {
    TestQso qso;
    GetParam().change(qso);
    EXPECT_EQ(Add(qso), 0);
    EXPECT_TRUE(state.qsoLog.empty());
    EXPECT_TRUE(state.bandsWorked.empty());
    const std::string lines = FindingLines(files);
    ASSERT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
    EXPECT_TRUE(lines.ends_with(std::string(GetParam().reason) + "\r\n")) << lines;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, AddRejectionTest,
    ::testing::Values(
        RejectionCase{"BandOutsideContest", [](TestQso& q) { q.band = "20m"; }, "   WRONG BAND !!!"},
        RejectionCase{"BandBeforeMode", [](TestQso& q) { q.band = "20m"; q.mode = "AM"; }, "   WRONG BAND !!!"},
        RejectionCase{"BandBeforeExchange", [](TestQso& q) { q.band = ""; q.exchSent = ""; }, "   WRONG BAND !!!"},
        RejectionCase{"ModeOutsideContest", [](TestQso& q) { q.mode = "MFSK16"; }, "   WRONG MODE !!!"},
        RejectionCase{"ModeBeforeExchange", [](TestQso& q) { q.mode = "AM"; q.exchReceived = ""; }, "   WRONG MODE !!!"},
        RejectionCase{"NoReceivedExchange", [](TestQso& q) { q.exchReceived = ""; }, "   NO RX NUMBER !!!"},
        RejectionCase{"NoSentExchange", [](TestQso& q) { q.exchSent = ""; }, "   NO RX NUMBER !!!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddQsoTest, StoresTheRecordAsTheHostSentIt) {
    TestQso qso;
    qso.band = "160M";
    qso.mode = "cw";
    qso.frequencyHz = 1830999;
    qso.country = "IT9";
    qso.exchReceived = "123";
    ASSERT_EQ(Add(qso), 1);
    const CInfo& record = state.qsoLog.at(0);
    EXPECT_EQ(record.m_call, "UR1AB");
    EXPECT_EQ(record.m_band, "160M");
    EXPECT_EQ(record.m_mode, "cw");
    EXPECT_EQ(record.m_country, "I");
    EXPECT_EQ(record.m_extra, "x");
    EXPECT_EQ(record.m_rstSent, "599");
    EXPECT_EQ(record.m_rstReceived, "579");
    EXPECT_EQ(record.m_exchSent, "001");
    EXPECT_EQ(record.m_exchReceived, "123");
    EXPECT_EQ(record.m_district, "");
    EXPECT_EQ(record.m_freqKHz, 1830);
    EXPECT_EQ(record.m_time.m_dt, qso.time.m_dt);
    EXPECT_EQ(record.m_notScored + record.m_dupe + record.m_badDistrict + record.m_reserved, 0);
    EXPECT_EQ(state.bandsWorked, std::vector<std::string>{"160M"});
    EXPECT_EQ(FindingLines(files), "");
}

TEST(StoredCountryTest, MergesOnlyTheTwoPrefixes) {
    EXPECT_EQ(StoredCountry("IT9"), "I");
    EXPECT_EQ(StoredCountry("IG9"), "I");
    for (const char* kept : {"IT9X", "it9", "I", "IG", "UR", ""}) EXPECT_EQ(StoredCountry(kept), kept);
}

struct DistrictCase {
    const char* name;
    std::optional<std::string> districtFile;  // nothing: the file was missing
    const char* country;
    const char* exchange;
    const char* district;  // stored code
    bool bad;
    const char* lineCode;  // the code on the district line
};

class AddDistrictTest : public AddQsoTest, public ::testing::WithParamInterface<DistrictCase> {};

TEST_P(AddDistrictTest, ChecksUrStationsAgainstTheList) {
    const auto& c = GetParam();
    state.districtList.load(c.districtFile ? &*c.districtFile : nullptr);
    TestQso qso;
    qso.country = c.country;
    qso.exchReceived = c.exchange;
    ASSERT_EQ(Add(qso), 1);
    const CInfo& record = state.qsoLog.at(0);
    EXPECT_EQ(record.m_district, c.district);
    EXPECT_EQ(record.m_exchReceived, c.exchange);
    EXPECT_EQ(record.m_badDistrict, c.bad ? 1 : 0);
    EXPECT_EQ(record.m_notScored, c.bad ? 1 : 0);
    EXPECT_EQ(record.m_dupe, 0);
    EXPECT_EQ(FindingLines(files),
              c.bad ? FormatBadQsoLine(qso.input(), BadQsoReason::unknownDistrict, c.lineCode) : "");
}

const std::string kList = "KV-05 Kyiv\r\nLV-01 Lviv\r\n";

INSTANTIATE_TEST_SUITE_P(
    Codes, AddDistrictTest,
    ::testing::Values(
        DistrictCase{"Known", kList, "UR", "KV05", "KV05", false, ""},
        DistrictCase{"LowerCaseWithBlanks", kList, "UR", " lv01\t", "LV01", false, ""},
        DistrictCase{"Unknown", kList, "UR", "ZZ99", "", true, "ZZ99"},
        DistrictCase{"UnknownCleanedOnTheLine", kList, "UR", " zz99 ", "", true, "ZZ99"},
        DistrictCase{"OnlyBlanks", kList, "UR", "   ", "", true, ""},
        DistrictCase{"NonAsciiNotUpperCased", kList, "UR", "kv\xe1" "05", "", true, "KV\xe1" "05"},
        DistrictCase{"MissingListAcceptsAnyCode", std::nullopt, "UR", " zz99", "ZZ99", false, ""},
        DistrictCase{"EmptyListAcceptsNothing", std::string(""), "UR", "KV05", "", true, "KV05"},
        DistrictCase{"OtherCountryNotLookedUp", kList, "UT", "ZZ99", "", false, ""},
        DistrictCase{"CountryComparedExactly", kList, "ur", "ZZ99", "", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Codes are upper-cased as the platform does it (here the Windows-1252 code page), so list entries
// with letters beyond ASCII match their lower-case form; the upper-casing outlives a reload.
TEST_F(AddQsoTest, CodesAreUpperCasedInThePlatformsCodePage) {
    state.districtList.setUpperCase(Windows1252UpperCase);
    const std::string list = "\xC9V-05 \xC9" "cole\r\n\x8A\xDE-12\r\nKV-07\r\n";
    state.districtList.load(&list);
    struct Case { const char* exchange; const char* district; };
    const Case cases[] = {{"\xE9v05", "\xC9V05"}, {" \x9A\xFE" "12\t", "\x8A\xDE" "12"},
                          {"\xC9V05", "\xC9V05"}, {"kv07", "KV07"}, {"\xF7v05", ""}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TestQso qso;
        qso.call = "UR" + std::to_string(i + 1) + "AB";
        qso.exchReceived = cases[i].exchange;
        ASSERT_EQ(Add(qso), 1);
        const CInfo& record = state.qsoLog.at(i);
        EXPECT_EQ(record.m_district, cases[i].district) << cases[i].exchange;
        EXPECT_EQ(record.m_badDistrict, *cases[i].district ? 0 : 1) << cases[i].exchange;
    }
}

TEST_F(AddQsoTest, EveryEarlierMatchAddsADupeLine) {
    TestQso first, second, third;
    second.time = MakeOleDate(2017, 5, 6, 14, 10);
    third.time = MakeOleDate(2017, 5, 6, 14, 20);
    EXPECT_EQ(Add(first), 1);
    EXPECT_EQ(Add(second), 1);
    EXPECT_EQ(Add(third), 1);
    EXPECT_EQ(state.qsoLog.at(0).m_dupe, 0);
    EXPECT_EQ(state.qsoLog.at(1).m_dupe, 1);
    EXPECT_EQ(state.qsoLog.at(2).m_dupe, 1);
    EXPECT_EQ(state.qsoLog.at(2).m_notScored, 1);
    const std::string secondLine = FormatBadQsoLine(second.input(), BadQsoReason::dupe);
    const std::string thirdLine = FormatBadQsoLine(third.input(), BadQsoReason::dupe);
    EXPECT_EQ(FindingLines(files), secondLine + thirdLine + thirdLine);
}

// The plug-in writes a line for every earlier copy however many there are; a bound set on the
// state (the committee's programs) stops each QSO's lines there and counts the rest.
TEST_F(AddQsoTest, DupeLinesAreUnboundedUnlessTheStateBoundsThem) {
    struct Case {
        const char* name;
        std::optional<std::size_t> bound;
        std::size_t lines;
        std::int64_t notWritten;
    } cases[] = {
        {"the plug-in: no bound", std::nullopt, 15 * 14 / 2, 0},
        {"at most 10 for each QSO", 10, 55 + 4 * 10, 10},
        {"at most 1 for each QSO", 1, 14, 15 * 14 / 2 - 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state = ContestState{};
        files = FakeFileStore{};
        PrepareContest(state, files);
        if (c.bound) state.dupeLinesPerQso = *c.bound;
        TestQso copy;
        for (int i = 0; i < 15; ++i) EXPECT_EQ(Add(copy), 1);
        const std::string lines = FindingLines(files);
        EXPECT_EQ(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')), c.lines);
        EXPECT_EQ(state.dupeLinesNotWritten, c.notWritten);
        EXPECT_EQ(state.qsoLog.count(), 15u);
        EXPECT_EQ(state.qsoLog.at(14).m_dupe, 1);
    }
}

struct DupeCase {
    const char* name;
    void (*change)(TestQso&);
    bool dupe;
};

class AddDupeTest : public AddQsoTest, public ::testing::WithParamInterface<DupeCase> {};

TEST_P(AddDupeTest, DuplicateNeedsTheSameCallBandAndModeByteForByte) {
    ASSERT_EQ(Add(TestQso{}), 1);
    TestQso later;
    later.time = MakeOleDate(2017, 5, 6, 15, 0);
    GetParam().change(later);
    ASSERT_EQ(Add(later), 1);
    EXPECT_EQ(state.qsoLog.at(1).m_dupe, GetParam().dupe ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, AddDupeTest,
    ::testing::Values(DupeCase{"Same", [](TestQso&) {}, true},
                      DupeCase{"OtherExchangeAndRst", [](TestQso& q) { q.exchReceived = "LV01"; q.rstSent = "5"; }, true},
                      DupeCase{"OtherBand", [](TestQso& q) { q.band = "40m"; }, false},
                      DupeCase{"OtherMode", [](TestQso& q) { q.mode = "SSB"; }, false},
                      DupeCase{"ModeInOtherCase", [](TestQso& q) { q.mode = "cw"; }, false},
                      DupeCase{"BandInOtherCase", [](TestQso& q) { q.band = "80M"; }, false},
                      DupeCase{"CallInOtherCase", [](TestQso& q) { q.call = "ur1ab"; }, false},
                      DupeCase{"LongerCall", [](TestQso& q) { q.call = "UR1AB/P"; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddQsoTest, RejectedQsosAreNotEarlierMatches) {
    TestQso rejected;
    rejected.exchSent = "";
    EXPECT_EQ(Add(rejected), 0);
    EXPECT_EQ(Add(TestQso{}), 1);
    EXPECT_EQ(state.qsoLog.at(0).m_dupe, 0);
}

TEST_F(AddQsoTest, DistrictLineComesBeforeTheDupeLines) {
    TestQso bad;
    bad.exchReceived = "zz99";
    ASSERT_EQ(Add(bad), 1);
    ASSERT_EQ(Add(bad), 1);
    const CInfo& second = state.qsoLog.at(1);
    EXPECT_EQ(second.m_badDistrict, 1);
    EXPECT_EQ(second.m_dupe, 1);
    const std::string district = FormatBadQsoLine(bad.input(), BadQsoReason::unknownDistrict, "ZZ99");
    EXPECT_EQ(FindingLines(files), district + district + FormatBadQsoLine(bad.input(), BadQsoReason::dupe));
}

TEST_F(AddQsoTest, BandsWorkedOnceEachInOrderIncludingFlaggedQsos) {
    TestQso qso;
    qso.band = "40m";
    Add(qso);
    qso.band = "20m";
    Add(qso);  // rejected: not worked
    qso.band = "80m";
    qso.exchReceived = "ZZ99";
    Add(qso);
    Add(qso);
    qso.band = "80M";
    Add(qso);
    EXPECT_EQ(state.bandsWorked, (std::vector<std::string>{"40m", "80m", "80M"}));
}

TEST_F(AddQsoTest, GoldenFileAfterASession) {
    TestQso a;                 // clean
    TestQso b = a;             // dupe of a
    b.time = MakeOleDate(2017, 5, 6, 14, 7);
    TestQso c;                 // wrong band
    c.call = "DL1X";
    c.country = "DL";
    c.band = "20m";
    c.frequencyHz = 14012000;
    c.exchReceived = "017";
    TestQso d;                 // unknown district
    d.call = "UR7QM";
    d.exchReceived = "xy 12 ";
    d.frequencyHz = 1830500;
    d.band = "160m";
    d.time = MakeOleDate(2017, 5, 6, 9, 0);
    Add(a);
    Add(b);
    Add(c);
    Add(d);
    EXPECT_EQ(files.files[kTestBadQsoFile],
              "ZELK TEST UBN file \r\n"
              "QSO:  3520  CW  2017-05-06 1407  UR5AA  599  001  UR1AB  579  KV05   DUPE !!!\r\n"
              "QSO:  14012  CW  2017-05-06 1405  UR5AA  599  001  DL1X  579  017   WRONG BAND !!!\r\n"
              "QSO:  1830  CW  2017-05-06 0900  UR5AA  599  001  UR7QM  579  xy 12   XY 12"
              "  ZELK Code Area is not acceptable !!!\r\n");
}

TEST_F(AddQsoTest, BeforeTheFirstResetLinesAreLostAndQsosHandledAsUsual) {
    ContestState fresh;
    FakeFileStore untouched;
    TestQso bad;
    bad.band = "20m";
    EXPECT_EQ(AddQsoToLog(fresh, bad.input(), untouched), 0);
    EXPECT_EQ(AddQsoToLog(fresh, TestQso{}.input(), untouched), 1);
    EXPECT_EQ(AddQsoToLog(fresh, TestQso{}.input(), untouched), 1);
    EXPECT_EQ(fresh.qsoLog.at(1).m_dupe, 1);
    EXPECT_EQ(fresh.qsoLog.at(0).m_district, "KV05");  // no list loaded before a reset: any code goes
    EXPECT_TRUE(untouched.files.empty());
    EXPECT_EQ(untouched.writes, 0);
}

TEST_F(AddQsoTest, AFailedWriteKeepsTheLinesForTheNextCallAndNotTheQsoBack) {
    files.writesBeforeFailure = 0;
    EXPECT_EQ(Add(TestQso{}), 1);
    EXPECT_EQ(Add(TestQso{}), 1);
    EXPECT_EQ(state.qsoLog.count(), 2u);
    EXPECT_EQ(state.qsoLog.at(1).m_dupe, 1);
    EXPECT_EQ(files.files[kTestBadQsoFile], kFreshBadQsoFile);

    files.writesBeforeFailure = -1;
    EXPECT_EQ(Add(TestQso{}), 1);
    const std::string dupe = FormatBadQsoLine(TestQso{}.input(), BadQsoReason::dupe);
    EXPECT_EQ(FindingLines(files), dupe + dupe + dupe);  // the second QSO's, then the third's two
}

TEST_F(AddQsoTest, OneAppendPerCallWhateverTheNumberOfFindings) {
    TestQso bad;
    bad.exchReceived = "ZZ99";
    for (int i = 0; i < 4; ++i) Add(bad);
    EXPECT_EQ(files.writes, 4);
    Add(TestQso{});  // district known, but a dupe
    EXPECT_EQ(files.writes, 5);
    TestQso clean;
    clean.call = "UR2ZZ";
    Add(clean);
    EXPECT_EQ(files.writes, 5);
}

}  // namespace
