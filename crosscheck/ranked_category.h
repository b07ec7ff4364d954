#pragma once

#include "crosscheck/contest_categories.h"
#include "crosscheck/cross_log.h"

// The category a log is ranked in: an entry of the contest's table, by its id and human name,
// in place of the log's own category headers (the results group the logs by it). Null: none,
// and the log is ranked among those without a category.
void RankInCategory(CrossLog& log, const CategoryTable& table, const CategoryEntry* entry);

// The entry that the log's own category headers name in the table; null when they name none.
const CategoryEntry* HeaderCategoryOf(const CrossLog& log, const CategoryTable& table);
