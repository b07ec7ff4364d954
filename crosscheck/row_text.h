#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Pieces of the per-QSO rows of the reports, appended in place: a committee's run writes millions
// of rows, so no piece makes a string of its own.

// CsvText(text) appended: quoted when needed, a leading = + - @ kept as text with an apostrophe.
void AppendCsvText(std::string& out, std::string_view text);

// A QSO's time as the reports write it, "2017-05-05 2110", from its whole seconds since the host's
// date epoch (CrossQso::seconds): the same text as FormatOleDate(time, "%Y-%m-%d %H%M").
void AppendLogTime(std::string& out, std::int64_t seconds);

void AppendNumber(std::string& out, std::uint64_t value);
