#pragma once

#include <ostream>

// zelk-crosscheck's command line. Exit codes as zelk-check's: 0 every log read whole, 1 some logs
// or lines were skipped, 2 nothing usable or the options cannot be used.
int CrossCheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
