#include "reports/file_lines.h"

std::size_t CountFileLines(FileStore& files, const std::string& path) {
    auto text = files.read(path);
    if (!text) return 0;
    std::size_t lines = 0;
    ForEachLine(*text, [&](std::string_view) { ++lines; });
    return lines;
}
