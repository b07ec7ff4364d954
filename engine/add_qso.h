#pragma once

#include <string>
#include <string_view>

#include "engine/contest_state.h"
#include "engine/file_store.h"
#include "engine/qso_input.h"

// Checks a logged QSO against the contest rules and stores it with its flags; every finding
// goes to the bad-QSO file. Returns 0 when the QSO was rejected (band, mode, exchange) and 1
// when it was stored, duplicates and unknown districts included.
int AddQsoToLog(ContestState& state, const QsoInput& qso, FileStore& files);

// A received district code as the list holds it: white space trimmed, upper-cased in the
// platform's code page.
std::string CleanDistrictCode(std::string_view exchange, UpperCaseText upperCase = AsciiUpperCase);

// The country prefixes merged into one country ("IT9", "IG9" become "I").
std::string_view StoredCountry(std::string_view country);
