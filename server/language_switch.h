#pragma once

#include <httplib.h>

#include <string>
#include <string_view>

#include "server/text_catalog.h"

// The visitor's choice of language: GET /language/<en|uk>?back=<path> remembers it in the
// language cookie and returns to the page it was made on.

// `back` when it is a path of this site ("/receipt/ab12", "/results/"), else "/". Only letters,
// digits and "/_.-" are taken, and no "//" start: nothing can lead off the site or into a header.
std::string LocalPathOr(std::string_view back, std::string_view fallback = "/");

// "/language/uk?back=/received": the switch to `language` from the page at `path`.
std::string LanguageSwitchLink(Language language, std::string_view path);

// The Set-Cookie value that remembers `language` for a year.
std::string LanguageCookie(Language language, bool secure);

// The switch's route; `overTls` tells whether the cookie must be marked Secure.
void AddLanguageRoutes(httplib::Server& http, std::function<bool(const httplib::Request&)> overTls);
