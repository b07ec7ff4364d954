#pragma once

#include <cstddef>
#include <map>

// The kernel handles this process holds, read from the system's handle list (the process's own
// handle count is not kept by every system). Nothing (-1) when the list cannot be read.
int CountOwnHandles();
// The same, by object type number, to tell which kind of handle is left behind.
std::map<int, int> CountOwnHandlesByType();
// The bytes of this process's address space that are committed (private, mapped and images).
std::size_t CountCommittedBytes();
// The threads of this process.
int CountOwnThreads();
