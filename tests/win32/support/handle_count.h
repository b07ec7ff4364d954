#pragma once

#include <map>

// The kernel handles this process holds, read from the system's handle list (the process's own
// handle count is not kept by every system). Nothing (-1) when the list cannot be read.
int CountOwnHandles();
// The same, by object type number, to tell which kind of handle is left behind.
std::map<int, int> CountOwnHandlesByType();
