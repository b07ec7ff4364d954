#include "server/submission_query.h"

#include <algorithm>
#include <cctype>

#include "server/http_replies.h"

namespace {

struct SortColumn {
    const char* name;  // the query's word
    const char* sql;   // what the statement sorts by
};

// The only texts of a search that become part of its SQL.
constexpr SortColumn kSortColumns[] = {
    {"id", "id"},
    {"call", "call"},
    {"category", "category_entry"},
    {"received", "received_at"},
    {"qsos", "qsos_read"},
    {"claimed", "claimed_score"},
    {"findings", "COALESCE(json_extract(check_json, '$.findingsTotal'), 0)"},
    {"email", "email"},
    {"state", "state"},
};

std::string UpperCall(const std::string& text) {
    std::string call;
    for (const char c : text) {
        if (call.size() >= SubmissionQuery::kLongestCallSearch) break;
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-') call += static_cast<char>(std::toupper(byte));
    }
    return call;
}

// A category id as the tables write them: letters, digits, '-', '_', at most 64.
std::string CategoryId(const std::string& text) {
    if (text.size() > 64) return {};
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return {};
    return text;
}

std::string UrlEncoded(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '/') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

}  // namespace

const std::vector<std::string>& SubmissionQueryStates() {
    static const std::vector<std::string> states = {"counted",  "replaced",  "pending",
                                                    "rejected", "check log", "disqualified"};
    return states;
}

const std::vector<std::string>& SubmissionQueryColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (const SortColumn& column : kSortColumns) names.emplace_back(column.name);
        return names;
    }();
    return columns;
}

SubmissionQuery SubmissionQuery::From(const std::function<std::string(const char*)>& value) {
    SubmissionQuery query;
    query.call = UpperCall(value("call"));
    query.category = CategoryId(value("category"));
    const auto& states = SubmissionQueryStates();
    if (const std::string state = value("state");
        std::find(states.begin(), states.end(), state) != states.end())
        query.state = state;
    const auto& columns = SubmissionQueryColumns();
    if (const std::string sort = value("sort");
        std::find(columns.begin(), columns.end(), sort) != columns.end()) {
        query.sort = sort;
        query.descending = false;  // a column chosen sorts up unless asked otherwise
    }
    const std::string direction = value("dir");
    if (direction == "asc") query.descending = false;
    if (direction == "desc") query.descending = true;
    query.page = ParseNumber(value("page"), 1, 1'000'000'000).value_or(1);
    query.pageSize = ParseNumber(value("per_page"), 1, kLargestPageSize).value_or(kDefaultPageSize);
    return query;
}

std::string SubmissionQuery::parametersWith(const std::string& sortColumn, bool sortDescending,
                                            std::int64_t pageNumber) const {
    std::string text;
    const auto add = [&](const char* name, const std::string& value) {
        if (value.empty()) return;
        text += (text.empty() ? "" : "&") + std::string(name) + "=" + UrlEncoded(value);
    };
    add("call", call);
    add("category", category);
    add("state", state);
    add("sort", sortColumn == "id" ? "" : sortColumn);
    const bool defaultDirection = sortColumn == "id" ? sortDescending : !sortDescending;
    add("dir", defaultDirection ? "" : sortDescending ? "desc" : "asc");
    add("per_page", pageSize == kDefaultPageSize ? "" : std::to_string(pageSize));
    add("page", pageNumber <= 1 ? "" : std::to_string(pageNumber));
    return text;
}

std::string SubmissionQuery::parameters() const { return parametersWith(sort, descending, page); }

SubmissionPage FindSubmissions(SiteStore& store, SubmissionQuery query, bool wholeResult) {
    std::string where = "WHERE 1";
    std::vector<std::string> texts;  // bound in order
    if (!query.call.empty()) {
        where += " AND call LIKE ? ESCAPE '\\'";
        std::string pattern = "%";
        for (const char c : query.call) {
            if (c == '%' || c == '_' || c == '\\') pattern += '\\';
            pattern += c;
        }
        texts.push_back(pattern + "%");
    }
    if (!query.category.empty()) {
        where += " AND category_entry = ?";
        texts.push_back(query.category == "none" ? std::string() : query.category);
    }
    if (query.state == "check log" || query.state == "disqualified") {
        where += " AND call IN (SELECT call FROM call_standing WHERE standing = ?)";
        texts.push_back(query.state);
    } else if (!query.state.empty()) {
        where += " AND state = ?";
        texts.push_back(query.state);
    }
    const char* sortSql = "id";
    for (const SortColumn& column : kSortColumns)
        if (query.sort == column.name) sortSql = column.sql;
    const std::string order = std::string(" ORDER BY ") + sortSql + (query.descending ? " DESC" : " ASC") +
                              ", id" + (query.descending ? " DESC" : " ASC");

    return store.withDatabase([&](Database& db) {
        SubmissionPage page;
        {
            Statement count = db.prepare("SELECT COUNT(*) FROM submissions " + where);
            for (std::size_t i = 0; i < texts.size(); ++i) count.bind(static_cast<int>(i + 1), texts[i]);
            count.step();
            page.total = count.integer(0);
        }
        const std::int64_t size = wholeResult ? std::max<std::int64_t>(page.total, 1) : query.pageSize;
        page.pages = std::max<std::int64_t>(1, (page.total + size - 1) / size);
        page.page = wholeResult ? 1 : std::min(query.page, page.pages);
        Statement select = db.prepare(std::string("SELECT ") + kSubmissionColumns + " FROM submissions " +
                                      where + order + " LIMIT ? OFFSET ?");
        int index = 1;
        for (const std::string& text : texts) select.bind(index++, text);
        select.bind(index++, size);
        select.bind(index, (page.page - 1) * size);
        while (select.step()) page.rows.push_back(SubmissionOfRow(select));
        return page;
    });
}
