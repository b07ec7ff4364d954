#include "crosscheck/output_folder.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMark = ".zelk-crosscheck";
constexpr const char* kMarkHeading = "Written by zelk-crosscheck; replaced whole on its next run. Its files:\n";

// An earlier version's mark said only "Written by zelk-crosscheck; ...": its files are known by
// their names' shape, the per-log pages (upper-case letters, digits, '_') and the results.
bool HasTheShapeOfAnEarlierRunsFile(const std::string& name) {
    if (name == "results.html" || name == "results.csv" || name == "checks.csv") return true;
    std::string_view stem = name;
    for (const std::string_view ending : {".ubn.txt", ".html"})
        if (stem.ends_with(ending)) {
            stem.remove_suffix(ending.size());
            return !stem.empty() && stem.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
                                        std::string_view::npos;
        }
    return false;
}

// The files of a folder this program wrote, as its mark lists them; nothing without a mark.
std::optional<std::set<std::string>> MarkedFiles(const fs::path& folder) {
    std::ifstream mark(folder / kMark, std::ios::binary);
    if (!mark) return std::nullopt;
    std::set<std::string> names;
    std::string line;
    std::getline(mark, line);
    while (std::getline(mark, line))
        if (!line.empty()) names.insert(line);
    return names;
}

// Why the folder may not be deleted, naming what this program did not write; empty when it may.
// The files it may delete go into `ours`.
std::string ForeignContent(const fs::path& folder, std::vector<fs::path>& ours) {
    std::error_code error;
    const auto marked = MarkedFiles(folder);
    const bool earlierMark = marked && marked->empty();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool listed = name == kMark || (marked && marked->contains(name)) ||
                            (earlierMark && HasTheShapeOfAnEarlierRunsFile(name));
        if (!marked) return "files zelk-crosscheck did not write";
        if (!listed || entry.is_directory(error) || entry.is_symlink(error))
            return entry.path().string() + ", which zelk-crosscheck did not write";
        ours.push_back(entry.path());
    }
    if (error) return "files that cannot be listed (" + error.message() + ")";
    return "";
}

// Deletes the files of the folder this program wrote, then the folder; the reason when it may not.
std::string RemoveOurFolder(const fs::path& folder) {
    std::vector<fs::path> ours;
    if (std::string foreign = ForeignContent(folder, ours); !foreign.empty()) return foreign;
    std::error_code error;
    // The mark goes last, so a folder half deleted still says what it holds.
    for (const fs::path& file : ours)
        if (file.filename() != kMark) fs::remove(file, error);
    fs::remove(folder / kMark, error);
    fs::remove(folder, error);
    if (error) return "files that cannot be deleted (" + error.message() + ")";
    return "";
}

bool WriteFile(const fs::path& path, std::string_view content, bool append) {
    std::ofstream file(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return static_cast<bool>(file);
}

// The process id of "<name>.new-<id>" or "<name>.old-<id>", a folder of a run of this program.
std::optional<pid_t> RunOf(const std::string& entry, const std::string& name) {
    for (const char* kind : {".new-", ".old-"}) {
        const std::string prefix = name + kind;
        if (!entry.starts_with(prefix) || entry.size() == prefix.size()) continue;
        pid_t pid = 0;
        const char* end = entry.data() + entry.size();
        const auto [at, failure] = std::from_chars(entry.data() + prefix.size(), end, pid);
        if (failure == std::errc() && at == end && pid > 0) return pid;
    }
    return std::nullopt;
}

bool StillRuns(pid_t pid) { return pid != getpid() && (kill(pid, 0) == 0 || errno != ESRCH); }

// Removes the folders earlier runs left beside the results when they were stopped.
std::string RemoveLeftovers(const fs::path& parent, const std::string& name) {
    std::error_code error;
    std::vector<fs::path> leftovers;
    for (const fs::directory_entry& entry : fs::directory_iterator(parent, error))
        if (const auto pid = RunOf(entry.path().filename().string(), name);
            pid && !StillRuns(*pid) && entry.is_directory(error))
            leftovers.push_back(entry.path());
    for (const fs::path& leftover : leftovers)
        if (std::string foreign = RemoveOurFolder(leftover); !foreign.empty())
            return "the folder " + leftover.string() + ", left by an earlier run, holds " + foreign +
                   "; move it away";
    return "";
}

}  // namespace

bool ReplaceOutputFolder(const fs::path& folder,
                         const std::function<bool(const FolderFileWriter&)>& writeFiles, std::string& error,
                         const std::function<void(std::string_view step)>& afterStep) {
    std::error_code code;
    const bool exists = fs::exists(folder, code);
    if (exists && !fs::is_directory(folder, code)) {
        error = folder.string() + " is a file, not a folder";
        return false;
    }
    if (exists && !fs::is_empty(folder, code)) {
        std::vector<fs::path> ours;
        if (const std::string foreign = ForeignContent(folder, ours); !foreign.empty()) {
            error = "the output folder " + folder.string() + " holds " + foreign +
                    "; give a new or empty folder, or move it away";
            return false;
        }
    }
    fs::path absolute = fs::absolute(folder, code).lexically_normal();
    if (absolute.filename().empty()) absolute = absolute.parent_path();  // "out/"
    const std::string name = absolute.filename().string();
    if (std::string left = RemoveLeftovers(absolute.parent_path(), name); !left.empty()) {
        error = left;
        return false;
    }

    const std::string pid = std::to_string(getpid());
    const fs::path fresh = absolute.parent_path() / (name + ".new-" + pid);
    const fs::path aside = absolute.parent_path() / (name + ".old-" + pid);
    if (!fs::create_directories(fresh, code)) {
        error = "cannot create the folder " + fresh.string() + (code ? ": " + code.message() : "");
        return false;
    }
    std::ofstream mark(fresh / kMark, std::ios::binary);
    mark << kMarkHeading << std::flush;
    bool written = static_cast<bool>(mark);
    std::set<std::string> started;
    written = written && writeFiles([&](const std::string& file, std::string_view content) {
                  const bool first = started.insert(file).second;
                  if (first && !(mark << file << '\n' << std::flush)) return false;
                  return WriteFile(fresh / file, content, !first);
              });
    mark.close();
    if (!written || !mark) {
        RemoveOurFolder(fresh);
        error = "cannot write the results into " + fresh.string();
        return false;
    }

    const auto step = [&](std::string_view done) {
        if (afterStep) afterStep(done);
    };
    const bool replacing = fs::exists(absolute, code);
    if (replacing) {
        fs::rename(absolute, aside, code);
        if (code) {
            RemoveOurFolder(fresh);
            error = "cannot move the previous results " + folder.string() + " aside: " + code.message();
            return false;
        }
        step("aside");
    }
    fs::rename(fresh, absolute, code);
    if (code) {
        std::error_code back;
        if (replacing) fs::rename(aside, absolute, back);
        RemoveOurFolder(fresh);
        error = "cannot move the results into " + folder.string() + ": " + code.message();
        return false;
    }
    step("in");
    // What cannot be deleted now stays as a leftover, removed by the next run.
    if (replacing) RemoveOurFolder(aside);
    step("deleted");
    return true;
}
