#pragma once

#include <string>
#include <vector>

#include "server/log_ownership.h"
#include "server/site_pages.h"

// What the pages say about who a call's log belongs to: the sender's notice and the form for a
// corrected log on the receipt, the uploads waiting for the committee, a call's history with the
// committee's decisions.

// The sender's notice for an upload that does not count (pending, rejected, replaced); empty when it counts.
std::string SubmissionStateNotice(const Submission& submission, Language language = Language::english);
// " (pending)", " (replaced by 7)", ... for the committee's list of submissions.
std::string SubmissionStateNote(const Submission& submission);

// The receipt's notice of where the upload stands; empty when it counts.
std::string ReceiptOwnershipHtml(const ContestView& contest, const Receipt& receipt, Language language);
// For its call's owner while logs are taken: the form that sends a corrected log with the receipt's secret.
std::string CorrectedLogFormHtml(const ContestView& contest, const Receipt& receipt, Language language);

std::string PendingSectionHtml(const std::vector<Submission>& pending, const std::string& csrf, Language language);

struct CallHistoryView {
    Submission shown;
    UploadCheck check;
    std::vector<Submission> history;  // oldest first
    std::vector<AuditEntry> actions;  // oldest first
    CallStanding standing = CallStanding::scored;
    std::string csrf;
};
std::string CallHistoryPage(const CallHistoryView& view, Language language);
