#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Writes a file into the new folder, or appends to it when it was written before (a big file goes
// out in parts); false when it could not be written.
using FolderFileWriter = std::function<bool(const std::string& name, std::string_view content)>;

// Replaces the folder with one that holds exactly the files `writeFiles` writes, one at a time
// so that no more than one is held in memory. The files are written into a new folder beside it
// ("<folder>.new-<process id>") first, so a failed run leaves the previous results; then the
// previous folder is renamed aside ("<folder>.old-<process id>"), the new one renamed in, and the
// previous one deleted: at every moment a whole set of results is on the disk.
//
// The program's mark in each folder it writes lists every file it wrote there (each name before
// the file is made). Only those files are ever deleted: a folder without the mark that is not
// empty, or a file the mark does not list, makes the run refuse, naming it. Leftovers of runs that
// ended before their end (the new and old folders of a process that no longer runs) are removed
// on the same terms. False with the reason in `error`.
//
// `afterStep`, when given, is told each step of the swap ("aside", "in", "deleted") as it is done.
bool ReplaceOutputFolder(const std::filesystem::path& folder,
                         const std::function<bool(const FolderFileWriter&)>& writeFiles, std::string& error,
                         const std::function<void(std::string_view step)>& afterStep = {});
