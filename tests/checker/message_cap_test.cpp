#include <gtest/gtest.h>

#include <string>

#include "checker/message_cap.h"

namespace {

TEST(KindOfMessage, MasksQuotedValuesAndNumbersOnly) {
    struct Case {
        const char* message;
        const char* kind;
    } cases[] = {
        {"QSO line has 1 fields, too few for a QSO", "QSO line has # fields, too few for a QSO"},
        {"bad frequency \"junk\"", "bad frequency \"\""},
        {"bad frequency \"3.5 \\\" 7\" on 2017-05-05", "bad frequency \"\" #\"\""},
        {"record longer than 1048576 bytes", "record longer than # bytes"},
        {"not a Cabrillo line", "not a Cabrillo line"},
        {"an unclosed \"quote 12", "an unclosed \"\""},
    };
    for (const Case& c : cases) EXPECT_EQ(KindOfMessage(c.message), c.kind) << c.message;
}

// Each kind's first messages pass, the rest are counted in the order the kinds were met; kinds
// past the bound share one count.
TEST(MessageCap, NamesTheFirstOfEachKindAndCountsTheRest) {
    MessageCap cap(2);
    int named = 0;
    for (int i = 0; i < 5; ++i) named += cap.admit("b", "b message");
    for (int i = 0; i < 3; ++i) named += cap.admit("a", "a message");
    named += cap.admit("c", "c message");
    EXPECT_EQ(named, 5);
    EXPECT_EQ(cap.withheldCount(), 4u);
    const auto withheld = cap.withheld();
    ASSERT_EQ(withheld.size(), 2u);
    EXPECT_EQ(WithheldLine(withheld[0]), "... and 3 more like this: b message");
    EXPECT_EQ(WithheldLine(withheld[1]), "... and 1 more like this: a message");

    MessageCap many(1);
    for (std::size_t k = 0; k < MessageCap::kKindsKept + 10; ++k)
        for (int i = 0; i < 3; ++i) many.admit("kind " + std::to_string(k), "message " + std::to_string(k));
    const auto counted = many.withheld();
    ASSERT_EQ(counted.size(), MessageCap::kKindsKept + 1);
    EXPECT_EQ(WithheldLine(counted.back()), "... and 29 more like this: a message of another kind");
    EXPECT_EQ(many.withheldCount(), 2 * MessageCap::kKindsKept + 29);
}

}  // namespace
