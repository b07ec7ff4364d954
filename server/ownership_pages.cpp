#include "server/ownership_pages.h"

#include "server/committee_pages.h"

namespace {

std::string PostButton(const std::string& action, const std::string& label, const std::string& csrf) {
    return "<form class=\"inline\" method=\"post\" action=\"" + Escaped(action) + "\">" + CsrfField(csrf) +
           "<button type=\"submit\">" + Escaped(label) + "</button></form>";
}

std::string SubmissionLink(std::int64_t id) {
    return "<a href=\"/committee/submissions/" + Number(id) + "\">" + Number(id) + "</a>";
}

// The committee's buttons for one upload of a call.
std::string DecisionButtons(const Submission& s, const std::string& csrf, Language language) {
    const std::string base = "/committee/submissions/" + Number(s.id);
    switch (s.state) {
        case SubmissionState::pending:
            return PostButton(base + "/accept", Text("desk.history.accept", language), csrf) + " " +
                   PostButton(base + "/reject", Text("desk.history.reject", language), csrf);
        case SubmissionState::replaced:
        case SubmissionState::rejected:
            return PostButton(base + "/restore", Text("desk.history.restore", language), csrf);
        case SubmissionState::counted:
            return {};
    }
    return {};
}

std::string HistoryStateText(const Submission& s, Language language) {
    if (s.state == SubmissionState::counted) return "<strong>" + Escaped(Text("desk.state.counted", language)) + "</strong>";
    if (s.state == SubmissionState::replaced && s.replacedBy)
        return Escaped(Text("desk.state.replaced_by", language, {{"number", Number(*s.replacedBy)}}));
    return Escaped(Text(std::string("desk.state.") + SubmissionStateName(s.state), language));
}

std::string StandingText(CallStanding standing, Language language) {
    switch (standing) {
        case CallStanding::scored: return Text("desk.history.scored", language);
        case CallStanding::checkLog: return Text("desk.state.check log", language);
        case CallStanding::disqualified: return Text("desk.state.disqualified", language);
    }
    return {};
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

std::string PendingSectionHtml(const std::vector<Submission>& pending, const std::string& csrf, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    const std::string heading = "<h2>" + say("desk.pending.title") + "</h2>\n";
    if (pending.empty()) return heading + "<p>" + say("desk.pending.none") + "</p>\n";
    std::string html = heading + "<p class=\"warn\">" +
                       Escaped(Text("desk.pending.intro", language, {{"count", std::to_string(pending.size())}})) +
                       "</p>\n<div class=\"scroll\"><table class=\"pending\">\n" +
                       Row({say("desk.col.id"), say("desk.col.call"), say("desk.col.received"), say("desk.history.from"),
                            say("desk.col.qsos"), say("desk.col.claimed"), ""},
                           "th");
    for (const Submission& s : pending)
        html += Row({SubmissionLink(s.id), Escaped(s.call), FormatUnixUtc(s.receivedAt), Escaped(s.address),
                     Number(s.qsosRead), Number(s.claimedScore), DecisionButtons(s, csrf, language)});
    return html + "</table></div>\n";
}

std::string CallHistoryPage(const CallHistoryView& view, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    const Submission& s = view.shown;
    const std::string file = "/committee/submissions/" + Number(s.id) + "/file";
    std::string body = CommitteeNavHtml(language) + "<div class=\"scroll\"><table>\n" +
                       Row({say("desk.history.submission"), Number(s.id)}) +
                       Row({say("desk.col.state"), HistoryStateText(s, language)}) +
                       Row({say("desk.col.received"), FormatUnixUtc(s.receivedAt)}) + Row({say("desk.history.from"), Escaped(s.address)}) +
                       Row({say("desk.col.email"), Escaped(s.email)}) + Row({"SHA-256", "<code>" + Escaped(s.sha256) + "</code>"}) +
                       Row({say("desk.col.file"), "<a href=\"" + file + "\">" +
                                                     Escaped(Text("desk.history.download_bytes", language, {{"count", Number(s.size)}})) +
                                                     "</a>"}) +
                       "</table></div>\n";

    body += "<h2>" + Escaped(Text("desk.history.title", language, {{"call", s.call}})) + "</h2>\n<p>" +
            say("desk.history.standing") + " <strong class=\"standing\">" + Escaped(StandingText(view.standing, language)) +
            "</strong></p>\n<div class=\"scroll\"><table class=\"history\">\n" +
            Row({say("desk.col.id"), say("desk.col.received"), say("desk.history.from"), say("desk.col.email"), say("desk.col.qsos"),
                 say("desk.col.claimed"), say("desk.col.state"), say("desk.col.file"), ""},
                "th");
    for (const Submission& h : view.history)
        body += Row({SubmissionLink(h.id), FormatUnixUtc(h.receivedAt), Escaped(h.address), Escaped(h.email), Number(h.qsosRead),
                     Number(h.claimedScore), HistoryStateText(h, language),
                     "<a href=\"/committee/submissions/" + Number(h.id) + "/file\">" + say("desk.download") + "</a>",
                     DecisionButtons(h, view.csrf, language)});
    body += "</table></div>\n";

    body += "<form class=\"box\" method=\"post\" action=\"/committee/submissions/" + Number(s.id) + "/standing\">" +
            CsrfField(view.csrf) + "<label>" + Escaped(Text("desk.history.rate", language, {{"call", s.call}})) +
            " <select name=\"standing\"><option value=\"scored\">" + say("desk.history.scored") +
            "</option><option value=\"check log\">" + say("desk.history.check_log_long") +
            "</option><option value=\"disqualified\">" + say("desk.history.disqualified_long") +
            "</option></select></label><label>" + say("desk.history.reason") +
            " <input name=\"reason\" size=\"50\" maxlength=\"500\"></label><button type=\"submit\">" + say("desk.history.set") +
            "</button></form>\n";

    body += "<h2>" + Escaped(Text("desk.history.actions", language, {{"call", s.call}})) + "</h2>\n";
    if (view.actions.empty()) {
        body += "<p>" + say("desk.history.no_actions") + "</p>\n";
    } else {
        body += "<div class=\"scroll\"><table class=\"actions\">\n" +
                Row({say("desk.home.when"), say("desk.home.who"), say("desk.home.action"), say("desk.home.detail")}, "th");
        for (const AuditEntry& entry : view.actions)
            body += Row({FormatUnixUtc(entry.at), Escaped(entry.who), Escaped(entry.action), Escaped(entry.detail)});
        body += "</table></div>\n";
    }
    body += "<h2>" + say("desk.history.check") + "</h2>\n" + CheckDetailsHtml(view.check, language);
    return PageShell(Text("desk.history.page_title", language, {{"number", Number(s.id)}, {"call", s.call}}), body, language);
}
