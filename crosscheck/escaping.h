#pragma once

#include <string>
#include <string_view>

#include "reports/html_text.h"

// One CSV field (RFC 4180): in quotes, with quotes doubled, when it holds a comma, a quote or a
// line break; as it is otherwise.
std::string CsvField(std::string_view text);

// A text from a log as a CSV field. A spreadsheet would run a field that starts with = + - @, tab or CR as
// a formula (so may one after a tab or a carriage return), so such a text is kept as text with a
// leading apostrophe.
std::string CsvText(std::string_view text);

// A text from a log or a file name for a message of one line: control characters as \n, \t or
// \xHH, and cut after `longest` characters with "..." (a CALLSIGN: line may be hundreds long).
std::string ShownText(std::string_view text, std::size_t longest = 24);
