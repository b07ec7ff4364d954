#pragma once

#include <httplib.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "server/mail_queue.h"
#include "server/site_pages.h"
#include "server/submission_query.h"
#include "server/text_catalog.h"

// The committee's pages of its own (the submissions' search, the mail queue, the message to the
// participants, the contest's category table and period), in the member's language. Every text
// from a log, a participant or a member is escaped; every form carries the CSRF token.

struct SubmissionsView {
    SubmissionQuery query;
    SubmissionPage found;
    std::vector<std::pair<std::string, std::string>> categories;  // entry id, human name
    std::map<std::string, std::string> standings;                 // call -> "check log", "disqualified"
};
// The search form, the table and its page links; `action` is the page the form and links go to.
std::string SubmissionsSectionHtml(const SubmissionsView& view, Language language);
std::string SubmissionsPage(const SubmissionsView& view, Language language);
// The found submissions as CSV (UTF-8 with a byte-order mark, CRLF line ends, RFC 4180 quoting);
// texts that a spreadsheet would take for a formula are kept as texts.
std::string SubmissionsCsv(const SubmissionsView& view);

struct MailView {
    MailQueueCounts counts;
    std::vector<QueuedMail> mails;  // newest first, without their text and attachment
    std::string state;              // the filter: "", "waiting", "sent", "failed"
    bool relay = false;             // the site has a mail relay
    std::string notice;
    std::string csrf;
};
std::string MailPage(const MailView& view, Language language);

struct MessageFormView {
    std::vector<std::pair<std::string, std::string>> categories;  // entry id, human name
    std::int64_t recipientsOfAll = 0;                             // distinct addresses of the counted logs
    std::string subject, text, audience;  // as sent, when the form comes back with an error
    std::string error;
    std::string csrf;
};
std::string MessageFormPage(const MessageFormView& view, Language language);

struct ContestSetupView {
    std::string start, end;  // "2017-05-05 21:00"
    std::string tableJson;
    bool isDefault = true;
    std::string error;  // why what was sent was not taken
    std::string csrf;
    std::vector<std::pair<std::string, std::string>> categories;  // the table in use: id, name
};
std::string ContestSetupPage(const ContestSetupView& view, Language language);

// A page of one message (the catalog's texts of `titleKey` and `textKey`) in the request's language.
std::string DeskMessagePage(const httplib::Request& req, const char* titleKey, const char* textKey);

// The committee's links between its pages.
std::string CommitteeNavHtml(Language language);

std::string LoginPage(const std::string& error, Language language = Language::english);

struct CommitteeView {
    ContestView contest;
    std::string user;
    std::string csrf;
    std::string submissionsHtml;  // the newest submissions with the search form
    std::vector<CrossCheckRecord> runs;
    bool jobRunning = false;
    std::string jobStage;
    std::size_t jobDone = 0, jobTotal = 0;
    std::vector<AuditEntry> audit;
    std::string notice;                // e.g. a new API token, shown once
    std::string pendingHtml;           // the uploads waiting for the committee's decision
    std::string accountsHtml;          // members, password change, API tokens
    std::string mailHtml;              // the mail queue's state
    bool receivedShowsCounts = false;  // /received shows QSO counts and claimed scores
};
std::string CommitteePage(const CommitteeView& view, Language language);
