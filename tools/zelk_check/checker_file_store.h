#pragma once

#include <map>
#include <optional>
#include <string>

#include "engine/file_store.h"

// The plug-in's files held in memory: the checker writes its outputs itself, whole, once the
// check is done.
class CheckerFileStore final : public FileStore {
public:
    std::optional<std::string> read(const std::string& path) override {
        auto found = m_files.find(path);
        if (found == m_files.end()) return std::nullopt;
        return found->second;
    }
    bool exists(const std::string& path) override { return m_files.contains(path); }
    bool replace(const std::string& path, std::string_view content) override {
        m_files[path] = content;
        return true;
    }
    bool append(const std::string& path, std::string_view content) override {
        m_files[path] += content;
        return true;
    }
    bool visitLines(const std::string& path, const LineVisitor& visit) override {
        auto found = m_files.find(path);
        if (found == m_files.end()) return false;
        ForEachLine(found->second, visit);
        return true;
    }

private:
    std::map<std::string, std::string, std::less<>> m_files;
};
