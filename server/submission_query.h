#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "server/site_store.h"

// The committee's search of the submissions: by call, category and state, sorted by a column in
// either direction, a page at a time. Every value comes from a request's query and is checked
// here: an unknown column, state or page size gives the default, never an error, and nothing
// of it reaches SQL but through a bound parameter or a name from the lists below.
struct SubmissionQuery {
    static constexpr std::int64_t kDefaultPageSize = 50;
    static constexpr std::int64_t kLargestPageSize = 500;
    static constexpr std::size_t kLongestCallSearch = 32;

    std::string call;      // part of a call, upper case; empty: every call
    std::string category;  // an entry's id, "none" for the uploads without one; empty: every category
    std::string
        state;  // "counted", "replaced", "pending", "rejected", "check log", "disqualified"; empty: all
    std::string sort =
        "id";  // "id", "call", "category", "received", "qsos", "claimed", "findings", "email", "state"
    bool descending = true;
    std::int64_t page = 1;  // from 1
    std::int64_t pageSize = kDefaultPageSize;

    // From a request's parameters (`value` gives "" for one not sent).
    static SubmissionQuery From(const std::function<std::string(const char*)>& value);
    // The query as URL parameters ("call=UT&sort=call&dir=asc&page=2"), leaving out the defaults;
    // `sort`/`descending`/`page` in place of the query's own when given.
    std::string parameters() const;
    std::string parametersWith(const std::string& sortColumn, bool sortDescending,
                               std::int64_t pageNumber) const;
};

// The states a search can ask for, in the order the committee's form offers them.
const std::vector<std::string>& SubmissionQueryStates();
// The columns a search can sort by, in the order of the committee's table.
const std::vector<std::string>& SubmissionQueryColumns();

struct SubmissionPage {
    std::vector<Submission> rows;
    std::int64_t total = 0;  // every submission the search finds
    std::int64_t page = 1;   // the page shown: the query's, or the last one when it asked for more
    std::int64_t pages = 1;
};

// One page of the search; `wholeResult`: every submission found, on one page (the CSV export).
SubmissionPage FindSubmissions(SiteStore& store, SubmissionQuery query, bool wholeResult = false);
