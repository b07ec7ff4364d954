#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The languages of the site and its mail.
enum class Language { english, ukrainian };

// "en", "uk": the cookie's value and the HTML lang attribute.
std::string_view LanguageCode(Language language);

// One text of the site in both languages. Placeholders are written {name}.
struct CatalogText {
    std::string_view key;
    std::string_view english;
    std::string_view ukrainian;
};

// Every text of the site's pages and mail (site_texts.cpp).
std::span<const CatalogText> SiteTexts();
// The participant's pages' share of them (page_texts.cpp).
std::span<const CatalogText> PageTexts();

// The text of `key` in `language`, with each {name} replaced by its value (values are inserted
// as they are: escaping for HTML is the page's job). An unknown key gives the key itself, so a
// missing text shows on the page instead of stopping it; the catalog's test makes sure none is.
std::string Text(std::string_view key, Language language,
                 std::initializer_list<std::pair<std::string_view, std::string>> values = {});

// A text to be given later in the reader's language: its key and its values.
struct LocalText {
    std::string key;
    std::vector<std::pair<std::string, std::string>> values;
    std::string in(Language language) const;
};

// The {name}s a text uses, in order of appearance, each once.
std::vector<std::string> PlaceholdersOf(std::string_view text);

// The language to answer in: the one remembered in the cookie ("en", "uk") when it names one,
// else the first of the browser's Accept-Language that the site has (by q-value, then order;
// "uk-UA" counts as "uk"), else English. Reads at most the first 4 KB and 32 entries of the header.
Language ChooseLanguage(std::string_view cookieValue, std::string_view acceptLanguage);
