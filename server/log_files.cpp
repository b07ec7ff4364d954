#include "server/log_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "server/secrets.h"

namespace fs = std::filesystem;

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

FileFlush g_fileFlush = nullptr;

int FlushFile(int fd) { return g_fileFlush ? g_fileFlush(fd) : ::fsync(fd); }

[[noreturn]] void Fail(const std::string& what, const fs::path& path) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

void SyncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) Fail("cannot open the folder", folder);
    if (::fsync(fd.get()) != 0) Fail("cannot flush the folder", folder);
}

}  // namespace

void SetFileFlushForTests(FileFlush flush) { g_fileFlush = flush; }

void WriteFileDurably(const fs::path& path, std::string_view bytes, unsigned mode) {
    const fs::path side = path.string() + ".part-" + RandomToken(6);
    {
        FileDescriptor fd(::open(side.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode)));
        if (fd.get() < 0) Fail("cannot create", side);
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::unlink(side.c_str());
                Fail("cannot write", side);
            }
            written += static_cast<std::size_t>(n);
        }
        if (FlushFile(fd.get()) != 0 || ::close(fd.release()) != 0) {
            ::unlink(side.c_str());
            Fail("cannot flush", side);
        }
    }
    if (::rename(side.c_str(), path.c_str()) != 0) {
        ::unlink(side.c_str());
        Fail("cannot rename into", path);
    }
    SyncFolder(path.parent_path());
}

// The 256 folders are made at the start, so that no upload waits for its folder to be made and
// flushed; put() still makes one that has gone.
LogFiles::LogFiles(fs::path folder) : m_folder(std::move(folder)) {
    fs::create_directories(m_folder);
    bool made = false;
    for (int shard = 0; shard < 256; ++shard) {
        static constexpr char kHex[] = "0123456789abcdef";
        made |= fs::create_directory(m_folder / std::string{kHex[shard >> 4], kHex[shard & 15]});
    }
    if (made) SyncFolder(m_folder);
}

fs::path LogFiles::pathOf(const std::string& sha256) const {
    return m_folder / sha256.substr(0, 2) / sha256;
}

void LogFiles::put(std::string_view bytes, const std::string& sha256) {
    const fs::path path = pathOf(sha256);
    std::error_code error;
    if (fs::exists(path, error) && fs::file_size(path, error) == bytes.size()) {
        SyncFolder(path.parent_path());  // it may have been renamed there by a process killed before its flush
        return;
    }
    if (fs::create_directory(path.parent_path(), error)) SyncFolder(m_folder);
    WriteFileDurably(path, bytes);
}

std::optional<std::string> LogFiles::read(const std::string& sha256) const {
    if (sha256.size() != 64 || sha256.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
    std::ifstream file(pathOf(sha256), std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return std::move(bytes).str();
}
