#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Whole-file access for the files the plug-in reads and writes. Content is passed as raw bytes:
// callers put in their own CR LF line ends, so the bytes are the same on every platform.
class FileStore {
public:
    using LineVisitor = std::function<void(std::string_view line)>;
    // Must give the same answer for the same line: a store may ask more than once.
    using LineFilter = std::function<bool(std::string_view line)>;

    virtual ~FileStore() = default;

    // The file's bytes, or nothing when it cannot be opened.
    virtual std::optional<std::string> read(const std::string& path) = 0;
    // Whether a file of this name is there, readable or not.
    virtual bool exists(const std::string& path) = 0;
    // Creates or truncates the file and writes the content. On failure no partial file is left.
    virtual bool replace(const std::string& path, std::string_view content) = 0;
    // Appends the content at the end of the file, creating it when missing.
    virtual bool append(const std::string& path, std::string_view content) = 0;

    // Visits the file's lines in order, split as ForEachLine splits. False when the file cannot be
    // opened or a read fails (some lines may have been visited by then).
    virtual bool visitLines(const std::string& path, const LineVisitor& visit);
    // Rewrites the file as `head` followed by those of its lines after the first that `keep`
    // accepts, each ended by CR LF. False when the file cannot be read or the rewrite failed.
    virtual bool filterLines(const std::string& path, std::string_view head, const LineFilter& keep);
    // The defaults above go through read() and replace(), which suits stores that hold their files
    // in memory; a store of real files streams them instead.
};

// The real files, relative to the process's current directory. Files stay readable and writable
// by other programs while this store has them open. Lines are streamed in pieces, so counting and
// filtering take the same memory for a file of any size (beyond its longest line).
class StdFileStore final : public FileStore {
public:
    std::optional<std::string> read(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool replace(const std::string& path, std::string_view content) override;
    bool append(const std::string& path, std::string_view content) override;
    bool visitLines(const std::string& path, const LineVisitor& visit) override;
    bool filterLines(const std::string& path, std::string_view head, const LineFilter& keep) override;
};

// Splits text into lines at LF, dropping a CR before it; a last line without a line end counts.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        visit(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}
