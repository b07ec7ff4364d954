#include "engine/file_store.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kPieceSize = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool WriteAll(std::FILE* file, std::string_view content) {
    return std::fwrite(content.data(), 1, content.size(), file) == content.size();
}

bool Close(FilePtr& file) { return std::fclose(file.release()) == 0; }

// Files beyond 2 GB need 64-bit offsets on both systems.
bool SeekTo(std::FILE* file, std::int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool TruncateAt(std::FILE* file, std::int64_t size) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return size <= 0x7FFFFFFF && _chsize(_fileno(file), static_cast<long>(size)) == 0;
#else
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
#endif
}

// Cuts bytes arriving in pieces into lines as ForEachLine does; only a line that spans pieces is
// copied.
class LineSplitter {
public:
    template <typename Visit>
    void feed(std::string_view piece, Visit&& visit) {
        for (auto end = piece.find('\n'); end != std::string_view::npos; end = piece.find('\n')) {
            if (m_partial.empty()) {
                emit(piece.substr(0, end), visit);
            } else {
                m_partial.append(piece.substr(0, end));
                emit(m_partial, visit);
                m_partial.clear();
            }
            piece.remove_prefix(end + 1);
        }
        m_partial.append(piece);
    }
    template <typename Visit>
    void finish(Visit&& visit) {
        if (!m_partial.empty()) emit(m_partial, visit);
        m_partial.clear();
    }

private:
    template <typename Visit>
    static void emit(std::string_view line, Visit& visit) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        visit(line);
    }
    std::string m_partial;
};

// Whether filtering the file would give back its own bytes: its first line is the head (the head
// with its line end), every later line is kept, and every line ends with CR LF. Read piece by
// piece; nothing when the file cannot be read.
std::optional<bool> FilterKeepsBytes(std::FILE* file, std::string_view head, const FileStore::LineFilter& keep) {
    std::vector<char> buffer(kPieceSize);
    std::string line;  // the raw line so far, without its LF
    bool first = true, same = true;
    auto lineEnded = [&] {
        if (line.empty() || line.back() != '\r') same = false;
        else if (first) same = head.size() == line.size() + 1 && head.substr(0, line.size()) == line && head.back() == '\n';
        else same = keep(std::string_view(line).substr(0, line.size() - 1));
        first = false;
        line.clear();
    };
    std::size_t got;
    while (same && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        std::string_view piece(buffer.data(), got);
        for (auto end = piece.find('\n'); same && end != std::string_view::npos; end = piece.find('\n')) {
            line.append(piece.substr(0, end));
            lineEnded();
            piece.remove_prefix(end + 1);
        }
        line.append(piece);
    }
    if (std::ferror(file)) return std::nullopt;
    // A last line without its line end, or an empty file (which gets the head), changes.
    return same && line.empty() && !first;
}

// Reads the whole file piece by piece into the splitter. False on a read error.
template <typename Visit>
bool SplitFile(std::FILE* file, Visit&& visit) {
    std::vector<char> buffer(kPieceSize);
    LineSplitter lines;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        lines.feed(std::string_view(buffer.data(), got), visit);
    if (std::ferror(file)) return false;
    lines.finish(visit);
    return true;
}

// Appends the head's replacement of the first line, or a kept line, to `out`.
class KeptLines {
public:
    KeptLines(std::string_view head, const FileStore::LineFilter& keep) : m_head(head), m_keep(keep) {}
    void operator()(std::string_view line, std::string& out) {
        if (m_first) {
            m_first = false;
            out.append(m_head);
        } else if (m_keep(line)) {
            out.append(line).append("\r\n");
        }
    }
    void finish(std::string& out) {
        if (m_first) out.append(m_head);  // an empty file still gets the head
        m_first = false;
    }

private:
    std::string_view m_head;
    const FileStore::LineFilter& m_keep;
    bool m_first = true;
};

// The rewrite through one read/write handle when no side file can be made. The new content is
// written behind the reading position; output that would overtake it (a longer head, bare LF
// line ends made CR LF) waits in memory, so what waits is only that growth. A failure half way
// leaves a mixed file, which is why this is only the fallback.
bool FilterInPlace(const std::string& path, std::string_view head, const FileStore::LineFilter& keep) {
#ifdef _WIN32
    // The C runtime here cuts files with a 32-bit size only; better no rewrite than a stale tail.
    std::error_code error;
    if (std::filesystem::file_size(path, error) > 0x7FFFFFFFu - 65536u || error) return false;
#endif
    FilePtr file(std::fopen(path.c_str(), "r+b"));
    if (!file) return false;
    std::vector<char> buffer(kPieceSize);
    LineSplitter lines;
    KeptLines kept(head, keep);
    std::string waiting;
    std::int64_t readAt = 0, writeAt = 0;
    for (;;) {
        if (!SeekTo(file.get(), readAt)) return false;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (std::ferror(file.get())) return false;
        readAt += static_cast<std::int64_t>(got);
        auto add = [&](std::string_view line) { kept(line, waiting); };
        if (got > 0) {
            lines.feed(std::string_view(buffer.data(), got), add);
        } else {
            lines.finish(add);
            kept.finish(waiting);
        }
        const std::size_t room = got == 0 ? waiting.size()
                                          : static_cast<std::size_t>(std::min<std::int64_t>(
                                                static_cast<std::int64_t>(waiting.size()), readAt - writeAt));
        if (room > 0) {
            if (!SeekTo(file.get(), writeAt) ||
                !WriteAll(file.get(), std::string_view(waiting).substr(0, room)))
                return false;
            writeAt += static_cast<std::int64_t>(room);
            waiting.erase(0, room);
        }
        if (got == 0) break;
    }
    return TruncateAt(file.get(), writeAt) && Close(file);
}

void RemoveQuietly(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

enum class SideWrite { renamed, failed, unavailable };

// Writes the new content beside the target with `write` and renames it into place. Unavailable
// when the side file cannot be made or the rename is refused; no side file is left either way.
template <typename Write>
SideWrite WriteBesideAndRename(const std::string& path, Write write) {
    const std::string temporary = path + ".tmp";
    FilePtr side(std::fopen(temporary.c_str(), "wb"));
    if (!side) return SideWrite::unavailable;
    const bool written = write(side.get());
    if (!Close(side) || !written) {
        RemoveQuietly(temporary);
        return SideWrite::failed;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (!error) return SideWrite::renamed;
    RemoveQuietly(temporary);
    return SideWrite::unavailable;
}

}  // namespace

bool FileStore::visitLines(const std::string& path, const LineVisitor& visit) {
    auto text = read(path);
    if (!text) return false;
    ForEachLine(*text, visit);
    return true;
}

bool FileStore::filterLines(const std::string& path, std::string_view head, const LineFilter& keep) {
    auto text = read(path);
    if (!text) return false;
    std::string content;
    KeptLines kept(head, keep);
    ForEachLine(*text, [&](std::string_view line) { kept(line, content); });
    kept.finish(content);
    return replace(path, content);
}

std::optional<std::string> StdFileStore::read(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::string content;
    char buffer[16384];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) content.append(buffer, got);
    if (std::ferror(file.get())) return std::nullopt;
    return content;
}

bool StdFileStore::exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Writes beside the target and renames it into place, so a failure leaves the old file whole.
// When the side file cannot be made (a folder or a locked file of that name) or the rename is
// refused (another program holds the file without delete sharing), the file is overwritten in
// place instead.
bool StdFileStore::replace(const std::string& path, std::string_view content) {
    const SideWrite beside =
        WriteBesideAndRename(path, [&](std::FILE* side) { return WriteAll(side, content); });
    if (beside != SideWrite::unavailable) return beside == SideWrite::renamed;

    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool written = WriteAll(file.get(), content);
    return Close(file) && written;
}

bool StdFileStore::append(const std::string& path, std::string_view content) {
    FilePtr file(std::fopen(path.c_str(), "ab"));
    if (!file) return false;
    bool written = WriteAll(file.get(), content);
    return Close(file) && written;
}

bool StdFileStore::visitLines(const std::string& path, const LineVisitor& visit) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    return file && SplitFile(file.get(), visit);
}

// Beside and rename as replace() does, with the same fall back to the file itself. A file that the
// filter would give back byte for byte is only read: the rewrite, a side file made, written and
// renamed, costs far more than the read, and is what most filters need not do.
bool StdFileStore::filterLines(const std::string& path, std::string_view head, const LineFilter& keep) {
    FilePtr source(std::fopen(path.c_str(), "rb"));
    if (!source) return false;
    const auto unchanged = FilterKeepsBytes(source.get(), head, keep);
    if (!unchanged) return false;
    if (*unchanged) return true;
    if (!SeekTo(source.get(), 0)) return false;
    const SideWrite beside = WriteBesideAndRename(path, [&](std::FILE* side) {
        KeptLines kept(head, keep);
        std::string out;
        bool written = true;
        const bool read = SplitFile(source.get(), [&](std::string_view line) {
            kept(line, out);
            if (out.size() >= kPieceSize) {
                written = written && WriteAll(side, out);
                out.clear();
            }
        });
        kept.finish(out);
        written = written && WriteAll(side, out);
        source.reset();  // the rename needs the file closed
        return written && read;
    });
    if (beside != SideWrite::unavailable) return beside == SideWrite::renamed;
    source.reset();
    return FilterInPlace(path, head, keep);
}
