#include "engine/bad_qso_file.h"

std::string BadQsoFileName(const OleDateTime& contestEnd) {
    return "BadQSO_StatsZELK_" + FormatOleDate(contestEnd, "%d_%m_%Y") + ".txt";
}

void CreateBadQsoFile(FileStore& files, const std::string& fileName) {
    files.replace(fileName, std::string(kBadQsoHeader) + "\r\n");
}

bool AppendBadQsoLines(FileStore& files, const std::string& fileName, std::string_view lines) {
    if (fileName.empty() || lines.empty()) return true;
    return files.append(fileName, lines);
}

bool PruneBadQsoFile(FileStore& files, const std::string& fileName, const BadQsoLineKey& removed) {
    if (fileName.empty()) return true;
    std::string kept = std::string(kBadQsoRewriteHeader) + "\r\n";
    const FindingLineMatcher isRemoved(removed);
    auto text = files.read(fileName);
    // A file that is there but cannot be read now (held by another program) keeps its findings:
    // rewriting it from nothing would lose them.
    if (!text && files.exists(fileName)) return false;
    if (text) {
        kept.reserve(text->size());
        bool header = true;
        ForEachLine(*text, [&](std::string_view line) {
            if (header) {
                header = false;
                return;
            }
            if (isRemoved.matches(line)) return;
            kept.append(line).append("\r\n");
        });
    }
    return files.replace(fileName, kept);
}

bool IsDuplicateLine(std::string_view line) { return line.ends_with(ReasonText(BadQsoReason::dupe)); }

BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName) {
    BadQsoLineCount count;
    auto text = files.read(fileName);
    if (!text) return count;
    ForEachLine(*text, [&](std::string_view line) {
        ++count.lines;
        if (IsDuplicateLine(line)) ++count.duplicateLines;
    });
    return count;
}
