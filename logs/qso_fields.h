#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/ole_date.h"

// Field conversions shared by the log readers.

// The band a logger names for a frequency in kHz ("160m", "80m", "40m", "20m", ...); empty
// outside the amateur bands.
std::string_view BandOfKHz(double kHz);

// The lower edge of a band named as BandOfKHz names it, in whole kHz (1800 for "160m"), as
// contest loggers write the frequency of a QSO logged by its band alone.
std::optional<unsigned> BandLowerEdgeKHz(std::string_view band);

// The contest mode name of a Cabrillo mode code (the reverse of the Cabrillo writer's table), or
// "FM", a single mode outside the contest; nothing for a code that names no single mode (DG, ??).
std::optional<std::string_view> ModeOfCabrilloCode(std::string_view code);

// The contest mode a mode name stands for where a log writes names instead of Cabrillo codes
// ("SSB", "USB", "RTTY", "PSK31", "MFSK16", in any case); nothing for other names.
std::optional<std::string_view> ContestModeOfName(std::string_view name);

// Whether an ADIF MODE names digital modes in general, as some loggers write it ("DIGI", "DATA",
// "DG"): no single contest mode.
bool IsAnyDigitalMode(std::string_view adifMode);

// A frequency in Hz as kHz for a message: "3525", "3525.12", "25.5".
std::string FormatKHz(unsigned hertz);

// The contest mode name of an ADIF MODE and SUBMODE (PSK + PSK31 is BPSK31, MFSK + MFSK16 is
// MFSK, ...). A mode outside the contest keeps its own name (SUBMODE, else MODE, in capitals), so
// the add path finds it a wrong mode as it does for the host; empty only without MODE.
std::string ModeOfAdif(std::string_view mode, std::string_view submode);

// "UR" for a Ukrainian call (EM-EO, UR-UZ), else its prefix up to the last digit ("DL1", "IT9").
// For a slashed call the location part counts (DL/UR5ABC is "DL"); /P, /M, /QRP and the like
// are dropped.
std::string CountryOfCall(std::string_view call);

// Whether a field has the shape of a call sign, as a log's RSTs, serials and district codes do
// not: letters, digits and slashes, with a part holding a letter and a digit and ending in a
// letter ("UR5ABC", "DL/UR5ABC/P", "4K0ABC", "EM1Q"; not "599", "001", "KI01", "ZH").
bool IsCallShaped(std::string_view field);

// Whether a field has the shape of a signal report for the contest mode: two digits for SSB,
// three for the others (readability 1-5, strength 1-9, tone 1-9).
bool IsReportShaped(std::string_view field, std::string_view mode);

// Date and time as logged: "yyyy-mm-dd" or "yyyymmdd", "hhmm" or "hhmmss". Nothing for a
// malformed or impossible value.
std::optional<OleDateTime> ParseLogDateTime(std::string_view date, std::string_view time);

std::string ToUpperAscii(std::string_view text);

// The text without the blanks and tabs at either end.
std::string_view TrimmedBlanks(std::string_view text);
