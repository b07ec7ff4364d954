#include "crosscheck/ranked_category.h"

void RankInCategory(CrossLog& log, const CategoryTable& table, const CategoryEntry* entry) {
    log.categories.clear();
    if (entry) log.categories.emplace_back(entry->id, table.name(*entry, "en"));
}

const CategoryEntry* HeaderCategoryOf(const CrossLog& log, const CategoryTable& table) {
    std::vector<std::string> lines;
    for (const auto& [tag, value] : log.categories) lines.push_back(tag + ": " + value);
    if (lines.empty()) return nullptr;
    return MatchHeaderCategory(table, lines).entry;
}
