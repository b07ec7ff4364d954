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
    std::string name;  // "ZELK"
    std::string start, end;  // "2017-05-05 21:00" (UTC)
    std::int64_t deadline = 0;
    bool open = true;  // uploads are taken
    std::int64_t now = 0;
    std::size_t maxUploadBytes = 0;
    std::vector<std::pair<std::string, std::string>> categories;  // the table's entries: id, human name
    bool resultsPublished = false;
};

// A <select name="category"> of the contest's categories, `chosen` preselected; the first choice
// leaves it to the log's header.
std::string CategorySelectHtml(const ContestView& contest, const std::string& chosen,
                               Language language = Language::english);

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

// What the frame of a page needs of its request: the visitor's language and the page's own path,
// where the language switch returns to.
struct PageFrame {
    Language language = Language::english;
    std::string path = "/";
};

// The site's frame around a page's body: its lang attribute, the navigation and the language switch.
std::string PageShell(const std::string& title, const std::string& body, const PageFrame& frame);
std::string PageShell(const std::string& title, const std::string& body, Language language = Language::english);
extern const char* const kStyleSheet;

std::string MessagePage(const std::string& title, const std::string& text);
std::string MessagePage(const std::string& title, const std::string& text, const PageFrame& frame);

// The contest's period and deadline with the time left.
std::string ContestFacts(const ContestView& contest, Language language = Language::english);

// The check details and the summary, as the receipt and the committee show them.
std::string CheckDetailsHtml(const UploadCheck& check, Language language = Language::english);
std::string Escaped(const std::string& text);

// Parts of pages, for the page builders of each concern.
std::string Row(std::initializer_list<std::string> cells, const char* tag = "td");  // cells as given: escape them first
std::string Number(std::int64_t value);
std::string CsrfField(const std::string& csrf);
std::string FormatBytes(std::size_t bytes, Language language = Language::english);
std::string TimeLeft(std::int64_t seconds, Language language = Language::english);
