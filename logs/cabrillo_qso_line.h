#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "logs/log_reader.h"

// One Cabrillo QSO line (the text after "QSO:"), read by what its fields are:
//   freq mode date time [own-call] [rst-sent] [exch-sent] call [rst-rcvd] [exch-rcvd] [transmitter]
// Loggers leave a field out where the operator entered nothing, so the worked call is found as
// the call-shaped field after the sent part (RSTs, serials and district codes are not
// call-shaped), a lone field beside it is an RST when it has an RST's shape, else an exchange,
// and a single digit after the received exchange is the transmitter of a 3.0 log. A line that
// cannot be read that way gives the reason it is skipped; fields are never shifted.
// `digitalMode`, when not empty, is the contest mode taken for the code DG.
std::variant<LogQso, std::string> ParseCabrilloQso(std::string_view fields, std::size_t line, std::string_view digitalMode);
