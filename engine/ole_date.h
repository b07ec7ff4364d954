#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The host's automation date: days since 30 December 1899 (the fraction is the time of day)
// followed by a status word. Laid out as the host passes it: the DATE at offset 0, the status
// at offset 8, 16 bytes in all.
struct OleDateTime {
    enum Status : std::int32_t { valid = 0, invalid = 1, null = 2 };

    double m_dt = 0.0;
    std::int32_t m_status = valid;
    std::int32_t m_padding = 0;
};
static_assert(sizeof(OleDateTime) == 16);

// Equality of the removal match: equal statuses, and equal DATE values when both are valid.
// Two null values are equal; two invalid values are never equal.
bool SameDateTime(const OleDateTime& a, const OleDateTime& b);

// Formats with the strftime codes %d %m %Y %y %H %M %S %j %%; other characters are copied.
// An invalid status, or a DATE outside years 100..9999, gives "Invalid DateTime"; a null status
// gives the empty text.
std::string FormatOleDate(const OleDateTime& value, std::string_view format);

// Builds a valid date-time from calendar fields (used by tests and the host simulator).
OleDateTime MakeOleDate(int year, unsigned month, unsigned day, unsigned hour = 0,
                        unsigned minute = 0, unsigned second = 0);
