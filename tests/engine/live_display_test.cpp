#include "engine/live_display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>

namespace {

// ---- bands and "<SP1>" ----

struct BandCase {
    double hz;
    std::optional<int> band;
};

TEST(LiveDisplayTest, ContestBandByWholeMegahertz) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const BandCase cases[] = {
        {1'000'000, 0},
        {1'830'000, 0},
        {1'999'999, 0},
        {3'000'000, 1},
        {3'799'999, 1},
        {3'999'999.9, 1},
        {7'040'000, 2},
        {7'999'999, 2},
        {999'999, std::nullopt},
        {2'000'000, std::nullopt},
        {14'074'000, std::nullopt},
        {0, std::nullopt},
        {-1'500'000, std::nullopt},
        {-7'040'000, std::nullopt},
        {nan, std::nullopt},
        {inf, std::nullopt},
        {1e300, std::nullopt},
    };
    for (const BandCase& c : cases) EXPECT_EQ(ContestBandOfFrequency(c.hz), c.band) << std::fixed << c.hz;
}

struct Sp1Case {
    double hz, last;
    bool send;
};

TEST(LiveDisplayTest, Sp1OnlyAfterAMoveOfMoreThan300Hz) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Sp1Case cases[] = {
        {7'040'300, 7'040'000, false}, {7'040'301, 7'040'000, true},  {7'039'700, 7'040'000, false},
        {7'039'699, 7'040'000, true},  {7'040'000, 7'040'000, false}, {1'830'000, 0.0, true},
        {nan, 7'040'000, false},       {7'040'000, nan, false},
    };
    for (const Sp1Case& c : cases)
        EXPECT_EQ(ShouldSendSp1(c.hz, c.last), c.send) << std::fixed << c.hz << " after " << c.last;
}

// ---- previous-QSO rows ----

const std::vector<std::string> kBandNames = {"160m", "80m", "40m"};
const std::string kDash(kNoEarlierQso);

CInfo Qso(const char* call, const char* band, const char* mode, unsigned hour, unsigned minute) {
    CInfo qso;
    qso.m_call = call;
    qso.m_band = band;
    qso.m_mode = mode;
    qso.m_time = MakeOleDate(2017, 5, 6, hour, minute);
    return qso;
}

// A row with the given cells (mode column -> text), every other cell dashed.
std::vector<std::string> Row(const std::string& label, const std::map<int, std::string>& cells = {}) {
    std::vector<std::string> row(kPrevRowTexts, kDash);
    row[0] = label;
    for (const auto& [column, text] : cells) row[static_cast<std::size_t>(column) + 1] = text;
    return row;
}

TEST(FillPrevRowsTest, LastQsoInLogOrderWinsEitherWay) {
    for (bool laterFirst : {false, true}) {
        QsoLog log;
        log.append(Qso("UT5ZZ", "80m", "CW", 10, laterFirst ? 40 : 5));
        log.append(Qso("UT5ZZ", "80m", "CW", 10, laterFirst ? 5 : 40));
        PrevRows rows = FreshPrevRows();
        FillPrevRows(log, "UT5ZZ", kBandNames, rows);
        EXPECT_EQ(rows[1], Row("80m", {{0, laterFirst ? "10:05" : "10:40"}}))
            << "later first: " << laterFirst;
        EXPECT_EQ(rows[0], Row("160m"));
        EXPECT_EQ(rows[2], Row("40m"));
    }
}

TEST(FillPrevRowsTest, EachBandAndModeColumnGetsItsOwnTime) {
    QsoLog log;
    log.append(Qso("UT5ZZ", "160m", "SSB", 9, 11));
    log.append(Qso("UT5ZZ", "80m", "RTTY", 9, 22));
    log.append(Qso("UT5ZZ", "40m", "BPSK63", 9, 33));
    log.append(Qso("UT5ZZ", "80m", "MFSK16", 9, 44));  // no mode column
    log.append(Qso("UT5ZZ", "80m", "MFSK", 9, 55));
    log.append(Qso("UT5ZZ", "40m", "QPSK125", 10, 6));
    log.append(Qso("UT5ZZ", "80M", "CW", 10, 17));   // band text not exactly a row's
    log.append(Qso("UT5ZZ", "80m", "cw", 10, 28));   // mode text not exactly a column's
    log.append(Qso("ut5zz", "160m", "CW", 10, 39));  // other call by case
    log.append(Qso("UT5ZZ/P", "160m", "RTTY", 10, 50));
    log.append(Qso("DL1X", "40m", "CW", 11, 1));

    PrevRows rows = FreshPrevRows();
    FillPrevRows(log, "UT5ZZ", kBandNames, rows);
    EXPECT_EQ(rows[0], Row("160m", {{1, "09:11"}}));
    EXPECT_EQ(rows[1], Row("80m", {{9, "09:22"}, {2, "09:55"}}));
    EXPECT_EQ(rows[2], Row("40m", {{4, "09:33"}, {8, "10:06"}}));

    FillPrevRows(log, "ut5zz", kBandNames, rows);
    EXPECT_EQ(rows[0], Row("160m", {{0, "10:39"}}));
    EXPECT_EQ(rows[1], Row("80m"));
}

TEST(FillPrevRowsTest, EmptyOrUnloggedCallDashesEveryCellAndKeepsLabels) {
    QsoLog log;
    log.append(Qso("UT5ZZ", "80m", "CW", 12, 34));
    for (const char* call : {"", "UT5", "UT5ZZZ"}) {
        PrevRows rows = FreshPrevRows();
        FillPrevRows(log, "UT5ZZ", kBandNames, rows);
        ASSERT_EQ(rows[1][1], "12:34");
        FillPrevRows(log, call, kBandNames, rows);
        EXPECT_EQ(rows[0], Row("160m")) << call;
        EXPECT_EQ(rows[1], Row("80m")) << call;
        EXPECT_EQ(rows[2], Row("40m")) << call;
    }
}

TEST(FillPrevRowsTest, RowsOfAnyLengthBecomeElevenTexts) {
    QsoLog log;
    log.append(Qso("UT5ZZ", "160m", "CW", 13, 1));
    log.append(Qso("UT5ZZ", "80m", "SSB", 13, 2));
    log.append(Qso("UT5ZZ", "40m", "RTTY", 13, 3));

    PrevRows rows;
    rows[0] = {};
    rows[1] = {"Band 80", "-"};
    rows[2] = std::vector<std::string>(14, "x");
    FillPrevRows(log, "UT5ZZ", kBandNames, rows);
    EXPECT_EQ(rows[0], Row("160m", {{0, "13:01"}}));
    EXPECT_EQ(rows[1], Row("Band 80", {{1, "13:02"}}));
    EXPECT_EQ(rows[2], Row("x", {{9, "13:03"}}));
}

TEST(FillPrevRowsTest, RowsWithoutABandNameAreOnlyDashed) {
    QsoLog log;
    log.append(Qso("UT5ZZ", "160m", "CW", 14, 1));
    log.append(Qso("UT5ZZ", "80m", "CW", 14, 2));
    PrevRows rows;
    rows[0] = {"160m"};
    FillPrevRows(log, "UT5ZZ", {"160m"}, rows);
    EXPECT_EQ(rows[0], Row("160m", {{0, "14:01"}}));
    EXPECT_EQ(rows[1], Row(""));
    EXPECT_EQ(rows[2], Row(""));
}

TEST(FillPrevRowsTest, FollowsRemovals) {
    QsoLog log;
    log.append(Qso("UT5ZZ", "80m", "CW", 15, 1));
    log.append(Qso("DL1X", "80m", "CW", 15, 2));
    log.append(Qso("UT5ZZ", "80m", "CW", 15, 3));
    log.removeAt(2);
    PrevRows rows = FreshPrevRows();
    FillPrevRows(log, "UT5ZZ", kBandNames, rows);
    EXPECT_EQ(rows[1], Row("80m", {{0, "15:01"}}));
    log.removeAt(0);
    FillPrevRows(log, "UT5ZZ", kBandNames, rows);
    EXPECT_EQ(rows[1], Row("80m"));
}

// ---- district grid ----

TEST(LiveDisplayTest, DistrictsSortByUnsignedBytes) {
    EXPECT_EQ(SortedDistricts({"B001", "A010", "A002"}), (std::vector<std::string>{"A002", "A010", "B001"}));
    // Digits before capitals before small letters before Windows-1251 letters; a prefix first.
    EXPECT_EQ(SortedDistricts({"\xC0\xC1", "kv05", "KV05", "KV", "0A", "KV05", "K5"}),
              (std::vector<std::string>{"0A", "K5", "KV", "KV05", "KV05", "kv05", "\xC0\xC1"}));
    EXPECT_TRUE(SortedDistricts({}).empty());
}

struct LayoutCase {
    std::size_t count;
    int right;
    std::vector<GridCell> cells;
};

TEST(LiveDisplayTest, GridLayoutWrapsBeforeTheRightEdge) {
    std::vector<GridCell> wide;
    for (int i = 0; i < 12; ++i) wide.push_back({5 + 40 * i, 0});
    wide.push_back({5, 15});
    wide.push_back({45, 15});
    const LayoutCase cases[] = {
        {14, 510, wide},
        {3, 84, {{5, 0}, {5, 15}, {5, 30}}},
        {3, 85, {{5, 0}, {45, 0}, {5, 15}}},
        {2, -2'147'483'647 - 1, {{5, 0}, {5, 15}}},
        {0, 510, {}},
    };
    for (const LayoutCase& c : cases) {
        const auto cells = GridLayout(c.count, c.right);
        ASSERT_EQ(cells.size(), c.cells.size()) << "right " << c.right;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(cells[i].x, c.cells[i].x) << "right " << c.right << " cell " << i;
            EXPECT_EQ(cells[i].y, c.cells[i].y) << "right " << c.right << " cell " << i;
        }
    }
}

// ---- captions ----

// Windows-1251 of a UTF-8 text holding ASCII and the Cyrillic letters А..я (U+0410..U+044F),
// worked out here so the captions' byte escapes are checked against readable text.
std::string Cp1251(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            continue;
        }
        const unsigned code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (code < 0x410 || code > 0x44F)
            throw std::invalid_argument("no Windows-1251 letter in this helper");
        out += static_cast<char>(0xC0 + (code - 0x410));
    }
    return out;
}

TEST(LiveDisplayTest, CaptionsAreExactWindows1251Texts) {
    const std::pair<std::string, std::string> cases[] = {
        {SetupCaption("2017", false), "Setup ZELK-2017"},
        {SetupCaption("2017", true), Cp1251("Установки ZELK-2017")},
        {PrevCaptionOpened("2018", false), "ZELK-2018 Previous, QSO"},
        {PrevCaptionOpened("2018", true), Cp1251("ZELK-2018 Предыдущие QSO")},
        {PrevCaptionNoCall("2019", false), "ZELK-2019 Previous QSO"},
        {PrevCaptionNoCall("2019", true), Cp1251("ZELK-2019 Предыдущие QSO")},
        {PrevCaptionWithCall("2020", "UT5ZZ", false), "ZELK-2020 Previous QSO with UT5ZZ "},
        {PrevCaptionWithCall("2020", "UT5ZZ", true), Cp1251("ZELK-2020 Предыдущие QSO c UT5ZZ ")},
        {GridCaptionOpened("2021"), "ZELK-2021 "},
        {GridCaptionBand("2022", "80m", "MFSK16"), "ZELK-2022 ZELK on 80m MFSK16"},
        {GridCaptionBand("", "", ""), "ZELK- ZELK on  "},
    };
    for (const auto& [caption, expected] : cases) EXPECT_EQ(caption, expected);
    // The letter before the call is the Latin c, not the Cyrillic с (0xF1).
    const std::string withCall = PrevCaptionWithCall("2020", "UT5ZZ", true);
    EXPECT_EQ(withCall.substr(withCall.size() - 8), "c UT5ZZ ");
}

TEST(LiveDisplayTest, RussianSetupControlTexts) {
    std::map<int, std::string> texts;
    for (const ControlText& control : RussianSetupControlTexts()) texts[control.id] = control.cp1251;
    EXPECT_EQ(texts, (std::map<int, std::string>{{1015, Cp1251("Предыдущие QSO")},
                                                 {1016, Cp1251("Поверх окон")},
                                                 {1017, Cp1251("Вид работы")},
                                                 {1018, Cp1251("Отображать")}}));
}

}  // namespace
