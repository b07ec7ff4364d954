#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ole_date.h"

// The contest the site collects logs for.
struct ContestRules {
    std::string districtList;  // bytes of zelk.txt
    OleDateTime start, end;
};

// A line the check names: a skipped line, a QSO outside the period, a finding of the add path.
struct Finding {
    std::size_t line = 0;
    std::string message;
};

// What the site tells a participant about an uploaded log at once.
struct UploadCheck {
    bool usable = false;
    std::string refusal;  // why the log cannot be used (then nothing else is set)

    std::string ownCall;
    std::string category;  // the CATEGORY lines, "; " between them; empty when none
    std::vector<std::string> categoryLines;  // the header's category lines as read
    std::string formatName;  // LogFormatName: "Cabrillo", "ADIF" or "ADIF XML (ADX)"
    std::size_t qsosRead = 0;
    std::size_t qsosScored = 0;  // taken into the log by the plug-in's add path
    std::size_t skippedLines = 0;
    std::size_t outsidePeriod = 0;
    std::int64_t claimedScore = 0;
    std::string summary;  // the plug-in's results summary, as text
    std::vector<Finding> findings;  // the first kFindingsShown, in file order
    std::size_t findingsTotal = 0;
    std::vector<std::string> warnings;  // what a submitter must see before anything else

    static constexpr std::size_t kFindingsShown = 200;
};

// Reads and checks the log with the plug-in's own rules, as zelk-check does. `scratchFolder`
// takes the plug-in's bad-QSO file while the check runs.
UploadCheck CheckUpload(std::string_view bytes, const ContestRules& rules, const std::filesystem::path& scratchFolder);

// "2017-05-05 21:00" of a date-time, and the same in seconds since 1970 and back.
std::string FormatMinute(const OleDateTime& time);
std::int64_t UnixSeconds(const OleDateTime& time);
OleDateTime OleOfUnix(std::int64_t seconds);
std::string FormatUnixUtc(std::int64_t seconds);  // "2017-05-05 21:00:07 UTC"
