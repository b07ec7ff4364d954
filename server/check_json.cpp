#include "server/check_json.h"

#include "server/text_encoding.h"

using nlohmann::json;

// Every text of a log may hold bytes of any code page: each is made UTF-8 before it is JSON.
json CheckJson(const UploadCheck& check) {
    json findings = json::array();
    for (const Finding& finding : check.findings)
        findings.push_back({{"line", finding.line}, {"message", TextAsUtf8(finding.message)}});
    json categoryLines = json::array();
    for (const std::string& line : check.categoryLines) categoryLines.push_back(TextAsUtf8(line));
    json warnings = json::array();
    for (const std::string& warning : check.warnings) warnings.push_back(TextAsUtf8(warning));
    return {{"ownCall", TextAsUtf8(check.ownCall)},
            {"category", TextAsUtf8(check.category)},
            {"categoryLines", categoryLines},
            {"format", check.formatName},
            {"qsosRead", check.qsosRead},
            {"qsosScored", check.qsosScored},
            {"skippedLines", check.skippedLines},
            {"outsidePeriod", check.outsidePeriod},
            {"claimedScore", check.claimedScore},
            {"summary", TextAsUtf8(check.summary)},
            {"findings", findings},
            {"findingsTotal", check.findingsTotal},
            {"warnings", warnings}};
}

UploadCheck CheckOfJson(const std::string& text) { return CheckOfJson(json::parse(text, nullptr, false)); }

UploadCheck CheckOfJson(const json& j) {
    UploadCheck check;
    if (!j.is_object()) return check;
    check.usable = true;
    check.ownCall = j.value("ownCall", "");
    check.category = j.value("category", "");
    if (j.contains("categoryLines") && j["categoryLines"].is_array())
        for (const json& line : j["categoryLines"])
            if (line.is_string()) check.categoryLines.push_back(line.get<std::string>());
    check.formatName = j.value("format", "");
    check.qsosRead = j.value("qsosRead", std::size_t{0});
    check.qsosScored = j.value("qsosScored", std::size_t{0});
    check.skippedLines = j.value("skippedLines", std::size_t{0});
    check.outsidePeriod = j.value("outsidePeriod", std::size_t{0});
    check.claimedScore = j.value("claimedScore", std::int64_t{0});
    check.summary = j.value("summary", "");
    check.findingsTotal = j.value("findingsTotal", std::size_t{0});
    if (j.contains("findings"))
        for (const json& f : j["findings"]) check.findings.push_back({f.value("line", std::size_t{0}), f.value("message", "")});
    if (j.contains("warnings"))
        for (const json& w : j["warnings"]) check.warnings.push_back(w.get<std::string>());
    return check;
}
