#pragma once

#include <string>
#include <string_view>

// A copy of text with every occurrence of `from` replaced by `to`. The search goes on after each
// inserted text, so a replacement that contains `from` cannot loop. An empty `from` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Multi-line header values on one ini line: CR is kept as "<CR>", LF as "<LF>".
std::string EscapeLineBreaks(std::string_view text);
std::string UnescapeLineBreaks(std::string_view text);

// A multi-line value as the Cabrillo file wants it: each later line introduced by its tag again,
// e.g. "line 1\r\nADDRESS: line 2" for the tag "ADDRESS: ".
std::string ContinuationForm(std::string_view text, std::string_view tag);

// The Cabrillo file's name without ".cbr", from the own call sign: "/", "\" and every other
// character Windows does not allow in a file name become "_", white space is trimmed at both ends,
// "NEMB" stands for an empty result, and a device name ("CON", "CONIN$", "COM1", a COM or LPT
// name with a superscript digit ...) gets "_" after it.
std::string CabrilloFileBaseName(std::string_view callsign);
