#include "server/category_texts.h"

namespace {

std::string DimensionName(const CategoryTable& table, const std::string& key, Language language) {
    for (const CategoryDimension& dimension : table.dimensions())
        if (dimension.key == key) return table.name(dimension, LanguageCode(language));
    return key;
}

}  // namespace

std::string DescribeCategoryProblem(const CategoryTable& table, const CategoryProblem& problem, Language language) {
    using Kind = CategoryProblem::Kind;
    switch (problem.kind) {
        case Kind::unknownValue:
            return Text("category.unknown_value", language, {{"line", problem.line}, {"value", problem.value}});
        case Kind::unknownTag:
            return Text("category.unknown_tag", language, {{"line", problem.line}, {"value", problem.value}});
        case Kind::conflict:
            return Text("category.conflict", language,
                        {{"line", problem.line}, {"value", problem.value}, {"other", problem.other}});
        case Kind::missing:
            return Text("category.missing", language, {{"dimension", DimensionName(table, problem.dimension, language)}});
        case Kind::noEntry:
            return Text("category.no_entry", language, {{"values", problem.value}});
        case Kind::notOffered:
            return Text("category.not_offered", language, {{"value", problem.value}});
        case Kind::tooManyLines:
            return Text("category.too_many_lines", language, {{"count", problem.value}});
    }
    return {};
}

std::string CategoryName(const CategoryTable& table, const CategoryEntry* entry, Language language) {
    return entry ? table.name(*entry, LanguageCode(language)) : Text("category.none", language);
}
