#include "engine/district_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LoadCase {
    const char* name;
    std::string fileText;
    std::vector<std::string> codes;
};

class DistrictLoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(DistrictLoadTest, BuildsCodesFromLines) {
    DistrictList list;
    list.load(&GetParam().fileText);
    EXPECT_TRUE(list.loaded());
    EXPECT_EQ(list.codes(), GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DistrictLoadTest,
    ::testing::Values(
        LoadCase{"LettersDashDigitsName", "KV-05 Kyiv\r\nLV-01 Lviv\r\n", {"KV05", "LV01"}},
        LoadCase{"LeadingDashSkippedEvenWithLaterDash", "-KV-05\r\nKV-05\r\n", {"KV05"}},
        LoadCase{"NoDashSkipped", "KV05\r\n\r\nKV-05\r\n", {"KV05"}},
        LoadCase{"ThreeCharactersOverlap", "A-B\r\n", {"A--B"}},
        LoadCase{"TwoCharacters", "A-\r\n", {"A-A-"}},
        LoadCase{"OnlyFirstFiveCount", "KV-0512345\r\n", {"KV05"}},
        LoadCase{"LastLineWithoutLineEnd", "KV-05\r\nLV-01", {"KV05", "LV01"}},
        LoadCase{"BareLineFeeds", "KV-05\nLV-01\n", {"KV05", "LV01"}},
        LoadCase{"TwiceStaysTwice", "KV-05\r\nKV-05\r\n", {"KV05", "KV05"}},
        LoadCase{"MalformedLineStillAdds", "K-V05 x\r\n", {"K-05"}},
        LoadCase{"EmptyFile", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DistrictListTest, MissingFileIsNotLoadedAndReloadEmptiesTheList) {
    DistrictList list;
    std::string text = "KV-05\r\n";
    list.load(&text);
    ASSERT_TRUE(list.isKnownDistrict("KV05"));
    list.load(nullptr);
    EXPECT_FALSE(list.loaded());
    EXPECT_TRUE(list.codes().empty());
    EXPECT_FALSE(list.isKnownDistrict("KV05"));
}

TEST(DistrictListTest, MembershipIsExact) {
    DistrictList list;
    std::string text = "KV-05\r\nlv-01\r\n";
    list.load(&text);
    EXPECT_TRUE(list.isKnownDistrict("KV05"));
    EXPECT_FALSE(list.isKnownDistrict("kv05"));
    EXPECT_FALSE(list.isKnownDistrict("LV01"));  // a lower-case list never matches a cleaned code
    EXPECT_FALSE(list.isKnownDistrict("KV05 "));
    EXPECT_FALSE(list.isKnownDistrict(""));
}

TEST(DistrictListTest, HomeStationsAreExact) {
    for (const char* prefix : {"UA", "UA2", "UA2/f", "UA9", "CE9/KC4", "UR", "UN", "EU"})
        EXPECT_TRUE(homeStation(prefix)) << prefix;
    for (const char* prefix : {"ua", "UA2/F", "U", "UR ", "", "DL", "UA99"})
        EXPECT_FALSE(homeStation(prefix)) << prefix;
}

}  // namespace
