#include "crosscheck/row_text.h"

#include <charconv>
#include <chrono>
#include <limits>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

void AppendDigits(std::string& out, unsigned value, int width) {
    char digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<std::size_t>(width));
}

bool NeedsQuotes(std::string_view text) {
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

}  // namespace

void AppendCsvText(std::string& out, std::string_view text) {
    const bool formula = !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' || text[0] == '\t' || text[0] == '\r');
    if (!NeedsQuotes(text)) {
        if (formula) out += '\'';
        out.append(text);
        return;
    }
    out += '"';
    if (formula) out += '\'';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendLogTime(std::string& out, std::int64_t seconds) {
    static const std::chrono::sys_days kEpoch{std::chrono::year{1899} / 12 / 30};
    std::int64_t days = seconds / kSecondsPerDay, inDay = seconds % kSecondsPerDay;
    if (inDay < 0) {
        --days;
        inDay += kSecondsPerDay;
    }
    // Rows come a log at a time, most of a log's QSOs on one or two days: the date text is kept.
    thread_local std::int64_t lastDays = std::numeric_limits<std::int64_t>::min();
    thread_local std::string lastDate;
    if (days != lastDays) {
        lastDays = days;
        lastDate.clear();
        const std::chrono::year_month_day date{kEpoch + std::chrono::days{days}};
        const int year = static_cast<int>(date.year());
        if (year < 0) lastDate += '-';
        AppendNumber(lastDate, static_cast<std::uint64_t>(year < 0 ? -year : year));
        lastDate += '-';
        AppendDigits(lastDate, static_cast<unsigned>(date.month()), 2);
        lastDate += '-';
        AppendDigits(lastDate, static_cast<unsigned>(date.day()), 2);
        lastDate += ' ';
    }
    out += lastDate;
    AppendDigits(out, static_cast<unsigned>(inDay / 3600), 2);
    AppendDigits(out, static_cast<unsigned>(inDay / 60 % 60), 2);
}

void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}
