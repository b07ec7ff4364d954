#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "crosscheck/contest_categories.h"
#include "server/site_store.h"
#include "server/text_catalog.h"
#include "server/upload_check.h"

// The contest's period and category table as the committee set them on its page (the settings
// contest_start, contest_end and category_table), else as the command line gave them. The
// uploads' checks and forms, the receipts and the cross-check's results use what is set here.
class ContestSetup {
public:
    static constexpr std::size_t kLargestTableJson = 64 * 1024;

    // `commandLineTable`: the --categories table and its JSON; null: the ZELK table.
    ContestSetup(SiteStore& store, ContestRules commandLine,
                 std::shared_ptr<const CategoryTable> commandLineTable, std::string commandLineTableJson);
    ContestSetup(const ContestSetup&) = delete;
    ContestSetup& operator=(const ContestSetup&) = delete;

    // The table in use. The reference stays valid while the setup lives (a request that holds it
    // while the committee sets another one keeps reading the one it took).
    const CategoryTable& categories() const;
    ContestRules rules() const;
    std::string tableJson() const;
    bool tableIsDefault() const;
    std::map<std::string, std::string> categoryNames() const;  // entry id -> English name

    // Sets the period ("YYYY-MM-DD HH:MM", UTC) and the table (its JSON; empty: the command line's
    // table); the reason, in `language`, when they cannot be used (then nothing changes).
    std::string set(const std::string& start, const std::string& end, const std::string& tableJson,
                    const std::string& who, Language language);

private:
    std::string take(const std::string& start, const std::string& end, const std::string& tableJson,
                     Language language);

    SiteStore& m_store;
    const std::string m_defaultJson;
    mutable std::mutex m_mutex;
    std::deque<CategoryTable> m_tables;  // every table set, kept: see categories()
    const CategoryTable* m_table = nullptr;
    ContestRules m_rules;
    std::string m_tableJson;  // empty: the default table
};

// The deepest nesting of arrays and objects in a JSON text (strings skipped), counted without
// parsing it, so that a hostile text is refused before a parser recurses into it.
std::size_t JsonNestingDepth(std::string_view json);
