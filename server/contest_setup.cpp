#include "server/contest_setup.h"

#include "checker/command_values.h"

std::size_t JsonNestingDepth(std::string_view json) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (const char c : json) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
        if ((c == ']' || c == '}') && depth > 0) --depth;
    }
    return deepest;
}

ContestSetup::ContestSetup(SiteStore& store, ContestRules commandLine,
                           std::shared_ptr<const CategoryTable> commandLineTable,
                           std::string commandLineTableJson)
    : m_store(store),
      m_defaultJson(commandLineTable ? std::move(commandLineTableJson)
                                     : std::string(DefaultCategoryTableJson())),
      m_rules(std::move(commandLine)) {
    m_tables.push_back(commandLineTable ? *commandLineTable : CategoryTable::Default());
    m_table = &m_tables.back();
    // What the committee set before; a setting this program can no longer read leaves the command line's.
    const auto start = m_store.setting("contest_start"), end = m_store.setting("contest_end");
    const std::string table = m_store.setting("category_table").value_or("");
    if (start && end) take(*start, *end, table, Language::english);
}

const CategoryTable& ContestSetup::categories() const {
    std::lock_guard lock(m_mutex);
    return *m_table;
}

ContestRules ContestSetup::rules() const {
    std::lock_guard lock(m_mutex);
    return m_rules;
}

std::string ContestSetup::tableJson() const {
    std::lock_guard lock(m_mutex);
    return m_tableJson.empty() ? m_defaultJson : m_tableJson;
}

bool ContestSetup::tableIsDefault() const {
    std::lock_guard lock(m_mutex);
    return m_tableJson.empty();
}

std::map<std::string, std::string> ContestSetup::categoryNames() const {
    const CategoryTable& table = categories();
    std::map<std::string, std::string> names;
    for (const CategoryEntry& entry : table.entries()) names[entry.id] = table.name(entry, "en");
    return names;
}

std::string ContestSetup::take(const std::string& start, const std::string& end, const std::string& tableJson,
                               Language language) {
    OleDateTime from, to;
    try {
        from = ParseDateOption(start, "start");
        to = ParseDateOption(end, "end");
    } catch (const Unusable&) {
        return Text("desk.contest.bad_date", language);
    }
    if (from.m_dt >= to.m_dt) return Text("desk.contest.start_after_end", language);
    if (to.m_dt - from.m_dt > 31) return Text("desk.contest.too_long", language);
    std::optional<CategoryTable> table;
    if (!tableJson.empty()) {
        if (tableJson.size() > kLargestTableJson)
            return Text("desk.contest.table_too_large", language,
                        {{"count", std::to_string(kLargestTableJson / 1024)}});
        if (JsonNestingDepth(tableJson) > 16) return Text("desk.contest.table_too_deep", language);
        try {
            table = CategoryTable::FromJson(tableJson);
        } catch (const CategoryTableError& error) {
            return Text("desk.contest.table_unusable", language, {{"reason", error.what()}});
        }
        if (table->entries().empty()) return Text("desk.contest.table_empty", language);
    }
    std::lock_guard lock(m_mutex);
    m_rules.start = from;
    m_rules.end = to;
    if (!table) {
        m_table = &m_tables.front();
    } else if (tableJson != m_tableJson) {
        m_tables.push_back(std::move(*table));
        m_table = &m_tables.back();
    }
    m_tableJson = tableJson;
    return {};
}

std::string ContestSetup::set(const std::string& start, const std::string& end, const std::string& tableJson,
                              const std::string& who, Language language) {
    std::string json;  // as the file would hold it: a browser's text field sends CR LF
    for (const char c : tableJson)
        if (c != '\r') json += c;
    if (json.find_first_not_of(" \t\n") == std::string::npos || json == m_defaultJson) json.clear();
    if (std::string problem = take(start, end, json, language); !problem.empty()) return problem;
    const ContestRules now = rules();
    m_store.setSetting("contest_start", FormatMinute(now.start), who,
                       "contest period from " + FormatMinute(now.start));
    m_store.setSetting("contest_end", FormatMinute(now.end), who,
                       "contest period to " + FormatMinute(now.end));
    m_store.setSetting("category_table", json, who,
                       json.empty() ? "the default category table"
                                    : "a category table of " + std::to_string(categories().entries().size()) +
                                          " categories");
    return {};
}
