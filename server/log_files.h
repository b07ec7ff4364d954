#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The uploaded log files, each under its SHA-256 in DIR/files/ab/abcd..., never under a name a
// client gave. A file is on disk, flushed with its folder, before put() returns: only then may a
// database commit acknowledge it.
class LogFiles {
public:
    explicit LogFiles(std::filesystem::path folder);

    // Stores the bytes, whose SHA-256 is `sha256` (once: the same bytes again are already there).
    void put(std::string_view bytes, const std::string& sha256);
    std::filesystem::path pathOf(const std::string& sha256) const;
    std::optional<std::string> read(const std::string& sha256) const;

private:
    std::filesystem::path m_folder;
};

// Writes the file whole and flushes it and its folder to disk: written beside, then renamed.
void WriteFileDurably(const std::filesystem::path& path, std::string_view bytes, unsigned mode = 0640);

// The call that flushes a written file to disk (fsync). Tests put a failing one in its place to
// see that no receipt is given for a log that is not on disk; nullptr puts fsync back.
using FileFlush = int (*)(int fd);
void SetFileFlushForTests(FileFlush flush);
