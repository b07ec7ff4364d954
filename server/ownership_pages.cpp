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

std::string SubmissionStateNotice(const Submission& s, Language language) {
    switch (s.state) {
        case SubmissionState::pending: return Text("state.pending", language, {{"call", s.call}});
        case SubmissionState::rejected: return Text("state.rejected", language, {{"call", s.call}});
        case SubmissionState::replaced: return Text("state.replaced", language, {{"call", s.call}});
        case SubmissionState::counted: return {};
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

std::string ReceiptOwnershipHtml(const ContestView& contest, const Receipt& receipt, Language language) {
    const Submission& s = receipt.submission;
    std::string html;
    if (const std::string notice = SubmissionStateNotice(s, language); !notice.empty())
        html += std::string("<p class=\"") + (s.state == SubmissionState::replaced ? "warn" : "error") + " state\">" +
                Escaped(notice) + "</p>\n";
    const bool owner = s.state == SubmissionState::counted || s.state == SubmissionState::replaced;
    if (owner && receipt.pendingOfCall > 0)
        html += "<p class=\"warn\">" +
                Escaped(Text("state.pending_of_call", language,
                             {{"count", Number(static_cast<std::int64_t>(receipt.pendingOfCall))}, {"call", s.call}})) +
                "</p>\n";
    if (OffersCorrection(contest, s))
        html += "<p>" + Text("correction.offer", language) + " <a href=\"#corrected\">" +
                Text("correction.offer_link", language) + "</a> " + Text("correction.offer_until", language) + "</p>\n";
    return html;
}

std::string CorrectedLogFormHtml(const ContestView& contest, const Receipt& receipt, Language language) {
    const Submission& s = receipt.submission;
    if (!OffersCorrection(contest, s)) return {};
    const std::string secret = receipt.link.substr(receipt.link.rfind('/') + 1);
    return "<h2 id=\"corrected\">" + Text("correction.heading", language) +
           "</h2>\n<form class=\"box\" method=\"post\" action=\"/upload\" enctype=\"multipart/form-data\">\n"
           "<input type=\"hidden\" name=\"receipt\" value=\"" +
           Escaped(secret) + "\">\n<p>" + Escaped(Text("correction.explain", language, {{"call", s.call}})) +
           "</p>\n<label>" + Text("correction.file", language, {{"size", FormatBytes(contest.maxUploadBytes, language)}}) +
           " <input type=\"file\" name=\"log\"></label>\n<label>" + Text("upload.paste", language) +
           "<br><textarea name=\"text\"></textarea></label>\n<label>" + Text("category.label", language) + ": " +
           CategorySelectHtml(contest, s.categoryEntry, language) + "</label>\n<label>" +
           Text("correction.email", language) + " <input type=\"email\" name=\"email\" size=\"40\"></label>\n"
           "<button type=\"submit\">" + Text("correction.submit", language) + "</button>\n</form>\n";
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
