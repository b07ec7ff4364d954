#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qso_input.h"

// Readers of contest logs, Cabrillo (2.0, 3.0) and ADIF (2, 3), tagged (ADI) or XML (ADX). They read a log piece by piece
// and hand on each QSO as it is read, so a log of any size takes the memory of one line or
// record: the caller keeps what it needs of a QSO and lets it go.

// One QSO read from a log file.
struct LogQso : QsoTexts {
    std::size_t line = 0;  // line of the QSO line (Cabrillo) or where the record starts (ADIF)
    bool timeHasSeconds = false;  // the time was written "hhmmss"; "hhmm" stands for a whole minute
    // myCall is the QSO's own call where the line or record gives one, else empty: the log's own
    // call (LogHeader::ownCall) stands for it.
};

// A line or record that was skipped, with the reason; or, as a note, something that was read
// with a stated assumption (a frequency taken from the band, an exchange split from its RST).
struct LogProblem {
    std::size_t line = 0;  // 0: the file as a whole
    std::string message;
};

// ADIF in either form: tagged text (.adi, `adif`) or XML (.adx, `adx`).
enum class LogFormat { unknown, cabrillo, adif, adx };

// What a log says about itself, apart from its QSOs.
struct LogHeader {
    LogFormat format = LogFormat::unknown;
    // CALLSIGN: (Cabrillo); STATION_CALLSIGN, else OPERATOR, of the first record that has one
    // (ADIF), so complete only once the whole log was read. Upper case; empty when not given.
    // Not checked: a caller refuses one longer than kMaxCallLength.
    std::string ownCall;
    // The Cabrillo header's CATEGORY-...: lines as written, without their line ends.
    std::vector<std::string> categoryLines;
    bool endOfLog = false;      // Cabrillo: the END-OF-LOG: line was there
    std::size_t xQsos = 0;      // Cabrillo: X-QSO: lines, QSOs the operator marked as not to be scored
};

// How to read what a log leaves open.
struct ReadOptions {
    // The contest mode of the Cabrillo code DG and of ADIF's MODE DIGI (any digital mode), for a
    // log whose operator worked one digital mode; empty: such lines and records are named and
    // skipped.
    std::string digitalMode;
};

// Receives what a reader finds, in file order.
class LogVisitor {
public:
    virtual ~LogVisitor() = default;
    virtual void qso(const LogQso& qso) = 0;
    // A line or record skipped; the message says why (e.g. "QSO line has 8 of 10 fields").
    virtual void problem(const LogProblem& problem) = 0;
    // A QSO read with an assumption that the operator should know of (said of the first only
    // where it would repeat for every QSO).
    virtual void note(const LogProblem&) {}
};

// Reads a log of any format from `input`, recognised from its first 64 KB: a Cabrillo log
// starts with "START-OF-LOG:" or has lines starting "QSO:"; ADIF has ADIF tags ("<EOH>",
// "<CALL:", "<EOR>", ...), whatever its header's prose says; ADX has the element <ADX>. A UTF-8 byte-order mark is skipped.
// A file that is neither (empty, UTF-16, binary) gives format unknown and one problem saying why.
// Binary: control bytes (under 0x20, but for tab, LF, FF and CR) are at least 4 of the first
// 4 KB and more than 1 in 16 of them. Fewer, such as a NUL byte or two, are damage to a text log:
// the line or record that holds them is named and skipped, wherever in the file it is.
LogHeader ReadContestLog(std::istream& input, LogVisitor& visitor, const ReadOptions& options = {});
LogHeader ReadCabrillo(std::istream& input, LogVisitor& visitor, const ReadOptions& options = {});
LogHeader ReadAdif(std::istream& input, LogVisitor& visitor, const ReadOptions& options = {});
LogHeader ReadAdx(std::istream& input, LogVisitor& visitor, const ReadOptions& options = {});

// Every QSO and problem of a log in memory, for small logs and tests.
struct LogContents : LogHeader {
    std::vector<LogQso> qsos;
    std::vector<LogProblem> problems;  // one per skipped line or record, in file order
    std::vector<LogProblem> notes;
};
LogContents ReadContestLog(std::string_view text, const ReadOptions& options = {});
LogContents ReadCabrillo(std::string_view text, const ReadOptions& options = {});
LogContents ReadAdif(std::string_view text, const ReadOptions& options = {});
LogContents ReadAdx(std::string_view text, const ReadOptions& options = {});

// The format of a log from its first bytes, as ReadContestLog decides it; `why` says why it is
// unknown.
LogFormat DetectLogFormat(std::string_view head, std::string* why = nullptr);

// "Cabrillo", "ADIF", "ADIF XML (ADX)"; empty for unknown.
std::string_view LogFormatName(LogFormat format);

// Longest own call taken as a call sign: longer calls are no call.
inline constexpr std::size_t kMaxCallLength = 20;
