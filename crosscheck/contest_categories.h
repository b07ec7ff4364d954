#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The contest's categories as data: dimensions (operator, mode, power, band), their values with
// the ways logs spell them, and the categories as combinations of values with human names in
// the site's languages. Cabrillo 2 (`CATEGORY: SINGLE-OP ALL LOW`) and Cabrillo 3
// (`CATEGORY-OPERATOR: SINGLE-OP`, `CATEGORY-MODE: MIXED`, ...) headers map to the same entry.

// A text in each language, by language code ("en", "uk").
using LocalizedNames = std::map<std::string, std::string, std::less<>>;

struct CategoryValue {
    std::string code;                    // "SINGLE-OP": as Cabrillo 3 writes it, upper case
    std::vector<std::string> spellings;  // other ways logs write it, upper case: "SO", "A-CW"
    LocalizedNames names;                // "Single operator"; empty: not part of a category's name
};

struct CategoryDimension {
    std::string key;          // "operator"
    std::string cabrilloTag;  // "CATEGORY-OPERATOR"
    LocalizedNames names;     // "operator": for "the header does not give the operator"
    std::vector<CategoryValue> values;
    std::string defaultCode;  // taken when a log does not say; empty: a log must say
};

struct CategoryEntry {
    std::string id;  // "SO-MIXED-LOW": the form's value and the results' key
    std::map<std::string, std::string, std::less<>> values;  // dimension key -> value code; absent: any
    LocalizedNames names;  // "Single operator, mixed mode, low power"
};

// A table file that cannot be used; the message says where and why.
struct CategoryTableError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class CategoryTable {
public:
    // Reads a table from JSON (the format of DefaultCategoryTableJson()); throws
    // CategoryTableError for a table that is not sound (unknown members, a spelling of two values,
    // two categories with the same values, a category without an English name, ...).
    static CategoryTable FromJson(std::string_view json);
    // The ZELK contest's table.
    static const CategoryTable& Default();

    const std::vector<CategoryDimension>& dimensions() const { return m_dimensions; }
    const std::vector<CategoryEntry>& entries() const { return m_entries; }

    // The entry of a form's value (its id, case and surrounding blanks ignored); null for none.
    const CategoryEntry* find(std::string_view id) const;
    // The entry's name in `language`, else in English.
    const std::string& name(const CategoryEntry& entry, std::string_view language) const;
    // The dimension's name in `language`, else in English, else its key.
    const std::string& name(const CategoryDimension& dimension, std::string_view language) const;

    // The dimension a Cabrillo 3 tag ("category-mode", any case) names; null for none.
    const CategoryDimension* dimensionOfTag(std::string_view tag) const;
    // The dimension and value a word of a header spells ("SO", "low", "A-CW"); null for none.
    std::pair<const CategoryDimension*, const CategoryValue*> valueOf(std::string_view word) const;

private:
    std::vector<CategoryDimension> m_dimensions;
    std::vector<CategoryEntry> m_entries;
};

// The ZELK contest's table as JSON: what the committee starts from when it sets its own.
std::string_view DefaultCategoryTableJson();

// Why a header's or a form's category could not be taken as it stands.
struct CategoryProblem {
    enum class Kind {
        unknownValue,  // a word no value of the contest is spelled as ("40M", "SUPER-OP")
        unknownTag,    // a CATEGORY-... line of no Cabrillo kind ("CATEGORY-OPERATR")
        conflict,      // two lines give one dimension different values
        missing,       // a dimension the log must give and does not
        noEntry,       // the values are known, but no category of the contest has them
        notOffered,    // the form's value is not a category of the contest
        tooManyLines,  // more category lines than are read
    };
    Kind kind;
    std::string line;       // the header line, made printable and short; empty for the form
    std::string value;      // the word (unknownValue, conflict, notOffered) or the values (noEntry)
    std::string other;      // conflict: the value given before
    std::string dimension;  // missing, conflict: the dimension's key
};

enum class CategorySource { none, header, form };

struct CategoryMatch {
    const CategoryEntry* entry = nullptr;  // null: no category
    CategorySource source = CategorySource::none;
    std::vector<CategoryProblem> problems;
};

// At most this many category lines of a header are read, and this many words of a line.
inline constexpr std::size_t kMaxCategoryLines = 32;
inline constexpr std::size_t kMaxCategoryWords = 16;

// The entry that a log header's category lines (LogHeader::categoryLines, e.g. "CATEGORY: SO ALL
// LOW" or "CATEGORY-MODE: CW") name. Case and blanks do not matter ("single op" = "SINGLE-OP").
// Lines of Cabrillo 3 kinds the table has no dimension for (CATEGORY-STATION, ...) are left
// aside. A word or tag that is not understood, a conflict or a missing value is named, and then
// no entry is taken.
CategoryMatch MatchHeaderCategory(const CategoryTable& table, const std::vector<std::string>& categoryLines);

// The category of an upload: the form's choice when it gives one (an entry's id, else the
// problem notOffered and no entry), else the header's as MatchHeaderCategory gives it.
CategoryMatch ResolveCategory(const CategoryTable& table, const std::vector<std::string>& categoryLines,
                              std::string_view formValue);
