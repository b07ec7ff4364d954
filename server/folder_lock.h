#pragma once

#include <filesystem>

// Holds DIR/zelk-server.lock locked (flock) while it lives: a second server on the same data
// folder is refused instead of writing beside the first. The kernel lets go of the lock when the
// process ends, however it ends.
class FolderLock {
public:
    // Throws when the folder is in use.
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
};
