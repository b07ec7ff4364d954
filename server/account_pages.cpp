#include "server/account_pages.h"

#include "server/site_pages.h"

std::string AccountSectionsHtml(const std::vector<MemberRecord>& members, const std::vector<ApiTokenRecord>& tokens,
                                const std::string& self, const std::string& csrf, Language language) {
    const auto say = [&](const char* key) { return Escaped(Text(key, language)); };
    const std::string csrfField = CsrfField(csrf);
    std::string html = "<h2>" + say("desk.accounts.members") + "</h2>\n<div class=\"scroll\"><table class=\"members\">\n" +
                       Row({say("desk.login.member"), say("desk.accounts.since"), ""}, "th");
    for (const MemberRecord& member : members) {
        std::string action;
        if (member.user == self)
            action = say("desk.accounts.you");
        else if (members.size() > 1)
            action = "<form class=\"inline\" method=\"post\" action=\"/committee/members/remove\">" + csrfField +
                     "<input type=\"hidden\" name=\"user\" value=\"" + Escaped(member.user) +
                     "\"><button type=\"submit\">" + say("desk.accounts.remove") + "</button></form>";
        html += Row({Escaped(member.user), member.createdAt > 0 ? FormatUnixUtc(member.createdAt) : "", action});
    }
    html += "</table></div>\n<form class=\"box\" method=\"post\" action=\"/committee/members\">" + csrfField + "<label>" +
            say("desk.accounts.new_member") + " <input name=\"user\" maxlength=\"32\"></label><label>" +
            Escaped(Text("desk.accounts.new_password", language, {{"count", std::to_string(MemberAccounts::kShortestPassword)}})) +
            " <input type=\"password\" name=\"password\" autocomplete=\"new-password\"></label><button type=\"submit\">" +
            say("desk.accounts.add") + "</button></form>\n";

    html += "<h2>" + say("desk.accounts.your_password") + "</h2>\n<form class=\"box\" method=\"post\" action=\"/committee/password\">" +
            csrfField + "<label>" + say("desk.accounts.current") +
            " <input type=\"password\" name=\"old\" autocomplete=\"current-password\"></label><label>" + say("desk.accounts.new") +
            " <input type=\"password\" name=\"new\" autocomplete=\"new-password\"></label><label>" + say("desk.accounts.repeat") +
            " <input type=\"password\" name=\"repeat\" autocomplete=\"new-password\"></label><button type=\"submit\">" +
            say("desk.accounts.change") + "</button> " + say("desk.accounts.change_note") + "</form>\n";

    html += "<h2>" + say("desk.accounts.tokens") + "</h2>\n<div class=\"scroll\"><table class=\"tokens\">\n" +
            Row({say("desk.col.id"), say("desk.login.member"), say("desk.accounts.made"), say("desk.accounts.expires"), ""}, "th");
    for (const ApiTokenRecord& token : tokens)
        html += Row({Number(token.id), Escaped(token.user), FormatUnixUtc(token.createdAt), FormatUnixUtc(token.expiresAt),
                     "<form class=\"inline\" method=\"post\" action=\"/committee/tokens/" + Number(token.id) + "/revoke\">" +
                         csrfField + "<button type=\"submit\">" + say("desk.accounts.revoke") + "</button></form>"});
    if (tokens.empty()) html += "<tr><td colspan=\"5\">" + say("desk.accounts.no_token") + "</td></tr>\n";
    html += "</table></div>\n<form class=\"box\" method=\"post\" action=\"/committee/token\">" + csrfField + "<label>" +
            Escaped(Text("desk.accounts.valid_for", language, {{"longest", std::to_string(MemberAccounts::kLongestTokenDays)}})) +
            " <input name=\"days\" value=\"" + std::to_string(MemberAccounts::kDefaultTokenDays) +
            "\" size=\"4\"></label><button type=\"submit\">" + say("desk.accounts.make_token") + "</button> " +
            say("desk.accounts.shown_once") + "</form>\n";
    return html;
}
