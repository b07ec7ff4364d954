#include "server/ownership_pages.h"

namespace {

std::string PostButton(const std::string& action, const std::string& label, const std::string& csrf) {
    return "<form class=\"inline\" method=\"post\" action=\"" + Escaped(action) + "\">" + CsrfField(csrf) +
           "<button type=\"submit\">" + Escaped(label) + "</button></form>";
}

std::string SubmissionLink(std::int64_t id) {
    return "<a href=\"/committee/submissions/" + Number(id) + "\">" + Number(id) + "</a>";
}

// The committee's buttons for one upload of a call.
std::string DecisionButtons(const Submission& s, const std::string& csrf) {
    const std::string base = "/committee/submissions/" + Number(s.id);
    switch (s.state) {
        case SubmissionState::pending:
            return PostButton(base + "/accept", "Accept: count this log", csrf) + " " +
                   PostButton(base + "/reject", "Reject", csrf);
        case SubmissionState::replaced:
        case SubmissionState::rejected:
            return PostButton(base + "/restore", "Restore: count this log", csrf);
        case SubmissionState::counted:
            return {};
    }
    return {};
}

std::string HistoryStateText(const Submission& s) {
    if (s.state == SubmissionState::counted) return "<strong>counts</strong>";
    if (s.state == SubmissionState::replaced && s.replacedBy) return "replaced by " + Number(*s.replacedBy);
    return SubmissionStateName(s.state);
}

bool OffersCorrection(const ContestView& contest, const Submission& s) {
    return contest.open && (s.state == SubmissionState::counted || s.state == SubmissionState::replaced);
}

}  // namespace

std::string SubmissionStateNotice(const Submission& s) {
    switch (s.state) {
        case SubmissionState::pending:
            return "This log does not count (yet): a log for " + s.call +
                   " was received earlier, and this upload did not come with that log's receipt. It is kept for the "
                   "committee, who will accept or reject it. If you sent the earlier log, send your corrected log "
                   "from the earlier receipt's page (\"Send a corrected log\") instead.";
        case SubmissionState::rejected:
            return "The committee rejected this upload: the earlier log of " + s.call + " counts.";
        case SubmissionState::replaced:
            return "A later upload for " + s.call + " replaced this log for scoring.";
        case SubmissionState::counted:
            return {};
    }
    return {};
}

std::string SubmissionStateNote(const Submission& s) {
    switch (s.state) {
        case SubmissionState::pending: return " (pending)";
        case SubmissionState::rejected: return " (rejected)";
        case SubmissionState::replaced:
            return s.replacedBy ? " (replaced by " + Number(*s.replacedBy) + ")" : " (replaced)";
        case SubmissionState::counted: return {};
    }
    return {};
}

std::string ReceiptOwnershipHtml(const ContestView& contest, const Receipt& receipt) {
    const Submission& s = receipt.submission;
    std::string html;
    if (const std::string notice = SubmissionStateNotice(s); !notice.empty())
        html += std::string("<p class=\"") + (s.state == SubmissionState::replaced ? "warn" : "error") + " state\">" +
                Escaped(notice) + "</p>\n";
    const bool owner = s.state == SubmissionState::counted || s.state == SubmissionState::replaced;
    if (owner && receipt.pendingOfCall > 0)
        html += "<p class=\"warn\">" + Number(static_cast<std::int64_t>(receipt.pendingOfCall)) + " upload(s) for " +
                Escaped(s.call) + " came without this receipt: they wait for the committee's decision and do not " +
                "replace your log. If you did not send them, tell the committee.</p>\n";
    if (OffersCorrection(contest, s))
        html += "<p>Found a mistake? <a href=\"#corrected\">Send a corrected log</a> with this receipt until the "
                "deadline.</p>\n";
    return html;
}

std::string CorrectedLogFormHtml(const ContestView& contest, const Receipt& receipt) {
    const Submission& s = receipt.submission;
    std::string html;
    if (!OffersCorrection(contest, s)) return html;
    const std::string secret = receipt.link.substr(receipt.link.rfind('/') + 1);
    html += "<h2 id=\"corrected\">Send a corrected log</h2>\n<form class=\"box\" method=\"post\" action=\"/upload\" "
            "enctype=\"multipart/form-data\">\n<input type=\"hidden\" name=\"receipt\" value=\"" +
            Escaped(secret) + "\">\n<p>A log sent with this receipt replaces the log of " + Escaped(s.call) +
            " that counts now; without it, a new upload for " + Escaped(s.call) +
            " waits for the committee.</p>\n<label>Corrected log file (at most " + FormatBytes(contest.maxUploadBytes) +
            "): <input type=\"file\" name=\"log\"></label>\n<label>or paste the log here:<br>"
            "<textarea name=\"text\"></textarea></label>\n<label>Category: " +
            CategorySelectHtml(contest, s.categoryEntry) +
            "</label>\n<label>Your e-mail address (the receipt is e-mailed there): "
            "<input type=\"email\" name=\"email\" size=\"40\"></label>\n"
            "<button type=\"submit\">Send the corrected log</button>\n</form>\n";
    return html;
}

std::string PendingSectionHtml(const std::vector<Submission>& pending, const std::string& csrf) {
    if (pending.empty()) return "<h2>Pending uploads</h2>\n<p>None: every upload came from its call's owner.</p>\n";
    std::string html = "<h2>Pending uploads</h2>\n<p class=\"warn\">" + Number(static_cast<std::int64_t>(pending.size())) +
                       " upload(s) for a call that has a counted log came without that call's receipt. Accepting "
                       "one makes it count instead.</p>\n<table class=\"pending\">\n" +
                       Row({"No.", "Call", "Received (UTC)", "From", "QSOs", "Claimed", ""}, "th");
    for (const Submission& s : pending)
        html += Row({SubmissionLink(s.id), Escaped(s.call), FormatUnixUtc(s.receivedAt), Escaped(s.address),
                     Number(s.qsosRead), Number(s.claimedScore), DecisionButtons(s, csrf)});
    return html + "</table>\n";
}

std::string CallHistoryPage(const CallHistoryView& view) {
    const Submission& s = view.shown;
    std::string body = "<p><a href=\"/committee\">Back to the committee page</a></p>\n<table>\n" +
                       Row({"Submission", Number(s.id)}) + Row({"State", SubmissionStateName(s.state)}) +
                       Row({"Received", FormatUnixUtc(s.receivedAt)}) + Row({"From", Escaped(s.address)}) +
                       Row({"E-mail", Escaped(s.email)}) + Row({"SHA-256", "<code>" + Escaped(s.sha256) + "</code>"}) +
                       Row({"File", "<a href=\"/committee/submissions/" + Number(s.id) + "/file\">download (" +
                                        Number(s.size) + " bytes)</a>"}) +
                       "</table>\n";

    body += "<h2>History of " + Escaped(s.call) + "</h2>\n<p>The call's entry: <strong class=\"standing\">" +
            CallStandingName(view.standing) + "</strong></p>\n<table class=\"history\">\n" +
            Row({"No.", "Received (UTC)", "From", "QSOs", "Claimed", "State", ""}, "th");
    for (const Submission& h : view.history)
        body += Row({SubmissionLink(h.id), FormatUnixUtc(h.receivedAt), Escaped(h.address), Number(h.qsosRead),
                     Number(h.claimedScore),
                     HistoryStateText(h),
                     DecisionButtons(h, view.csrf)});
    body += "</table>\n";

    body += "<form class=\"box\" method=\"post\" action=\"/committee/submissions/" + Number(s.id) + "/standing\">" +
            CsrfField(view.csrf) + "<label>Rate the entry of " + Escaped(s.call) +
            ": <select name=\"standing\"><option value=\"scored\">scored</option>"
            "<option value=\"check log\">check log (matched, not ranked)</option>"
            "<option value=\"disqualified\">disqualified (matched, not ranked)</option></select></label>"
            "<label>Reason (recorded): <input name=\"reason\" size=\"50\" maxlength=\"500\"></label>"
            "<button type=\"submit\">Set</button></form>\n";

    body += "<h2>Actions on " + Escaped(s.call) + "</h2>\n";
    if (view.actions.empty()) {
        body += "<p>None yet.</p>\n";
    } else {
        body += "<table class=\"actions\">\n" + Row({"When (UTC)", "Who", "Action", "Detail"}, "th");
        for (const AuditEntry& entry : view.actions)
            body += Row({FormatUnixUtc(entry.at), Escaped(entry.who), Escaped(entry.action), Escaped(entry.detail)});
        body += "</table>\n";
    }
    body += "<h2>The check</h2>\n" + CheckDetailsHtml(view.check);
    return PageShell("Submission " + Number(s.id) + ": " + s.call, body);
}
