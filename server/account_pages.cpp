#include "server/account_pages.h"

#include "server/site_pages.h"

std::string AccountSectionsHtml(const std::vector<MemberRecord>& members, const std::vector<ApiTokenRecord>& tokens,
                                const std::string& self, const std::string& csrf) {
    const std::string csrfField = CsrfField(csrf);
    std::string html = "<h2>Members</h2>\n<table class=\"members\">\n" + Row({"Member", "Since (UTC)", ""}, "th");
    for (const MemberRecord& member : members) {
        std::string action;
        if (member.user == self)
            action = "you";
        else if (members.size() > 1)
            action = "<form class=\"inline\" method=\"post\" action=\"/committee/members/remove\">" + csrfField +
                     "<input type=\"hidden\" name=\"user\" value=\"" + Escaped(member.user) +
                     "\"><button type=\"submit\">Remove</button></form>";
        html += Row({Escaped(member.user), member.createdAt > 0 ? FormatUnixUtc(member.createdAt) : "", action});
    }
    html += "</table>\n<form class=\"box\" method=\"post\" action=\"/committee/members\">" + csrfField +
            "<label>New member: <input name=\"user\" maxlength=\"32\"></label>"
            "<label>Password (at least " + std::to_string(MemberAccounts::kShortestPassword) +
            " characters): <input type=\"password\" name=\"password\" autocomplete=\"new-password\"></label>"
            "<button type=\"submit\">Add the member</button></form>\n";

    html += "<h2>Your password</h2>\n<form class=\"box\" method=\"post\" action=\"/committee/password\">" + csrfField +
            "<label>Current password: <input type=\"password\" name=\"old\" autocomplete=\"current-password\"></label>"
            "<label>New password: <input type=\"password\" name=\"new\" autocomplete=\"new-password\"></label>"
            "<label>New password again: <input type=\"password\" name=\"repeat\" autocomplete=\"new-password\"></label>"
            "<button type=\"submit\">Change the password</button> (every session of yours ends; API tokens stay)</form>\n";

    html += "<h2>API tokens</h2>\n<table class=\"tokens\">\n" + Row({"No.", "Member", "Made (UTC)", "Expires (UTC)", ""}, "th");
    for (const ApiTokenRecord& token : tokens)
        html += Row({Number(token.id), Escaped(token.user), FormatUnixUtc(token.createdAt), FormatUnixUtc(token.expiresAt),
                     "<form class=\"inline\" method=\"post\" action=\"/committee/tokens/" + Number(token.id) + "/revoke\">" +
                         csrfField + "<button type=\"submit\">Revoke</button></form>"});
    if (tokens.empty()) html += "<tr><td colspan=\"5\">No live token.</td></tr>\n";
    html += "</table>\n<form class=\"box\" method=\"post\" action=\"/committee/token\">" + csrfField +
            "<label>Valid for <input name=\"days\" value=\"" + std::to_string(MemberAccounts::kDefaultTokenDays) +
            "\" size=\"4\"> days (1 to " + std::to_string(MemberAccounts::kLongestTokenDays) +
            ")</label><button type=\"submit\">Make a new API token</button> (shown once)</form>\n";
    return html;
}
