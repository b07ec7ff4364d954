#pragma once

#include <cstdint>

// The system loader's lock, held for the life of the object: loads, unloads and the entry point
// notifications of every library wait meanwhile. Taken through ntdll's LdrLockLoaderLock, which
// Windows and Wine both export; held() is false where it cannot be had.
class LoaderLock {
public:
    LoaderLock();
    ~LoaderLock() { release(); }
    LoaderLock(const LoaderLock&) = delete;
    LoaderLock& operator=(const LoaderLock&) = delete;

    bool held() const { return m_held; }
    void release();

private:
    std::uintptr_t m_cookie = 0;
    bool m_held = false;
};
