#pragma once

#include <map>
#include <string>
#include <vector>

#include "server/site_pages.h"

// The participant's pages, in the visitor's language (the frame's): the contest and its upload
// form, the receipt, a refused upload, the logs received, the lost-link form and the results.

std::string ContestPage(const ContestView& contest, const PageFrame& frame);
std::string ReceiptPage(const ContestView& contest, const Receipt& receipt, const UploadCheck& check, bool fresh,
                        const PageFrame& frame);
std::string RefusalPage(const std::string& reason, const std::string& detail, const PageFrame& frame);
// `categoryNames`: entry id -> human name. QSO counts and claimed scores only when `showCounts`.
std::string ReceivedPage(const ContestView& contest, const std::vector<Submission>& active,
                         const std::map<std::string, std::string>& categoryNames, bool showCounts, const PageFrame& frame);
// The "lost my receipt link" form, with the answer to the last request when there is one.
std::string LostLinkPage(const std::string& answer, const PageFrame& frame);

std::string NoResultsPage(const PageFrame& frame);
// The published results: `tablesHtml` as the cross-check wrote them for the site, with a note that
// each log's report reaches only its sender when `reportsPublic` is false.
std::string ResultsPage(const std::string& tablesHtml, std::int64_t publishedAt, bool reportsPublic,
                        const PageFrame& frame);

// One log's report (UBN) as the cross-check wrote it for the site, with the link to its plain text.
std::string ReportPage(const std::string& call, const std::string& sectionsHtml, const std::string& textLink,
                       const PageFrame& frame);
