#pragma once

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

// Lines of the file, header included; 0 when it cannot be read.
int CountBadQsoLines(FileStore& files, const std::string& fileName);
