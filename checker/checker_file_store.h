#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "engine/file_store.h"

// The plug-in's files for a check: held in memory, except those given a file on disk, which the
// plug-in's writes go to straight away, so a file of any size takes no memory (the bad-QSO file
// of a log of many dupes grows with the square of their number). The checker puts its outputs in
// place itself once the check is done.
class CheckerFileStore final : public FileStore {
public:
    // The plug-in's file `name` is the file `diskPath`, written and read there.
    void putOnDisk(const std::string& name, const std::string& diskPath) { m_onDisk[name] = {diskPath, 0}; }
    // Called with each piece of text appended to the file `name`, wherever it is kept.
    void watchAppends(const std::string& name, std::function<void(std::string_view)> watch) {
        m_watchedName = name;
        m_watch = std::move(watch);
    }
    // Lines written to a file on disk (line ends counted), or the lines of a file in memory.
    std::size_t lineCount(const std::string& name) const;

    std::optional<std::string> read(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool replace(const std::string& path, std::string_view content) override;
    bool append(const std::string& path, std::string_view content) override;
    bool visitLines(const std::string& path, const LineVisitor& visit) override;
    bool filterLines(const std::string& path, std::string_view head, const LineFilter& keep) override;

private:
    struct DiskFile {
        std::string path;
        std::size_t lines = 0;
    };
    DiskFile* onDisk(const std::string& name);

    std::map<std::string, std::string, std::less<>> m_files;
    std::map<std::string, DiskFile, std::less<>> m_onDisk;
    StdFileStore m_disk;
    std::string m_watchedName;
    std::function<void(std::string_view)> m_watch;
};
