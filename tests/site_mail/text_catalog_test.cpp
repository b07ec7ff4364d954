#include <gtest/gtest.h>

#include <set>

#include "server/text_catalog.h"

// Every text exists in both languages with the same placeholders, and no key is given twice.
TEST(TextCatalog, EveryKeyHasBothLanguagesWithTheSamePlaceholders) {
    std::set<std::string_view> keys;
    for (const CatalogText& text : SiteTexts()) {
        SCOPED_TRACE(std::string(text.key));
        EXPECT_TRUE(keys.insert(text.key).second) << "given twice";
        EXPECT_FALSE(text.english.empty());
        EXPECT_FALSE(text.ukrainian.empty());
        EXPECT_NE(text.english, text.ukrainian) << "not translated";
        auto english = PlaceholdersOf(text.english);
        auto ukrainian = PlaceholdersOf(text.ukrainian);
        std::sort(english.begin(), english.end());
        std::sort(ukrainian.begin(), ukrainian.end());
        EXPECT_EQ(english, ukrainian);
    }
}

TEST(TextCatalog, FillsPlaceholdersOnce) {
    EXPECT_EQ(Text("receipt_mail.number", Language::english, {{"number", "17"}}), "Receipt number: 17");
    EXPECT_EQ(Text("receipt_mail.number", Language::ukrainian, {{"number", "17"}}), "Номер квитанції: 17");
    // A value that looks like a placeholder is not filled in again.
    EXPECT_EQ(Text("receipt_mail.call", Language::english, {{"call", "{call}"}}), "Call: {call}");
    EXPECT_EQ(Text("receipt_mail.call", Language::english), "Call: {call}");
    EXPECT_EQ(Text("no.such.key", Language::ukrainian), "no.such.key");
}

TEST(LanguageChoice, RememberedChoiceThenBrowserThenEnglish) {
    struct Case {
        const char* cookie;
        std::string acceptLanguage;
        Language expected;
    };
    const std::vector<Case> cases = {
        {"", "", Language::english},
        {"", "uk", Language::ukrainian},
        {"", "uk-UA,uk;q=0.9,en-US;q=0.8,en;q=0.7", Language::ukrainian},
        {"", "en-US,en;q=0.9,uk;q=0.8", Language::english},
        {"", "ru-RU,ru;q=0.9,uk;q=0.8,en;q=0.7", Language::ukrainian},
        {"", "de-DE, en;q=0.5, UK;Q=0.6", Language::ukrainian},
        {"", "fr, *;q=0.1", Language::english},
        {"", "ukr, eng", Language::english},
        {"", "uk;q=0, en;q=0.1", Language::english},
        {"", "uk;q=abc, en;q=0.1", Language::english},
        {"", "uk;q=7", Language::english},
        {"uk", "en-US,en;q=0.9", Language::ukrainian},
        {"en", "uk-UA", Language::english},
        {"de", "uk-UA", Language::ukrainian},
        {"", std::string(10000, ',') + "uk", Language::english},  // past the bound: not read
        {"", std::string(5000, 'x') + ",uk", Language::english},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseLanguage(c.cookie, c.acceptLanguage), c.expected) << c.cookie << " / " << c.acceptLanguage.substr(0, 60);
}
