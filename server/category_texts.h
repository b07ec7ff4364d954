#pragma once

#include <string>

#include "crosscheck/contest_categories.h"
#include "server/text_catalog.h"

// A category problem as the receipt and the form tell it, in `language`.
std::string DescribeCategoryProblem(const CategoryTable& table, const CategoryProblem& problem, Language language);

// The category's name in `language`; "not given" in that language for none.
std::string CategoryName(const CategoryTable& table, const CategoryEntry* entry, Language language);
