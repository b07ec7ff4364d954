#include "server/text_catalog.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <unordered_map>

namespace {

const std::unordered_map<std::string_view, const CatalogText*>& TextsByKey() {
    static const auto byKey = [] {
        std::unordered_map<std::string_view, const CatalogText*> map;
        for (const CatalogText& text : SiteTexts()) map.emplace(text.key, &text);
        return map;
    }();
    return byKey;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char lower, char c) { return std::tolower(static_cast<unsigned char>(c)) == lower; });
}

// The site's language of a language tag ("uk", "uk-UA", "en-GB"); none for others.
std::optional<Language> LanguageOfTag(std::string_view tag) {
    for (const auto& [code, language] : {std::pair{std::string_view("uk"), Language::ukrainian},
                                        std::pair{std::string_view("en"), Language::english}}) {
        if (StartsWithNoCase(tag, code) && (tag.size() == 2 || tag[2] == '-' || tag[2] == '_')) return language;
    }
    return std::nullopt;
}

}  // namespace

std::string_view LanguageCode(Language language) { return language == Language::ukrainian ? "uk" : "en"; }

namespace {

template <typename Values>
std::string Filled(std::string_view key, Language language, const Values& values) {
    const auto found = TextsByKey().find(key);
    if (found == TextsByKey().end()) return std::string(key);
    const std::string_view text = language == Language::ukrainian ? found->second->ukrainian : found->second->english;
    std::string result;
    result.reserve(text.size() + 32);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t close = text[i] == '{' ? text.find('}', i) : std::string_view::npos;
        if (close != std::string_view::npos) {
            const std::string_view name = text.substr(i + 1, close - i - 1);
            const auto value = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == name; });
            if (value != values.end()) {
                result += value->second;
                i = close + 1;
                continue;
            }
        }
        result += text[i++];
    }
    return result;
}

}  // namespace

std::string Text(std::string_view key, Language language,
                 std::initializer_list<std::pair<std::string_view, std::string>> values) {
    return Filled(key, language, values);
}

std::string LocalText::in(Language language) const { return Filled(key, language, values); }

std::vector<std::string> PlaceholdersOf(std::string_view text) {
    std::vector<std::string> names;
    for (std::size_t open = text.find('{'); open != std::string_view::npos; open = text.find('{', open + 1)) {
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos) break;
        std::string name(text.substr(open + 1, close - open - 1));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
    return names;
}

Language ChooseLanguage(std::string_view cookieValue, std::string_view acceptLanguage) {
    const std::string_view remembered = Trimmed(cookieValue);
    if (remembered == "uk") return Language::ukrainian;
    if (remembered == "en") return Language::english;

    acceptLanguage = acceptLanguage.substr(0, 4096);
    std::optional<Language> best;
    double bestWeight = 0;
    int entries = 0;
    while (!acceptLanguage.empty() && entries++ < 32) {
        const std::size_t comma = acceptLanguage.find(',');
        std::string_view entry = acceptLanguage.substr(0, comma);
        acceptLanguage = comma == std::string_view::npos ? std::string_view() : acceptLanguage.substr(comma + 1);
        const std::size_t semicolon = entry.find(';');
        const std::string_view tag = Trimmed(entry.substr(0, semicolon));
        double weight = 1;
        if (semicolon != std::string_view::npos) {
            const std::string_view parameter = Trimmed(entry.substr(semicolon + 1));
            if (StartsWithNoCase(parameter, "q=")) {
                const std::string_view number = Trimmed(parameter.substr(2));
                if (std::from_chars(number.data(), number.data() + number.size(), weight).ec != std::errc()) weight = 0;
            }
        }
        const auto language = LanguageOfTag(tag);
        if (language && weight > bestWeight && weight <= 1) {
            best = language;
            bestWeight = weight;
        }
    }
    return best.value_or(Language::english);
}
