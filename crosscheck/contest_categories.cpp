#include "crosscheck/contest_categories.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <set>
#include <tuple>

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxTableBytes = 1 << 20;
constexpr std::size_t kMaxEntries = 1000;
constexpr std::size_t kShownLength = 60;

// The Cabrillo 3 category kinds: a line of one the table does not use is left aside.
constexpr std::string_view kCabrilloTags[] = {"CATEGORY-ASSISTED", "CATEGORY-BAND",        "CATEGORY-MODE",
                                              "CATEGORY-OPERATOR", "CATEGORY-POWER",       "CATEGORY-STATION",
                                              "CATEGORY-TIME",     "CATEGORY-TRANSMITTER", "CATEGORY-OVERLAY"};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Words(std::string_view text, std::size_t limit) {
    std::vector<std::string_view> words;
    while (words.size() < limit) {
        text = Trimmed(text);
        if (text.empty()) break;
        std::size_t end = 0;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

// What a log wrote, fit to be shown: printable ASCII (others as '?'), no longer than a line.
std::string Shown(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, kShownLength)) {
        const auto u = static_cast<unsigned char>(c);
        shown += u >= 0x20 && u < 0x7f ? c : '?';
    }
    if (text.size() > kShownLength) shown += "...";
    return shown;
}

[[noreturn]] void Refuse(const std::string& where, const std::string& why) {
    throw CategoryTableError(where + ": " + why);
}

void OnlyMembers(const Json& object, const std::string& where, std::initializer_list<std::string_view> allowed) {
    if (!object.is_object()) Refuse(where, "not an object");
    for (const auto& [key, value] : object.items())
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) Refuse(where, "unknown member \"" + key + "\"");
}

std::string Text(const Json& object, std::string_view member, const std::string& where, bool required = true) {
    const auto found = object.find(member);
    if (found == object.end()) {
        if (required) Refuse(where, "\"" + std::string(member) + "\" is missing");
        return {};
    }
    if (!found->is_string()) Refuse(where, "\"" + std::string(member) + "\" is not a text");
    return found->get<std::string>();
}

LocalizedNames Names(const Json& object, const std::string& where) {
    LocalizedNames names;
    const auto found = object.find("names");
    if (found == object.end()) return names;
    if (!found->is_object()) Refuse(where, "\"names\" is not an object of language codes");
    for (const auto& [language, name] : found->items()) {
        if (!name.is_string()) Refuse(where, "the name in \"" + language + "\" is not a text");
        if (!name.get<std::string>().empty()) names[language] = name.get<std::string>();
    }
    return names;
}

CategoryDimension ReadDimension(const Json& json, const std::string& where) {
    OnlyMembers(json, where, {"key", "cabrillo", "names", "default", "values"});
    CategoryDimension dimension;
    dimension.key = Text(json, "key", where);
    dimension.cabrilloTag = Upper(Text(json, "cabrillo", where));
    dimension.names = Names(json, where);
    dimension.defaultCode = Upper(Text(json, "default", where, false));
    if (dimension.key.empty()) Refuse(where, "the key is empty");
    if (!dimension.cabrilloTag.starts_with("CATEGORY-")) Refuse(where, "the Cabrillo tag does not start CATEGORY-");
    const auto values = json.find("values");
    if (values == json.end() || !values->is_array() || values->empty()) Refuse(where, "\"values\" is no list of values");
    for (std::size_t i = 0; i < values->size(); ++i) {
        const std::string at = where + " value " + std::to_string(i + 1);
        const Json& v = (*values)[i];
        OnlyMembers(v, at, {"code", "spellings", "names"});
        CategoryValue value;
        value.code = Upper(Text(v, "code", at));
        if (value.code.empty() || value.code.find_first_of(" \t") != std::string::npos)
            Refuse(at, "the code is empty or has blanks");
        if (const auto spellings = v.find("spellings"); spellings != v.end()) {
            if (!spellings->is_array()) Refuse(at, "\"spellings\" is not a list");
            for (const Json& s : *spellings) {
                if (!s.is_string() || Trimmed(s.get<std::string>()).empty()) Refuse(at, "a spelling is not a text");
                value.spellings.push_back(Upper(Trimmed(s.get<std::string>())));
            }
        }
        value.names = Names(v, at);
        dimension.values.push_back(std::move(value));
    }
    if (!dimension.defaultCode.empty() &&
        std::none_of(dimension.values.begin(), dimension.values.end(),
                     [&](const CategoryValue& v) { return v.code == dimension.defaultCode; }))
        Refuse(where, "the default \"" + dimension.defaultCode + "\" is none of its values");
    return dimension;
}

// "Single operator, mixed mode, low power": the names of the entry's values in dimension order.
LocalizedNames ComposedNames(const CategoryEntry& entry, const std::vector<CategoryDimension>& dimensions) {
    LocalizedNames names;
    std::set<std::string> languages;
    for (const CategoryDimension& dimension : dimensions)
        for (const CategoryValue& value : dimension.values)
            for (const auto& [language, name] : value.names) languages.insert(language);
    for (const std::string& language : languages) {
        std::string name;
        for (const CategoryDimension& dimension : dimensions) {
            const auto chosen = entry.values.find(dimension.key);
            if (chosen == entry.values.end()) continue;
            for (const CategoryValue& value : dimension.values) {
                if (value.code != chosen->second) continue;
                auto valueName = value.names.find(language);
                if (valueName == value.names.end()) valueName = value.names.find("en");
                if (valueName == value.names.end()) continue;
                name += (name.empty() ? "" : ", ") + valueName->second;
            }
        }
        if (!name.empty()) names[language] = name;
    }
    return names;
}

}  // namespace

CategoryTable CategoryTable::FromJson(std::string_view text) {
    if (text.size() > kMaxTableBytes) Refuse("category table", "larger than 1 MB");
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::exception& error) {
        Refuse("category table", std::string("not JSON: ") + error.what());
    }
    OnlyMembers(json, "category table", {"dimensions", "categories"});
    CategoryTable table;

    const auto dimensions = json.find("dimensions");
    if (dimensions == json.end() || !dimensions->is_array() || dimensions->empty())
        Refuse("category table", "\"dimensions\" is no list of dimensions");
    std::set<std::string> keys, tags;
    std::map<std::string, std::string> spelledBy;  // spelling -> "dimension value"
    for (std::size_t i = 0; i < dimensions->size(); ++i) {
        const std::string where = "dimension " + std::to_string(i + 1);
        CategoryDimension dimension = ReadDimension((*dimensions)[i], where);
        if (!keys.insert(dimension.key).second) Refuse(where, "the key \"" + dimension.key + "\" is used twice");
        if (!tags.insert(dimension.cabrilloTag).second) Refuse(where, dimension.cabrilloTag + " is used twice");
        for (const CategoryValue& value : dimension.values) {
            std::vector<std::string> all = value.spellings;
            all.push_back(value.code);
            for (const std::string& spelling : all) {
                const std::string owner = dimension.key + " " + value.code;
                const auto [at, fresh] = spelledBy.emplace(spelling, owner);
                if (!fresh && at->second != owner)
                    Refuse(where, "\"" + spelling + "\" spells both " + at->second + " and " + owner);
            }
        }
        table.m_dimensions.push_back(std::move(dimension));
    }

    const auto categories = json.find("categories");
    if (categories == json.end() || !categories->is_array() || categories->empty())
        Refuse("category table", "\"categories\" is no list of categories");
    if (categories->size() > kMaxEntries) Refuse("category table", "more than 1000 categories");
    std::set<std::string> ids;
    std::set<std::map<std::string, std::string, std::less<>>> combinations;
    for (std::size_t i = 0; i < categories->size(); ++i) {
        const Json& c = (*categories)[i];
        const std::string where = "category " + std::to_string(i + 1);
        if (!c.is_object()) Refuse(where, "not an object");
        CategoryEntry entry;
        entry.id = Upper(Text(c, "id", where));
        if (entry.id.empty() || !std::all_of(entry.id.begin(), entry.id.end(), [](char ch) {
                return std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '_';
            }))
            Refuse(where, "the id must be letters, digits, '-' and '_'");
        if (!ids.insert(entry.id).second) Refuse(where, "the id " + entry.id + " is used twice");
        for (const auto& item : c.items()) {
            const std::string& member = item.key();
            const Json& value = item.value();
            if (member == "id" || member == "names") continue;
            const auto dimension = std::find_if(table.m_dimensions.begin(), table.m_dimensions.end(),
                                                [&](const CategoryDimension& d) { return d.key == member; });
            if (dimension == table.m_dimensions.end()) Refuse(where, "unknown member \"" + member + "\"");
            if (!value.is_string()) Refuse(where, "\"" + member + "\" is not a text");
            const std::string code = Upper(value.get<std::string>());
            if (std::none_of(dimension->values.begin(), dimension->values.end(),
                             [&](const CategoryValue& v) { return v.code == code; }))
                Refuse(where, "\"" + code + "\" is no value of " + member);
            entry.values[member] = code;
        }
        if (!combinations.insert(entry.values).second)
            Refuse(where, entry.id + " has the same values as a category before it");
        entry.names = ComposedNames(entry, table.m_dimensions);
        for (const auto& [language, name] : Names(c, where)) entry.names[language] = name;
        if (!entry.names.contains("en")) Refuse(where, entry.id + " has no English name");
        table.m_entries.push_back(std::move(entry));
    }
    return table;
}

const CategoryTable& CategoryTable::Default() {
    static const CategoryTable table = FromJson(DefaultCategoryTableJson());
    return table;
}

const CategoryEntry* CategoryTable::find(std::string_view id) const {
    const std::string wanted = Upper(Trimmed(id));
    for (const CategoryEntry& entry : m_entries)
        if (entry.id == wanted) return &entry;
    return nullptr;
}

const std::string& CategoryTable::name(const CategoryEntry& entry, std::string_view language) const {
    const auto found = entry.names.find(language);
    return found != entry.names.end() ? found->second : entry.names.at("en");
}

const std::string& CategoryTable::name(const CategoryDimension& dimension, std::string_view language) const {
    for (const std::string_view wanted : {language, std::string_view("en")})
        if (const auto found = dimension.names.find(wanted); found != dimension.names.end()) return found->second;
    return dimension.key;
}

const CategoryDimension* CategoryTable::dimensionOfTag(std::string_view tag) const {
    const std::string wanted = Upper(Trimmed(tag));
    for (const CategoryDimension& dimension : m_dimensions)
        if (dimension.cabrilloTag == wanted) return &dimension;
    return nullptr;
}

std::pair<const CategoryDimension*, const CategoryValue*> CategoryTable::valueOf(std::string_view word) const {
    const std::string wanted = Upper(Trimmed(word));
    for (const CategoryDimension& dimension : m_dimensions)
        for (const CategoryValue& value : dimension.values)
            if (value.code == wanted || std::find(value.spellings.begin(), value.spellings.end(), wanted) != value.spellings.end())
                return {&dimension, &value};
    return {nullptr, nullptr};
}

namespace {

// The values a header gave, by dimension, with the line each came from.
struct GivenValues {
    std::map<std::string, std::pair<std::string, std::string>> byDimension;  // key -> (code, line)

    void give(const CategoryDimension& dimension, const CategoryValue& value, const std::string& line,
              std::vector<CategoryProblem>& problems) {
        const auto [at, fresh] = byDimension.emplace(dimension.key, std::pair{value.code, line});
        if (!fresh && at->second.first != value.code)
            problems.push_back({CategoryProblem::Kind::conflict, line, value.code, at->second.first, dimension.key});
    }
};

// The value a dimension's line or a run of words spells: "SINGLE OP" as "SINGLE-OP" too.
const CategoryValue* ValueOfWords(const CategoryTable& table, const CategoryDimension* dimension, std::string_view words) {
    std::string joined(Trimmed(words));
    for (const std::string& spelling : {joined, [&] {
             std::string dashed;
             for (const std::string_view word : Words(joined, kMaxCategoryWords)) dashed += (dashed.empty() ? "" : "-") + std::string(word);
             return dashed;
         }()}) {
        const auto [owner, value] = table.valueOf(spelling);
        if (value && (!dimension || owner == dimension)) return value;
    }
    return nullptr;
}

}  // namespace

CategoryMatch MatchHeaderCategory(const CategoryTable& table, const std::vector<std::string>& categoryLines) {
    CategoryMatch match;
    GivenValues given;
    std::vector<CategoryProblem>& problems = match.problems;
    for (std::size_t i = 0; i < categoryLines.size(); ++i) {
        if (i == kMaxCategoryLines) {
            problems.push_back({CategoryProblem::Kind::tooManyLines, "", std::to_string(kMaxCategoryLines), "", ""});
            break;
        }
        const std::string_view line = categoryLines[i];
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string tag = Upper(Trimmed(line.substr(0, colon)));
        const std::string_view value = Trimmed(line.substr(colon + 1));
        const std::string shownLine = Shown(Trimmed(line));
        if (value.empty()) continue;
        if (tag == "CATEGORY") {  // Cabrillo 2: one line of words, each spelling a value
            const std::vector<std::string_view> words = Words(value, kMaxCategoryWords);
            for (std::size_t w = 0; w < words.size(); ++w) {
                // Two words may spell one value ("SINGLE OP"), and that reading comes first.
                auto [dimension, found] = w + 1 < words.size()
                                              ? table.valueOf(std::string(words[w]) + "-" + std::string(words[w + 1]))
                                              : std::pair<const CategoryDimension*, const CategoryValue*>{};
                if (found)
                    ++w;
                else
                    std::tie(dimension, found) = table.valueOf(words[w]);
                if (found)
                    given.give(*dimension, *found, shownLine, problems);
                else
                    problems.push_back({CategoryProblem::Kind::unknownValue, shownLine, Shown(words[w]), "", ""});
            }
            continue;
        }
        const CategoryDimension* dimension = table.dimensionOfTag(tag);
        if (!dimension) {
            if (std::find(std::begin(kCabrilloTags), std::end(kCabrilloTags), tag) == std::end(kCabrilloTags))
                problems.push_back({CategoryProblem::Kind::unknownTag, shownLine, Shown(tag), "", ""});
            continue;
        }
        if (const CategoryValue* found = ValueOfWords(table, dimension, value))
            given.give(*dimension, *found, shownLine, problems);
        else
            problems.push_back({CategoryProblem::Kind::unknownValue, shownLine, Shown(value), "", dimension->key});
    }

    std::map<std::string, std::string, std::less<>> values;
    for (const CategoryDimension& dimension : table.dimensions()) {
        if (const auto found = given.byDimension.find(dimension.key); found != given.byDimension.end())
            values[dimension.key] = found->second.first;
        else if (!dimension.defaultCode.empty())
            values[dimension.key] = dimension.defaultCode;
    }
    if (given.byDimension.empty() && problems.empty()) return match;  // the header names no category
    if (!problems.empty()) return match;  // a word not understood: no category is guessed

    for (const CategoryEntry& entry : table.entries()) {
        const bool fits = std::all_of(entry.values.begin(), entry.values.end(), [&](const auto& required) {
            const auto found = values.find(required.first);
            return found != values.end() && found->second == required.second;
        });
        if (fits) {
            match.entry = &entry;
            match.source = CategorySource::header;
            return match;
        }
    }
    // A value the header should have given explains the miss better than the values it gave.
    for (const CategoryDimension& dimension : table.dimensions())
        if (!values.contains(dimension.key))
            problems.push_back({CategoryProblem::Kind::missing, "", "", "", dimension.key});
    if (!problems.empty()) return match;
    std::string named;
    for (const CategoryDimension& dimension : table.dimensions())
        if (given.byDimension.contains(dimension.key)) named += (named.empty() ? "" : " ") + values[dimension.key];
    problems.push_back({CategoryProblem::Kind::noEntry, "", named, "", ""});
    return match;
}

CategoryMatch ResolveCategory(const CategoryTable& table, const std::vector<std::string>& categoryLines,
                              std::string_view formValue) {
    if (Trimmed(formValue).empty()) return MatchHeaderCategory(table, categoryLines);
    CategoryMatch match;
    if (const CategoryEntry* entry = table.find(formValue)) {
        match.entry = entry;
        match.source = CategorySource::form;
    } else {
        match.problems.push_back({CategoryProblem::Kind::notOffered, "", Shown(Trimmed(formValue)), "", ""});
    }
    return match;
}
