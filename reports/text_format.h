#pragma once

#include <string>

// printf-style formatting into a string of any length; the report templates are printf formats.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
