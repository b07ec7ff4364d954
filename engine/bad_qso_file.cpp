#include "engine/bad_qso_file.h"

std::string BadQsoFileName(const OleDateTime& contestEnd) {
    return "BadQSO_StatsZELK_" + FormatOleDate(contestEnd, "%d_%m_%Y") + ".txt";
}

void CreateBadQsoFile(FileStore& files, const std::string& fileName) {
    files.replace(fileName, std::string(kBadQsoHeader) + "\r\n");
}
