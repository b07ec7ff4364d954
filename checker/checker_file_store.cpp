#include "checker/checker_file_store.h"

#include <algorithm>

namespace {

std::size_t LineEnds(std::string_view text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

CheckerFileStore::DiskFile* CheckerFileStore::onDisk(const std::string& name) {
    auto found = m_onDisk.find(name);
    return found == m_onDisk.end() ? nullptr : &found->second;
}

std::size_t CheckerFileStore::lineCount(const std::string& name) const {
    if (auto found = m_onDisk.find(name); found != m_onDisk.end()) return found->second.lines;
    auto found = m_files.find(name);
    if (found == m_files.end()) return 0;
    std::size_t lines = 0;
    ForEachLine(found->second, [&](std::string_view) { ++lines; });
    return lines;
}

std::optional<std::string> CheckerFileStore::read(const std::string& path) {
    if (DiskFile* file = onDisk(path)) return m_disk.read(file->path);
    auto found = m_files.find(path);
    if (found == m_files.end()) return std::nullopt;
    return found->second;
}

bool CheckerFileStore::exists(const std::string& path) {
    if (DiskFile* file = onDisk(path)) return m_disk.exists(file->path);
    return m_files.contains(path);
}

bool CheckerFileStore::replace(const std::string& path, std::string_view content) {
    if (DiskFile* file = onDisk(path)) {
        file->lines = LineEnds(content);
        return m_disk.replace(file->path, content);
    }
    m_files[path] = content;
    return true;
}

bool CheckerFileStore::append(const std::string& path, std::string_view content) {
    if (m_watch && path == m_watchedName) m_watch(content);
    if (DiskFile* file = onDisk(path)) {
        file->lines += LineEnds(content);
        return m_disk.append(file->path, content);
    }
    m_files[path] += content;
    return true;
}

bool CheckerFileStore::visitLines(const std::string& path, const LineVisitor& visit) {
    if (DiskFile* file = onDisk(path)) return m_disk.visitLines(file->path, visit);
    return FileStore::visitLines(path, visit);
}

bool CheckerFileStore::filterLines(const std::string& path, std::string_view head, const LineFilter& keep) {
    if (DiskFile* file = onDisk(path)) {
        // A filtered file's lines are only known by counting them again.
        const bool filtered = m_disk.filterLines(file->path, head, keep);
        file->lines = 0;
        m_disk.visitLines(file->path, [&](std::string_view) { ++file->lines; });
        return filtered;
    }
    return FileStore::filterLines(path, head, keep);
}
