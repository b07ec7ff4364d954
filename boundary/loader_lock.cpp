#include "boundary/loader_lock.h"

#include <windows.h>

namespace {

using Lock = LONG(NTAPI*)(ULONG flags, ULONG* state, ULONG_PTR* cookie);
using Unlock = LONG(NTAPI*)(ULONG flags, ULONG_PTR cookie);

template <typename Function>
Function NtdllFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

}  // namespace

LoaderLock::LoaderLock() {
    static_assert(sizeof(ULONG_PTR) == sizeof(m_cookie));
    if (auto lock = NtdllFunction<Lock>("LdrLockLoaderLock"))
        m_held = lock(0, nullptr, reinterpret_cast<ULONG_PTR*>(&m_cookie)) == 0;
}

void LoaderLock::release() {
    if (!m_held) return;
    if (auto unlock = NtdllFunction<Unlock>("LdrUnlockLoaderLock")) unlock(0, m_cookie);
    m_held = false;
}
