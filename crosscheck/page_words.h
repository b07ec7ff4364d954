#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

// The words of the results tables and of a log's report, so a site can show them in its visitor's
// language. Numbers, calls, category names and the plug-in's own summaries stay as they are.
// A pattern's {1}, {2}, ... take the values Filled() is given, in that order; a language may leave
// one out (Ukrainian needs no singular/plural word for "line").
struct PageWords {
    // The results tables.
    std::string logsChecked;       // {1} logs, {2} QSOs
    std::string periodAndWindow;   // {1} start, {2} end, {3} minutes
    std::string bustedCallRule;
    std::string nilCostsPenalty;   // {1} QSO points
    std::string nilCostsItsPoints;
    std::string uniquesLoseCredit;
    std::string uniquesKeepCredit;
    std::string noCategory;
    std::string rank, call, report, reportPage, reportText;
    std::array<std::string, 11> figureNames;
    std::string logsNotScored, file, reason;

    // A log's report.
    std::string logFile;           // {1} file, {2} format, {3} QSOs, {4} skipped, {5} lineOne/lineMany
    std::string lineOne, lineMany;
    std::string ownCallFromFileName;  // {1} call
    std::string category;          // {1} category
    std::string nilPenalty;        // {1} points, {2} NILs, {3} checked score
    std::string notInLog, bustedCalls, bustedExchanges, uniques, notCheckable, dupes, rejected, outsidePeriod;
    std::string removedWithPenalty;  // {1} QSO points
    std::string notChecked, counted, removed;
    std::string loggedCorrect;     // {1} logged call, {2} correct call, {3} the slip
    std::string receivedSent;      // {1} received, {2} the partner's call, {3} what the partner sent
    std::string sentReceived;      // {1} sent, {2} received
    std::string qsosPerHour, claimedScore, checkedScore;
    std::string line, time, band, mode;
    std::string skippedLines;      // {1} lines

    static const PageWords& English();
    static const PageWords& Ukrainian();
};

std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> values);
