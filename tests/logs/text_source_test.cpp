#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "logs/text_source.h"

namespace {

// Line ends in a text as the readers count them: CR LF, a lone CR and a lone LF each end one line.
std::size_t LineEnds(std::string_view text) {
    std::size_t ends = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) ++ends;
    return ends;
}

// Texts of line ends of every kind, consumed in pieces of every size, so a CR LF is often split
// between two of them: the line number is always one more than the line ends consumed.
TEST(TextSource, LineNumbersCountEveryKindOfLineEndWhereverThePiecesSplitThem) {
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' '};
    for (int round = 0; round < 200; ++round) {
        std::string text(1 + random() % 300, ' ');
        for (char& c : text) c = alphabet[random() % sizeof alphabet];
        std::istringstream input(text);
        TextSource source(input);
        ASSERT_TRUE(source.ensure(text.size()));
        std::size_t consumed = 0;
        while (consumed < text.size()) {
            const std::size_t piece = std::min<std::size_t>(1 + random() % 7, text.size() - consumed);
            source.consume(piece);
            consumed += piece;
            ASSERT_EQ(source.line(), 1 + LineEnds(std::string_view(text).substr(0, consumed)))
                << round << " after " << consumed;
        }
    }
}

TEST(TextSource, ReadLineSplitsAtEveryKindOfLineEnd) {
    std::istringstream input("one\r\ntwo\rthree\nfour");
    TextSource source(input);
    std::string line;
    bool tooLong = false;
    for (const char* expected : {"one", "two", "three", "four"}) {
        ASSERT_TRUE(ReadLine(source, line, 100, tooLong));
        EXPECT_EQ(line, expected);
    }
    EXPECT_FALSE(ReadLine(source, line, 100, tooLong));
    EXPECT_EQ(source.line(), 4u);
}

}  // namespace
