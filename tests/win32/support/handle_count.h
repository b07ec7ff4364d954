#pragma once

#include <windows.h>

#include <cstddef>
#include <map>

// The kernel handles this process holds, read from the system's handle list (the process's own
// handle count is not kept by every system). Nothing (-1) when the list cannot be read.
int CountOwnHandles();
// The same, by object type number, to tell which kind of handle is left behind.
std::map<int, int> CountOwnHandlesByType();
// The bytes this process has committed to its heaps and to the images it has mapped (the threads'
// stacks, which come and go with COM's and the system's threads, left out).
std::size_t CountCommittedBytes();
// The threads of this process.
int CountOwnThreads();
// The thread-local storage index the next TlsAlloc would give (the lowest free one): it climbs
// when something takes an index per load and never frees it.
DWORD LowestFreeTlsIndex();
