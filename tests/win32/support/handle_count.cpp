#include "support/handle_count.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace {

constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    void* object;
    ACCESS_MASK access;
};

struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

std::vector<HandleEntry> OwnHandles(bool& read) {
    read = false;
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return {};
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kInfoLengthMismatch)
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    if (status < 0) return {};
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    std::vector<HandleEntry> own;
    const ULONG self = GetCurrentProcessId();
    for (ULONG i = 0; i < list->count; ++i)
        if (list->entries[i].ownerPid == self) own.push_back(list->entries[i]);
    read = true;
    return own;
}

}  // namespace

int CountOwnHandles() {
    bool read = false;
    const auto own = OwnHandles(read);
    return read ? static_cast<int>(own.size()) : -1;
}

std::map<int, int> CountOwnHandlesByType() {
    bool read = false;
    std::map<int, int> byType;
    for (const auto& entry : OwnHandles(read)) ++byType[entry.objectType];
    return byType;
}

std::size_t CountCommittedBytes() {
    std::size_t committed = 0;
    // Every heap's committed regions: the runtime's and the statics' blocks live there.
    std::vector<HANDLE> heaps(64);
    const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    heaps.resize(std::min<std::size_t>(count, heaps.size()));
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY entry{};
        if (!HeapLock(heap)) continue;
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_REGION) committed += entry.Region.dwCommittedSize;
        HeapUnlock(heap);
    }
    // Images still mapped.
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<const char*>(nullptr); VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_IMAGE) committed += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return committed;
}

int CountOwnThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int threads = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++threads;
    CloseHandle(snapshot);
    return threads;
}

DWORD LowestFreeTlsIndex() {
    const DWORD index = TlsAlloc();
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
    return index;
}
