#include "engine/ole_date.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kFirstValidDay = -657434.0;  // 1 January 100
constexpr double kPastLastValidDay = 2958466.0;  // 1 January 10000
constexpr std::int64_t kSecondsPerDay = 86400;

const std::chrono::sys_days kOleEpoch{std::chrono::year{1899} / 12 / 30};

struct CalendarTime {
    std::chrono::year_month_day date;
    int dayOfYear;
    int hour, minute, second;
};

// Negative DATE values count whole days back from the epoch but the fraction still runs forward
// through the day: -1.25 is 29 December 1899, 06:00.
bool ToCalendar(double dt, CalendarTime& out) {
    if (!std::isfinite(dt) || dt < kFirstValidDay || dt >= kPastLastValidDay) return false;
    double wholeDays = std::trunc(dt);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(dt - wholeDays) * kSecondsPerDay));
    auto days = static_cast<std::int64_t>(wholeDays);
    if (seconds >= kSecondsPerDay) {
        ++days;
        seconds -= kSecondsPerDay;
    }
    std::chrono::sys_days day = kOleEpoch + std::chrono::days{days};
    out.date = std::chrono::year_month_day{day};
    if (!out.date.ok() || static_cast<int>(out.date.year()) > 9999) return false;
    out.dayOfYear = static_cast<int>((day - std::chrono::sys_days{out.date.year() / 1 / 1}).count()) + 1;
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    return true;
}

void AppendNumber(std::string& out, int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    out += buffer;
}

}  // namespace

bool SameDateTime(const OleDateTime& a, const OleDateTime& b) {
    if (a.m_status != b.m_status) return false;
    if (a.m_status == OleDateTime::valid) return a.m_dt == b.m_dt;
    return a.m_status == OleDateTime::null;
}

std::string FormatOleDate(const OleDateTime& value, std::string_view format) {
    if (value.m_status == OleDateTime::null) return {};
    CalendarTime t{};
    if (value.m_status != OleDateTime::valid || !ToCalendar(value.m_dt, t)) return "Invalid DateTime";

    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        switch (format[++i]) {
            case 'd': AppendNumber(out, static_cast<int>(unsigned{t.date.day()}), 2); break;
            case 'm': AppendNumber(out, static_cast<int>(unsigned{t.date.month()}), 2); break;
            case 'Y': AppendNumber(out, static_cast<int>(t.date.year()), 1); break;
            case 'y': AppendNumber(out, static_cast<int>(t.date.year()) % 100, 2); break;
            case 'j': AppendNumber(out, t.dayOfYear, 3); break;
            case 'H': AppendNumber(out, t.hour, 2); break;
            case 'M': AppendNumber(out, t.minute, 2); break;
            case 'S': AppendNumber(out, t.second, 2); break;
            case '%': out += '%'; break;
            default:
                out += '%';
                out += format[i];
        }
    }
    return out;
}

OleDateTime MakeOleDate(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                        unsigned second) {
    using namespace std::chrono;
    sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    auto days = static_cast<double>((date - kOleEpoch).count());
    double fraction = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
    OleDateTime result;
    result.m_dt = days >= 0 ? days + fraction : days - fraction;
    return result;
}
