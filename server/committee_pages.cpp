#include "server/committee_pages.h"

#include <nlohmann/json.hpp>

#include "crosscheck/escaping.h"
#include "server/http_replies.h"
#include "server/ownership_pages.h"

namespace {

std::string Option(const std::string& value, const std::string& label, const std::string& chosen) {
    return "<option value=\"" + Escaped(value) + "\"" + (value == chosen ? " selected" : "") + ">" +
           Escaped(label) + "</option>";
}

std::size_t FindingsOf(const Submission& s) {
    const nlohmann::json check = nlohmann::json::parse(s.checkJson, nullptr, false);
    if (!check.is_object()) return 0;
    const auto found = check.find("findingsTotal");
    return found != check.end() && found->is_number_unsigned() ? found->get<std::size_t>() : 0;
}

std::string CategoryNameOf(const SubmissionsView& view, const std::string& id) {
    for (const auto& [entry, name] : view.categories)
        if (entry == id) return name;
    return id;
}

// The state as the committee's table says it: the upload's, and the call's rating when it is not scored.
std::string StateText(const SubmissionsView& view, const Submission& s, Language language) {
    std::string text = Text(std::string("desk.state.") + SubmissionStateName(s.state), language);
    if (s.state == SubmissionState::replaced && s.replacedBy)
        text = Text("desk.state.replaced_by", language, {{"number", std::to_string(*s.replacedBy)}});
    if (const auto standing = view.standings.find(s.call); standing != view.standings.end())
        text +=
            "; " + Text(standing->second == "check log" ? "desk.state.check log" : "desk.state.disqualified",
                        language);
    return text;
}

constexpr const char* kColumnKeys[] = {"desk.col.id",       "desk.col.call",  "desk.col.category",
                                       "desk.col.received", "desk.col.qsos",  "desk.col.claimed",
                                       "desk.col.findings", "desk.col.email", "desk.col.state"};

std::string SortHeader(const SubmissionsView& view, std::size_t column, Language language) {
    const std::string& name = SubmissionQueryColumns()[column];
    const bool current = view.query.sort == name;
    // A click on the sorted column turns its direction; on another column it sorts up (the number: newest
    // first).
    const bool descending = current ? !view.query.descending : name == "id";
    std::string label = Escaped(Text(kColumnKeys[column], language));
    if (current) label += view.query.descending ? " &#9660;" : " &#9650;";
    return "<th><a href=\"/committee/submissions?" + Escaped(view.query.parametersWith(name, descending, 1)) +
           "\">" + label + "</a></th>";
}

std::string PageLinks(const SubmissionsView& view, Language language) {
    const SubmissionQuery& q = view.query;
    const std::int64_t page = view.found.page, pages = view.found.pages;
    const auto link = [&](std::int64_t target, const char* key) {
        return "<a href=\"/committee/submissions?" + Escaped(q.parametersWith(q.sort, q.descending, target)) +
               "\">" + Escaped(Text(key, language)) + "</a>";
    };
    std::string html = "<p class=\"pages\">";
    if (page > 1) html += link(1, "desk.page.first") + " " + link(page - 1, "desk.page.previous") + " ";
    html += Escaped(Text("desk.page.of", language,
                         {{"page", std::to_string(page)},
                          {"pages", std::to_string(pages)},
                          {"count", std::to_string(view.found.total)}}));
    if (page < pages) html += " " + link(page + 1, "desk.page.next") + " " + link(pages, "desk.page.last");
    return html + "</p>\n";
}

std::string MailStateText(const QueuedMail& mail, Language language) {
    if (mail.sentAt) return Text("desk.mail.state_sent", language, {{"time", FormatUnixUtc(*mail.sentAt)}});
    if (mail.failed) return Text("desk.mail.state_failed", language);
    if (mail.attempts > 0)
        return Text("desk.mail.state_retrying", language, {{"time", FormatUnixUtc(mail.nextAttemptAt)}});
    return Text("desk.mail.state_waiting", language);
}

}  // namespace

std::string DeskMessagePage(const httplib::Request& req, const char* titleKey, const char* textKey) {
    const Language language = PageLanguage(req);
    return PageShell(Text(titleKey, language), "<p>" + Escaped(Text(textKey, language)) + "</p>\n", language);
}

std::string CommitteeNavHtml(Language language) {
    return "<nav class=\"desk\"><a href=\"/committee\">" + Escaped(Text("desk.nav.committee", language)) +
           "</a> <a href=\"/committee/submissions\">" + Escaped(Text("desk.nav.submissions", language)) +
           "</a> <a href=\"/committee/message\">" + Escaped(Text("desk.nav.message", language)) +
           "</a> <a href=\"/committee/mail\">" + Escaped(Text("desk.nav.mail", language)) +
           "</a> <a href=\"/committee/contest\">" + Escaped(Text("desk.nav.contest", language)) +
           "</a></nav>\n";
}

std::string SubmissionsSectionHtml(const SubmissionsView& view, Language language) {
    const SubmissionQuery& q = view.query;
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    std::string html =
        "<form class=\"box search\" method=\"get\" action=\"/committee/submissions\">"
        "<label>" +
        say("desk.search.call") + " <input name=\"call\" size=\"12\" maxlength=\"32\" value=\"" +
        Escaped(q.call) + "\"></label> <label>" + say("desk.col.category") + " <select name=\"category\">" +
        Option("", Text("desk.search.any_category", language), q.category) +
        Option("none", Text("category.none", language), q.category);
    for (const auto& [id, name] : view.categories) html += Option(id, name, q.category);
    html += "</select></label> <label>" + say("desk.col.state") + " <select name=\"state\">" +
            Option("", Text("desk.search.any_state", language), q.state);
    for (const std::string& state : SubmissionQueryStates())
        html += Option(state, Text("desk.state." + state, language), q.state);
    html += "</select></label> <label>" + say("desk.search.per_page") + " <select name=\"per_page\">";
    for (const std::int64_t size : {25, 50, 100, 200, 500})
        html += Option(std::to_string(size), std::to_string(size), std::to_string(q.pageSize));
    html += "</select></label>";
    if (q.sort != "id") html += "<input type=\"hidden\" name=\"sort\" value=\"" + Escaped(q.sort) + "\">";
    html +=
        "<input type=\"hidden\" name=\"dir\" value=\"" + std::string(q.descending ? "desc" : "asc") + "\">";
    html += " <button type=\"submit\">" + say("desk.search.button") +
            "</button> <a href=\"/committee/submissions\">" + say("desk.search.clear") +
            "</a> <a href=\"/committee/submissions.csv?" +
            Escaped(q.parametersWith(q.sort, q.descending, 1)) + "\">" + say("desk.search.csv") +
            "</a></form>\n";

    html += PageLinks(view, language);
    html += "<div class=\"scroll\"><table class=\"submissions\">\n<tr>";
    for (std::size_t column = 0; column < SubmissionQueryColumns().size(); ++column)
        html += SortHeader(view, column, language);
    html += "<th>" + say("desk.col.file") + "</th></tr>\n";
    for (const Submission& s : view.found.rows) {
        const std::string id = Number(s.id), history = "/committee/submissions/" + id;
        html += std::string(s.state != SubmissionState::counted ? "<tr class=\"replaced\">" : "<tr>") +
                "<td><a href=\"" + history + "\">" + id + "</a></td><td><a href=\"" + history + "\">" +
                Escaped(s.call) + "</a></td><td>" +
                (s.categoryEntry.empty() ? "<em>" + say("category.none") + "</em>"
                                         : Escaped(CategoryNameOf(view, s.categoryEntry))) +
                (s.category.empty() ? std::string()
                                    : "<br><small class=\"lines\">" + Escaped(s.category) + "</small>") +
                "</td><td>" + FormatUnixUtc(s.receivedAt) + "</td><td class=\"n\">" + Number(s.qsosRead) +
                "</td><td class=\"n\">" + Number(s.claimedScore) + "</td><td class=\"n\">" +
                Number(static_cast<std::int64_t>(FindingsOf(s))) + "</td><td>" + Escaped(s.email) +
                "</td><td>" + Escaped(StateText(view, s, language)) + "</td><td><a href=\"" + history +
                "/file\">" + say("desk.download") + "</a></td></tr>\n";
    }
    if (view.found.rows.empty()) html += "<tr><td colspan=\"10\">" + say("desk.search.none") + "</td></tr>\n";
    html += "</table></div>\n";
    if (view.found.pages > 1) html += PageLinks(view, language);
    return html;
}

std::string SubmissionsPage(const SubmissionsView& view, Language language) {
    return PageShell(Text("desk.submissions.title", language),
                     CommitteeNavHtml(language) + SubmissionsSectionHtml(view, language), language);
}

std::string SubmissionsCsv(const SubmissionsView& view) {
    std::string csv =
        "\xEF\xBB\xBF"
        "No.,Call,Category id,Category,Category lines,Received (UTC),QSOs read,QSOs scored,Claimed score,"
        "Findings,E-mail,State,Standing,Replaced by,Format,File name,Size,SHA-256,From\r\n";
    for (const Submission& s : view.found.rows) {
        const auto standing = view.standings.find(s.call);
        csv += std::to_string(s.id) + "," + CsvText(s.call) + "," + CsvText(s.categoryEntry) + "," +
               CsvText(s.categoryEntry.empty() ? std::string() : CategoryNameOf(view, s.categoryEntry)) +
               "," + CsvText(s.category) + "," + FormatUnixUtc(s.receivedAt) + "," +
               std::to_string(s.qsosRead) + "," + std::to_string(s.qsosScored) + "," +
               std::to_string(s.claimedScore) + "," + std::to_string(FindingsOf(s)) + "," + CsvText(s.email) +
               "," + SubmissionStateName(s.state) + "," +
               (standing != view.standings.end() ? standing->second : "scored") + "," +
               (s.replacedBy ? std::to_string(*s.replacedBy) : std::string()) + "," + CsvText(s.format) +
               "," + CsvText(s.originalName) + "," + std::to_string(s.size) + "," + CsvText(s.sha256) + "," +
               CsvText(s.address) + "\r\n";
    }
    return csv;
}

std::string MailPage(const MailView& view, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    std::string body = CommitteeNavHtml(language);
    if (!view.notice.empty()) body += "<p class=\"ok\">" + Escaped(view.notice) + "</p>\n";
    body += "<p>" +
            Escaped(Text("desk.mail.counts", language,
                         {{"sent", std::to_string(view.counts.sent)},
                          {"waiting", std::to_string(view.counts.waiting)},
                          {"retrying", std::to_string(view.counts.retrying)},
                          {"failed", std::to_string(view.counts.failed)}})) +
            "</p>\n";
    if (!view.relay) body += "<p class=\"warn\">" + say("desk.mail.no_relay") + "</p>\n";
    body += "<p class=\"pages\">";
    for (const char* state : {"", "waiting", "sent", "failed"}) {
        const std::string label = Text(std::string("desk.mail.filter_") + (*state ? state : "all"), language);
        body += state == view.state ? "<strong>" + Escaped(label) + "</strong> "
                                    : "<a href=\"/committee/mail" + std::string(*state ? "?state=" : "") +
                                          state + "\">" + Escaped(label) + "</a> ";
    }
    body += "</p>\n<div class=\"scroll\"><table class=\"mail\">\n" +
            Row({say("desk.col.id"), say("desk.mail.to"), say("desk.mail.subject"), say("desk.mail.queued"),
                 say("desk.mail.attempts"), say("desk.col.state"), say("desk.mail.last_error"), ""},
                "th");
    for (const QueuedMail& mail : view.mails) {
        std::string action;
        if (mail.failed || (!mail.sentAt && mail.attempts > 0))
            action = "<form class=\"inline\" method=\"post\" action=\"/committee/mail/" + Number(mail.id) +
                     "/retry\">" + CsrfField(view.csrf) + "<button type=\"submit\">" +
                     say("desk.mail.retry") + "</button></form>";
        body += std::string(mail.failed ? "<tr class=\"failed\">" : "<tr>") + "<td>" + Number(mail.id) +
                "</td><td>" + Escaped(mail.message.to) + "</td><td>" + Escaped(mail.message.subject) +
                "</td><td>" + FormatUnixUtc(mail.createdAt) + "</td><td class=\"n\">" +
                Number(mail.attempts) + "</td><td>" + Escaped(MailStateText(mail, language)) + "</td><td>" +
                Escaped(mail.lastError) + "</td><td>" + action + "</td></tr>\n";
    }
    if (view.mails.empty()) body += "<tr><td colspan=\"8\">" + say("desk.mail.none") + "</td></tr>\n";
    body += "</table></div>\n";
    return PageShell(Text("desk.mail.title", language), body, language);
}

std::string MessageFormPage(const MessageFormView& view, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    std::string body = CommitteeNavHtml(language);
    if (!view.error.empty()) body += "<p class=\"error\">" + Escaped(view.error) + "</p>\n";
    body += "<p class=\"note\">" +
            Escaped(Text("desk.message.intro", language, {{"count", std::to_string(view.recipientsOfAll)}})) +
            "</p>\n";
    body +=
        "<form class=\"box\" method=\"post\" action=\"/committee/message\" enctype=\"multipart/form-data\">" +
        CsrfField(view.csrf) + "<label>" + say("desk.message.audience") + " <select name=\"audience\">" +
        Option("all", Text("desk.message.all", language), view.audience);
    for (const auto& [id, name] : view.categories) body += Option(id, name, view.audience);
    body += "</select></label><label>" + say("desk.message.subject") +
            "<br><input name=\"subject\" size=\"60\" maxlength=\"200\" required value=\"" +
            Escaped(view.subject) + "\"></label><label>" + say("desk.message.text") +
            "<br><textarea name=\"text\" class=\"message\" maxlength=\"20000\" required>" +
            Escaped(view.text) + "</textarea></label><button type=\"submit\">" + say("desk.message.send") +
            "</button></form>\n";
    return PageShell(Text("desk.message.title", language), body, language);
}

std::string ContestSetupPage(const ContestSetupView& view, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    std::string body = CommitteeNavHtml(language);
    if (!view.error.empty()) body += "<p class=\"error\">" + Escaped(view.error) + "</p>\n";
    body += "<p>" + say(view.isDefault ? "desk.contest.is_default" : "desk.contest.is_own") + "</p>\n";
    body += "<div class=\"scroll\"><table class=\"categories\">\n" +
            Row({say("desk.contest.id"), say("desk.col.category")}, "th");
    for (const auto& [id, name] : view.categories)
        body += Row({"<code>" + Escaped(id) + "</code>", Escaped(name)});
    body +=
        "</table></div>\n<form class=\"box\" method=\"post\" action=\"/committee/contest\" "
        "enctype=\"multipart/form-data\">" +
        CsrfField(view.csrf) + "<label>" + say("desk.contest.start") +
        " <input name=\"start\" size=\"16\" maxlength=\"16\" value=\"" + Escaped(view.start) +
        "\"></label><label>" + say("desk.contest.end") +
        " <input name=\"end\" size=\"16\" maxlength=\"16\" value=\"" + Escaped(view.end) +
        "\"></label><label>" + say("desk.contest.table") + "<br><textarea name=\"table\" class=\"table\">" +
        Escaped(view.tableJson) + "</textarea></label><p class=\"note\">" + say("desk.contest.table_note") +
        "</p><button type=\"submit\">" + say("desk.contest.save") +
        "</button></form>\n"
        "<form class=\"box\" method=\"post\" action=\"/committee/contest\">" +
        CsrfField(view.csrf) +
        "<input type=\"hidden\" name=\"default_table\" value=\"1\"><input type=\"hidden\" name=\"start\" "
        "value=\"" +
        Escaped(view.start) + "\"><input type=\"hidden\" name=\"end\" value=\"" + Escaped(view.end) +
        "\"><button type=\"submit\">" + say("desk.contest.use_default") + "</button></form>\n";
    return PageShell(Text("desk.contest.title", language), body, language);
}

namespace {

// A run's rules as the committee reads them.
std::string RulesText(const std::string& parametersJson, Language language) {
    const nlohmann::json p = nlohmann::json::parse(parametersJson, nullptr, false);
    if (!p.is_object()) return parametersJson;
    return Text(
        "desk.run.rules", language,
        {{"window", std::to_string(p.value("windowMinutes", 0))},
         {"busted",
          Text(p.value("bustedCalls", false) ? "desk.run.busted_yes" : "desk.run.busted_no", language)},
         {"penalty", std::to_string(p.value("nilPenalty", 0))},
         {"uniques", Text(p.value("removeUniques", false) ? "desk.run.uniques_lose" : "desk.run.uniques_keep",
                          language)},
         {"start", p.value("start", std::string())},
         {"end", p.value("end", std::string())}});
}

std::string RunStateText(const CrossCheckRecord& run, Language language) {
    std::string state = Text(run.state == RunState::running ? "desk.run.running"
                             : run.state == RunState::done  ? "desk.run.done"
                                                            : "desk.run.failed",
                             language);
    if (!run.error.empty()) state += ": " + run.error;
    return state;
}

}  // namespace

std::string LoginPage(const std::string& error, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    std::string body;
    if (!error.empty()) body += "<p class=\"error\">" + Escaped(error) + "</p>\n";
    body += "<form class=\"box\" method=\"post\" action=\"/committee/login\">\n<label>" +
            say("desk.login.member") +
            " <input name=\"user\" value=\"committee\" autocomplete=\"username\"></label>\n<label>" +
            say("desk.login.password") +
            " <input type=\"password\" name=\"password\" autocomplete=\"current-password\"></label>\n<button "
            "type=\"submit\">" +
            say("desk.login.button") + "</button>\n</form>\n";
    return PageShell(Text("desk.login.title", language), body, language);
}

std::string CommitteePage(const CommitteeView& view, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    const std::string csrf = CsrfField(view.csrf);
    const ContestView& contest = view.contest;
    std::string body = CommitteeNavHtml(language) + "<form method=\"post\" action=\"/committee/logout\">" +
                       csrf + Escaped(Text("desk.home.logged_in", language, {{"user", view.user}})) +
                       " <button type=\"submit\">" + say("desk.home.log_out") + "</button></form>\n";
    if (!view.notice.empty()) body += "<p class=\"ok\">" + Escaped(view.notice) + "</p>\n";
    std::string deadline = FormatUnixUtc(contest.deadline);
    if (contest.now < contest.deadline)
        deadline +=
            " (" +
            Escaped(Text("desk.home.left", language, {{"time", TimeLeft(contest.deadline - contest.now)}})) +
            ")";
    else
        deadline += " (" + say(contest.open ? "desk.home.passed_reopened" : "desk.home.passed") + ")";
    body +=
        "<dl class=\"facts\"><dt>" + say("desk.home.period") + "</dt><dd>" +
        Escaped(Text("desk.home.period_value", language, {{"start", contest.start}, {"end", contest.end}})) +
        " <a href=\"/committee/contest\">" + say("desk.home.change") + "</a></dd><dt>" +
        say("desk.home.deadline") + "</dt><dd>" + deadline + "</dd></dl>\n";
    body += view.mailHtml + view.pendingHtml;
    body += "<form class=\"box\" method=\"post\" action=\"/committee/deadline\">" + csrf + "<label>" +
            say("desk.home.move_deadline_to") + " <input name=\"deadline\" value=\"" +
            Escaped(FormatUnixUtc(contest.deadline).substr(0, 16)) + "\"></label> <button type=\"submit\">" +
            say("desk.home.move_deadline") +
            "</button></form>\n<form class=\"box\" method=\"post\" action=\"/committee/uploads\">" + csrf +
            (contest.now >= contest.deadline && contest.open
                 ? say("desk.home.reopened") +
                       " <input type=\"hidden\" name=\"open\" value=\"0\"><button type=\"submit\">" +
                       say("desk.home.close_uploads") + "</button>"
                 : "<input type=\"hidden\" name=\"open\" value=\"1\"><button type=\"submit\">" +
                       say("desk.home.reopen_uploads") + "</button>") +
            "</form>\n<form class=\"box\" method=\"post\" action=\"/committee/received-counts\">" + csrf +
            (view.receivedShowsCounts
                 ? say("desk.home.counts_shown") +
                       " <input type=\"hidden\" name=\"show\" value=\"0\"><button type=\"submit\">" +
                       say("desk.home.hide_counts") + "</button>"
                 : say("desk.home.counts_hidden") +
                       " <input type=\"hidden\" name=\"show\" value=\"1\"><button type=\"submit\">" +
                       say("desk.home.show_counts") + "</button>") +
            "</form>\n";

    body += "<h2>" + say("desk.home.crosscheck") + "</h2>\n";
    if (view.jobRunning)
        body += "<p class=\"warn\">" +
                Escaped(Text("desk.home.running", language,
                             {{"stage", view.jobStage},
                              {"done", std::to_string(view.jobDone)},
                              {"total", std::to_string(view.jobTotal)}})) +
                " <a href=\"/committee\">" + say("desk.home.refresh") + "</a></p>\n";
    else
        body += "<form class=\"box\" method=\"post\" action=\"/committee/crosscheck\">" + csrf + "<label>" +
                say("desk.home.window") + " <input name=\"window\" value=\"5\" size=\"4\"></label><label>" +
                say("desk.home.nil_penalty") +
                " <input name=\"nil_penalty\" value=\"0\" size=\"4\"></label>"
                "<label><input type=\"checkbox\" name=\"busted_calls\" value=\"1\" checked> " +
                say("desk.home.busted") +
                "</label><label><input type=\"checkbox\" name=\"remove_uniques\" value=\"1\"> " +
                say("desk.home.uniques") + "</label><button type=\"submit\">" + say("desk.home.run") +
                "</button></form>\n";
    body += "<div class=\"scroll\"><table class=\"runs\">\n" +
            Row({say("desk.run.run"), say("desk.run.started"), say("desk.run.by"), say("desk.col.state"),
                 say("desk.run.rules_head"), say("desk.run.results"), ""},
                "th");
    for (const CrossCheckRecord& run : view.runs) {
        const std::string id = Number(run.id);
        std::string results, action;
        if (run.state == RunState::done) {
            results = "<a href=\"/committee/runs/" + id + "/results.html\">" + say("desk.run.results_link") +
                      "</a>";
            action = run.publishedAt > 0
                         ? Escaped(Text("desk.run.published", language,
                                        {{"time", FormatUnixUtc(run.publishedAt)}}))
                         : "<form method=\"post\" action=\"/committee/runs/" + id + "/publish\">" + csrf +
                               "<button type=\"submit\">" + say("desk.run.publish") + "</button></form>";
        }
        body += Row({id, FormatUnixUtc(run.startedAt), Escaped(run.startedBy),
                     Escaped(RunStateText(run, language)), Escaped(RulesText(run.parametersJson, language)),
                     results, action});
    }
    body += "</table></div>\n";

    body += "<h2>" + say("desk.submissions.title") + "</h2>\n" + view.submissionsHtml;
    body += view.accountsHtml;
    body +=
        "<h2>" + say("desk.home.actions") + "</h2>\n<div class=\"scroll\"><table class=\"audit\">\n" +
        Row({say("desk.home.when"), say("desk.home.who"), say("desk.home.action"), say("desk.home.detail")},
            "th");
    for (const AuditEntry& entry : view.audit)
        body +=
            Row({FormatUnixUtc(entry.at), Escaped(entry.who), Escaped(entry.action), Escaped(entry.detail)});
    body += "</table></div>\n";
    return PageShell(Text("desk.home.title", language), body, language);
}
