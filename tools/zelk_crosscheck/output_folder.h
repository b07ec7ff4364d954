#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct FolderFile {
    std::string name;
    std::string content;
};

// Replaces the folder with one that holds exactly these files. The files are written into a new
// folder beside it first, so a failed run leaves the previous results. A folder this program did
// not write (it lacks the program's mark) and that is not empty is never replaced. False with
// the reason in `error`.
bool ReplaceOutputFolder(const std::filesystem::path& folder, const std::vector<FolderFile>& files, std::string& error);
