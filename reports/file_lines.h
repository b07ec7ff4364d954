#pragma once

#include <cstddef>
#include <string>

#include "engine/file_store.h"

// The number of lines of a text file (a last line without a line end counts); 0 when the file
// cannot be read.
std::size_t CountFileLines(FileStore& files, const std::string& path);
