#pragma once

#include <string>

#include "engine/file_store.h"
#include "engine/ole_date.h"

inline constexpr const char* kBadQsoHeader = "ZELK TEST UBN file ";

// "BadQSO_StatsZELK_<dd_mm_yyyy>.txt" from the contest end.
std::string BadQsoFileName(const OleDateTime& contestEnd);

// Creates or empties the file and writes its header line. A failure is not reported.
void CreateBadQsoFile(FileStore& files, const std::string& fileName);
