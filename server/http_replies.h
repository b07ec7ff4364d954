#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/text_catalog.h"

// The site's answers and the reading of request fields, shared by its route groups.

inline void SendHtml(httplib::Response& res, int status, const std::string& html) {
    res.status = status;
    res.set_header("Vary", "Accept-Language, Cookie");  // the page's language is the visitor's
    res.set_content(html, "text/html; charset=utf-8");
}

inline void SendJson(httplib::Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "application/json");
}

// The value of cookie `name` in the request's Cookie header; empty when it has none.
inline std::string CookieValue(const httplib::Request& req, const std::string& name) {
    const std::string header = req.get_header_value("Cookie");
    std::size_t position = 0;
    while (position < header.size()) {
        std::size_t end = header.find(';', position);
        if (end == std::string::npos) end = header.size();
        std::string_view pair(header.data() + position, end - position);
        while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
        if (pair.starts_with(name + "=")) return std::string(pair.substr(name.size() + 1));
        position = end + 1;
    }
    return {};
}

// The cookie that remembers the language a visitor chose.
inline constexpr const char* kLanguageCookie = "lang";

// The language to answer a request in: the remembered choice, else the browser's.
inline Language PageLanguage(const httplib::Request& req) {
    return ChooseLanguage(CookieValue(req, kLanguageCookie), req.get_header_value("Accept-Language"));
}

inline bool IsApi(const httplib::Request& req) { return req.path.starts_with("/api/"); }

// A form field of an urlencoded or multipart request.
inline std::string Field(const httplib::Request& req, const std::string& name) {
    if (req.has_param(name.c_str())) return req.get_param_value(name.c_str());
    if (req.has_file(name.c_str())) return req.get_file_value(name.c_str()).content;
    return {};
}

inline std::optional<std::int64_t> ParseNumber(const std::string& text, std::int64_t low, std::int64_t high) {
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used);
        if (used != text.size() || value < low || value > high) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The JSON object of a request's body; a discarded value when the body is none.
inline nlohmann::json JsonBody(const httplib::Request& req) {
    return nlohmann::json::parse(req.body.empty() ? "{}" : req.body, nullptr, false);
}
