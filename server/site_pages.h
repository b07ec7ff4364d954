#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/site_store.h"
#include "server/text_catalog.h"
#include "server/upload_check.h"

// The site's HTML pages: plain HTML and one style sheet, no script. Every text that came from a
// log or a client is escaped here.

struct ContestView {
    std::string name;  // "ZELK contest"
    std::string start, end;  // "2017-05-05 21:00" (UTC)
    std::int64_t deadline = 0;
    bool open = true;  // uploads are taken
    std::int64_t now = 0;
    std::size_t maxUploadBytes = 0;
    std::vector<std::pair<std::string, std::string>> categories;  // the table's entries: id, human name
};

// A <select name="category"> of the contest's categories, `chosen` preselected; the first choice
// leaves it to the log's header.
std::string CategorySelectHtml(const ContestView& contest, const std::string& chosen);

struct Receipt {
    Submission submission;
    std::string link;  // "/receipt/<secret>"
    std::string fullLink;  // "https://logs.example.org/receipt/<secret>"
    std::optional<std::int64_t> replaced;  // the earlier submission this one replaced
    bool replacedLater = false;  // a later upload replaced this one
    std::optional<std::string> ubnLink;  // once a run that scored it is published
    std::size_t pendingOfCall = 0;  // uploads for its call without its receipt, waiting for the committee
    std::string categoryName;  // the entry's human name; empty: none
    std::vector<std::string> categoryProblems;  // what in the header's category lines maps to no entry
};

// The site's frame around a page's body, with its lang attribute and texts in `language`.
std::string PageShell(const std::string& title, const std::string& body, Language language = Language::english);
extern const char* const kStyleSheet;

std::string ContestPage(const ContestView& contest);
std::string ReceiptPage(const ContestView& contest, const Receipt& receipt, const UploadCheck& check, bool fresh);
std::string RefusalPage(const std::string& reason, const std::string& detail);
// `categoryNames`: entry id -> human name. QSO counts and claimed scores only when `showCounts`.
std::string ReceivedPage(const ContestView& contest, const std::vector<Submission>& active, bool published,
                         const std::map<std::string, std::string>& categoryNames, bool showCounts);
std::string NoResultsPage();
// The "lost my receipt link" form, with the answer to the last request when there is one.
std::string LostLinkPage(const std::string& answer);
std::string MessagePage(const std::string& title, const std::string& text);

// The check details and the summary, as the receipt and the committee show them.
std::string CheckDetailsHtml(const UploadCheck& check);
std::string Escaped(const std::string& text);

// Parts of pages, for the page builders of each concern.
std::string Row(std::initializer_list<std::string> cells, const char* tag = "td");  // cells as given: escape them first
std::string Number(std::int64_t value);
std::string CsrfField(const std::string& csrf);
std::string FormatBytes(std::size_t bytes);
std::string TimeLeft(std::int64_t seconds);
