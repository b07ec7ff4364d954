#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/bad_qso_line.h"
#include "engine/file_store.h"
#include "engine/ole_date.h"

inline constexpr const char* kBadQsoHeader = "ZELK TEST UBN file ";
// The header after a removal has rewritten the file.
inline constexpr const char* kBadQsoRewriteHeader = "ZELK TEST UBN file UBN file ";

// "BadQSO_StatsZELK_<dd_mm_yyyy>.txt" from the contest end.
std::string BadQsoFileName(const OleDateTime& contestEnd);

// Creates or empties the file and writes its header line. A failure is not reported.
void CreateBadQsoFile(FileStore& files, const std::string& fileName);

// Appends finding lines (each with its CR LF). Without a file name (before the first reset) the
// lines are dropped. Returns false when lines were to be written and could not be.
bool AppendBadQsoLines(FileStore& files, const std::string& fileName, std::string_view lines);

// Rewrites the file with the rewrite header and every finding line except those of the QSO.
// A file that cannot be read has no finding lines to keep. Without a file name nothing is
// written. Returns false when the rewrite failed, which leaves the old file as it was.
bool PruneBadQsoFile(FileStore& files, const std::string& fileName, const BadQsoLineKey& removed);

// The file's lines, header included, and how many of them are duplicate findings.
struct BadQsoLineCount {
    std::int64_t lines = 0;
    std::int64_t duplicateLines = 0;
};

// Counts the file's lines; nothing when it cannot be read.
BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName);

// Whether a finding line reports a duplicate.
bool IsDuplicateLine(std::string_view line);
