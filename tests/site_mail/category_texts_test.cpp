#include <gtest/gtest.h>

#include "server/category_texts.h"

// What the receipt says of a header it could not map, in each language.
TEST(CategoryTexts, ProblemsReadAsSentences) {
    const CategoryTable& table = CategoryTable::Default();
    struct Case {
        std::vector<std::string> lines;
        std::string form;
        std::string english;
        std::string ukrainian;
    };
    const std::vector<Case> cases = {
        {{"CATEGORY-BAND: 40M"}, "", "CATEGORY-BAND: 40M: \"40M\" is not a category of this contest.",
         "CATEGORY-BAND: 40M: «40M» не є категорією цих змагань."},
        {{"CATEGORY: SINGLE-OP ALL LOW"}, "", "The header does not give the mode.", "У заголовку не вказано: вид роботи."},
        {{"CATEGORY-MODE: CW", "CATEGORY-MODE: SSB"}, "",
         "CATEGORY-MODE: SSB: \"SSB\" contradicts \"CW\" given before.",
         "CATEGORY-MODE: SSB: «SSB» суперечить раніше вказаному «CW»."},
        {{"CATEGORY-OPERATR: SO"}, "", "CATEGORY-OPERATR: SO: \"CATEGORY-OPERATR\" is not a category header.",
         "CATEGORY-OPERATR: SO: «CATEGORY-OPERATR» не є заголовком категорії."},
        {{}, "SO-FM", "\"SO-FM\" is not one of this contest's categories.",
         "«SO-FM» не належить до категорій цих змагань."},
    };
    for (const Case& c : cases) {
        const CategoryMatch match = ResolveCategory(table, c.lines, c.form);
        ASSERT_EQ(match.problems.size(), 1u) << c.english;
        EXPECT_EQ(DescribeCategoryProblem(table, match.problems[0], Language::english), c.english);
        EXPECT_EQ(DescribeCategoryProblem(table, match.problems[0], Language::ukrainian), c.ukrainian);
    }
    EXPECT_EQ(CategoryName(table, table.find("SO-SSB-QRP"), Language::ukrainian), "Один оператор, SSB, QRP");
    EXPECT_EQ(CategoryName(table, nullptr, Language::english), "not given");
}
