#include "server/language_switch.h"

#include <algorithm>

#include "server/http_replies.h"

namespace {

constexpr std::size_t kLongestBack = 300;

bool PathCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '_' ||
           c == '.' || c == '-';
}

}  // namespace

std::string LocalPathOr(std::string_view back, std::string_view fallback) {
    const bool local = !back.empty() && back.size() <= kLongestBack && back.front() == '/' && !back.starts_with("//") &&
                       std::all_of(back.begin(), back.end(), PathCharacter);
    return std::string(local ? back : fallback);
}

std::string LanguageSwitchLink(Language language, std::string_view path) {
    return "/language/" + std::string(LanguageCode(language)) + "?back=" + LocalPathOr(path);
}

std::string LanguageCookie(Language language, bool secure) {
    return std::string(kLanguageCookie) + "=" + std::string(LanguageCode(language)) +
           "; Path=/; Max-Age=31536000; HttpOnly; SameSite=Lax" + (secure ? "; Secure" : "");
}

void AddLanguageRoutes(httplib::Server& http, std::function<bool(const httplib::Request&)> overTls) {
    http.Get("/language/(en|uk)", [overTls](const httplib::Request& req, httplib::Response& res) {
        const Language language = req.matches[1] == "uk" ? Language::ukrainian : Language::english;
        res.set_header("Set-Cookie", LanguageCookie(language, overTls(req)));
        res.set_redirect(LocalPathOr(req.get_param_value("back")), 303);
    });
}
