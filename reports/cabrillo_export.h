#pragma once

#include <cstdint>
#include <string_view>

#include "engine/file_store.h"
#include "engine/qso_log.h"
#include "reports/cabrillo_log.h"

// Rebuilds the QSO lines from every record of the log (duplicates and not-scored QSOs included),
// so each file holds each QSO once however often it is written, and writes the file.
CabrilloWriteResult ExportCabrillo(CabrilloLog& cabrillo, const QsoLog& log, std::int64_t claimedScore,
                                   std::string_view hostVersion, FileStore& files);
