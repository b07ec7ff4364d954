#include "server/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

FolderLock::FolderLock(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "zelk-server.lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0640);
    if (m_fd < 0) throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (error == EWOULDBLOCK)
            throw std::runtime_error("the data folder " + folder.string() + " is in use by another zelk-server");
        throw std::runtime_error("cannot lock " + path.string() + ": " + std::strerror(error));
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) ::close(m_fd);
}
