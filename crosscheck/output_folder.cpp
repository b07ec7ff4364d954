#include "crosscheck/output_folder.h"

#include <fstream>
#include <set>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMark = ".zelk-crosscheck";

bool Ours(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder / kMark, error) || fs::is_empty(folder, error);
}

bool WriteFile(const fs::path& path, std::string_view content, bool append = false) {
    std::ofstream file(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return static_cast<bool>(file);
}

}  // namespace

bool ReplaceOutputFolder(const fs::path& folder,
                         const std::function<bool(const FolderFileWriter&)>& writeFiles, std::string& error) {
    std::error_code code;
    const bool exists = fs::exists(folder, code);
    if (exists && !fs::is_directory(folder, code)) {
        error = folder.string() + " is a file, not a folder";
        return false;
    }
    if (exists && !Ours(folder)) {
        error = "the output folder " + folder.string() +
                " holds files zelk-crosscheck did not write; give a new or empty folder";
        return false;
    }
    fs::path absolute = fs::absolute(folder, code).lexically_normal();
    if (absolute.filename().empty()) absolute = absolute.parent_path();  // "out/"
    const fs::path fresh =
        absolute.parent_path() / (absolute.filename().string() + ".new-" + std::to_string(getpid()));
    fs::remove_all(fresh, code);
    if (!fs::create_directories(fresh, code)) {
        error = "cannot create the folder " + fresh.string() + ": " + code.message();
        return false;
    }
    bool written = WriteFile(fresh / kMark, "Written by zelk-crosscheck; replaced whole on its next run.\n");
    std::set<std::string> started;
    written = written && writeFiles([&](const std::string& name, std::string_view content) {
                  return WriteFile(fresh / name, content, !started.insert(name).second);
              });
    if (!written) {
        fs::remove_all(fresh, code);
        error = "cannot write the results into " + fresh.string();
        return false;
    }
    if (exists) fs::remove_all(folder, code);
    if (code) {
        error = "cannot remove the previous results " + folder.string() + ": " + code.message();
        return false;
    }
    fs::rename(fresh, absolute, code);
    if (code) {
        error = "cannot move the results into " + folder.string() + ": " + code.message();
        return false;
    }
    return true;
}
