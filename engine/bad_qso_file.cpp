#include "engine/bad_qso_file.h"

#include <optional>

namespace {

const std::string kRewriteHead = std::string(kBadQsoRewriteHeader) + "\r\n";

std::optional<BadQsoLineCount> ReadLineCount(FileStore& files, const std::string& fileName) {
    BadQsoLineCount count;
    const bool read = files.visitLines(fileName, [&](std::string_view line) {
        ++count.lines;
        if (IsDuplicateLine(line)) ++count.duplicateLines;
    });
    if (!read) return std::nullopt;
    return count;
}

// The header and the finding lines the plug-in wrote since the reset.
BadQsoLineCount WrittenLineCount(const BadQsoBacklog& backlog) {
    BadQsoLineCount count{1, 0};
    for (const auto& [line, copies] : backlog.written) {
        count.lines += copies;
        if (IsDuplicateLine(line)) count.duplicateLines += copies;
    }
    return count;
}

std::string WithoutLinesOf(std::string_view text, const FindingLineMatcher& isRemoved) {
    std::string kept;
    ForEachLine(text, [&](std::string_view line) {
        if (!isRemoved.matches(line)) kept.append(line).append("\r\n");
    });
    return kept;
}

bool WriteStep(FileStore& files, const std::string& fileName, const std::string& lines) {
    return AppendBadQsoLines(files, fileName, lines);
}
bool WriteStep(FileStore& files, const std::string& fileName, const HeldLineKey& removed) {
    return PruneBadQsoFile(files, fileName, removed.key());
}

}  // namespace

HeldLineKey::HeldLineKey(const BadQsoLineKey& key)
    : freqKHz(key.freqKHz), mode(key.mode), dateTime(key.dateTime), call(key.call) {}

std::string BadQsoFileName(const OleDateTime& contestEnd) {
    return "BadQSO_StatsZELK_" + FormatOleDate(contestEnd, "%d_%m_%Y") + ".txt";
}

bool CreateBadQsoFile(FileStore& files, const std::string& fileName) {
    if (fileName.empty()) return true;
    return files.replace(fileName, std::string(kBadQsoHeader) + "\r\n");
}

bool AppendBadQsoLines(FileStore& files, const std::string& fileName, std::string_view lines) {
    if (fileName.empty() || lines.empty()) return true;
    return files.append(fileName, lines);
}

bool PruneBadQsoFile(FileStore& files, const std::string& fileName, const BadQsoLineKey& removed) {
    if (fileName.empty()) return true;
    if (!files.exists(fileName)) return files.replace(fileName, kRewriteHead);
    const FindingLineMatcher isRemoved(removed);
    return files.filterLines(fileName, kRewriteHead, [&](std::string_view line) { return !isRemoved.matches(line); });
}

bool IsDuplicateLine(std::string_view line) { return line.ends_with(ReasonText(BadQsoReason::dupe)); }

BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName) {
    return ReadLineCount(files, fileName).value_or(BadQsoLineCount{});
}

bool WriteBadQsoBacklog(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog) {
    if (backlog.emptyingOwed) {
        if (!CreateBadQsoFile(files, fileName)) return false;
        backlog.emptyingOwed = false;
    }
    std::size_t done = 0;
    for (const auto& step : backlog.steps) {
        if (!std::visit([&](const auto& s) { return WriteStep(files, fileName, s); }, step)) break;
        ++done;
    }
    backlog.steps.erase(backlog.steps.begin(), backlog.steps.begin() + static_cast<std::ptrdiff_t>(done));
    return backlog.steps.empty();
}

// Whatever was owed to the file before belongs to the contest it held; emptying it settles that.
void CreateBadQsoFile(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog) {
    backlog = BadQsoBacklog{};
    backlog.emptyingOwed = !CreateBadQsoFile(files, fileName);
}

void AppendBadQsoLines(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog,
                       std::string_view lines) {
    if (fileName.empty() || lines.empty()) return;
    ForEachLine(lines, [&](std::string_view line) { ++backlog.written[std::string(line)]; });
    if (WriteBadQsoBacklog(files, fileName, backlog) && AppendBadQsoLines(files, fileName, lines)) return;
    if (!backlog.steps.empty())
        if (auto* owed = std::get_if<std::string>(&backlog.steps.back())) {
            owed->append(lines);
            return;
        }
    backlog.steps.emplace_back(std::string(lines));
}

// A prune that must wait is also made at once on the findings still waiting, so they are counted
// as they will stand; the file's own lines wait for it, unless the file is to be emptied anyway.
void PruneBadQsoFile(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog,
                     const BadQsoLineKey& removed) {
    if (fileName.empty()) return;
    const FindingLineMatcher isRemoved(removed);
    std::erase_if(backlog.written, [&](const auto& entry) { return isRemoved.matches(entry.first); });
    if (WriteBadQsoBacklog(files, fileName, backlog) && PruneBadQsoFile(files, fileName, removed)) return;
    for (auto& step : backlog.steps)
        if (auto* owed = std::get_if<std::string>(&step)) *owed = WithoutLinesOf(*owed, isRemoved);
    if (!backlog.emptyingOwed) backlog.steps.emplace_back(HeldLineKey(removed));
}

// When the file cannot be read, only the lines the plug-in wrote since the reset are known: lines
// that other programs added are not counted until the file can be read again. That beats the
// other choice, the last count read plus the changes since, which cannot tell how many lines a
// waiting prune will take from the file.
BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog) {
    if (fileName.empty()) return {};
    if (!WriteBadQsoBacklog(files, fileName, backlog)) return WrittenLineCount(backlog);
    if (auto count = ReadLineCount(files, fileName)) return *count;
    return files.exists(fileName) ? WrittenLineCount(backlog) : BadQsoLineCount{};
}
