#pragma once

#include <string>
#include <string_view>

// A value as one line of a line-based file (Cabrillo, ini, bad-QSO file): control characters
// other than the tab can neither end the line nor hide in it. Those at either end are dropped and
// each run of them inside becomes one blank, so "UR5AB\r\n" stays "UR5AB" and a forged second
// line stays visible on the first. Any other text, tabs and blanks included, is kept as it is.
std::string SingleLine(std::string_view text);
