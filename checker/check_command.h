#pragma once

#include <iosfwd>

#include "engine/platform.h"

// Exit codes of zelk-check.
enum CheckExitCode : int { kLogClean = 0, kLogHasFindings = 1, kUnusable = 2 };

// The whole program: parses the command line, checks the log, writes the outputs, prints the
// summary to `out` and the messages to `err`. District codes are upper-cased with `upperCase`, as
// the plug-in on the same platform does it. Never throws.
int ZelkCheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  UpperCaseText upperCase = AsciiUpperCase);
