#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <optional>

#include "logs/log_reader.h"

// Whether the QSO lines of a log carry the 3.0 transmitter column, as decided from the whole log.
enum class TransmitterColumn {
    // Not known of the log as a whole: a single digit 0 or 1 is the transmitter only where the line
    // has no room left for it as an exchange.
    perLine,
    // Every QSO line ends in one: the last field is the transmitter, whatever stands before it.
    everyLine,
    // The header names a transmitter category but not every line has the column: a line ending in
    // 0 or 1 that could be read either way is not clear.
    unclear,
};

// How the QSO lines of one log are read.
struct CabrilloLineRules {
    // The contest mode taken for the code DG; empty: DG lines are skipped.
    std::string_view digitalMode;
    TransmitterColumn transmitter = TransmitterColumn::perLine;
};

// One QSO line read, with what was assumed to read it.
struct CabrilloLineReading {
    LogQso qso;
    bool modeName = false;   // the mode column holds a mode's name ("SSB"), not its code ("PH")
    bool megahertz = false;  // the frequency was written in MHz ("3.526")
};

// One Cabrillo QSO line (the text after "QSO:"), read by what its fields are:
//   freq mode date time [own-call] [rst-sent] [exch-sent] call [rst-rcvd] [exch-rcvd] [transmitter]
// Loggers leave a field out where the operator entered nothing, so the worked call is found as
// the call-shaped field after the sent part (RSTs, serials and district codes are not
// call-shaped), a lone field beside it is an RST when it has an RST's shape, else an exchange,
// and the transmitter column is read as `rules` says. A line that cannot be read that way gives
// the reason it is skipped; fields are never shifted. A frequency under 30 that lies in an amateur
// band once taken as MHz is read as MHz: no band lies below 30 kHz.
// The line read goes into `reading`, whose texts keep their memory from the line before (a reader
// passes the same one for every line); nothing but the reason when the line is skipped.
std::optional<std::string> ParseCabrilloQso(std::string_view fields, std::size_t line, const CabrilloLineRules& rules,
                                            CabrilloLineReading& reading);

// The last blank-separated field of a QSO line's text.
std::string_view LastField(std::string_view fields);
// Whether a field is a 3.0 transmitter number.
bool IsTransmitterField(std::string_view field);
