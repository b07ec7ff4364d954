#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Writes a file into the new folder, or appends to it when it was written before (a big file goes
// out in parts); false when it could not be written.
using FolderFileWriter = std::function<bool(const std::string& name, std::string_view content)>;

// Replaces the folder with one that holds exactly the files `writeFiles` writes, one at a time
// so that no more than one is held in memory. The files are written into a new
// folder beside it first, so a failed run leaves the previous results. A folder this program did
// not write (it lacks the program's mark) and that is not empty is never replaced. False with
// the reason in `error`.
bool ReplaceOutputFolder(const std::filesystem::path& folder,
                         const std::function<bool(const FolderFileWriter&)>& writeFiles, std::string& error);
