#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One file the checker writes: whole or not at all, written beside and renamed into place.
struct PlannedOutput {
    std::filesystem::path path;
    std::string content;                 // what to write, unless it was written beside already:
    std::filesystem::path writtenBeside;  // a side file written during the check
    bool keepExisting = false;           // a file the operator may have edited: kept unless forced
    std::string failure;                 // why it cannot be written, found before the check; empty: none
};

// The side file an output is written into before it is renamed into place.
std::filesystem::path SideFileOf(const std::filesystem::path& target);

// A side file that is removed again unless it was taken into place.
class SideFile {
public:
    explicit SideFile(std::filesystem::path path) : m_path(std::move(path)) {}
    ~SideFile();
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Creates the empty side file `side` of an output, which the check then writes; nothing when it
// could, else the system's reason ("Permission denied").
std::optional<std::string> CreateSideFile(const std::filesystem::path& side);

// Why an output cannot go to `target` at all: its folder is missing, it is a folder, or it is the
// log being checked (never written over, forced or not). Nothing when it can.
std::optional<std::string> OutputRefusal(const std::filesystem::path& target, const std::filesystem::path& logPath);

// Writes each output whole; an existing output with keepExisting is kept unless `overwrite`.
// For each output in turn, nothing when it was written, else why not (kept, or the failure).
std::vector<std::optional<std::string>> WriteOutputs(const std::vector<PlannedOutput>& outputs, bool overwrite,
                                      const std::filesystem::path& logPath);
