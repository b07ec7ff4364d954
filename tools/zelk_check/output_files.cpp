#include "tools/zelk_check/output_files.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path SideFileOf(const fs::path& path) {
    fs::path side = path;
    side += ".zelk-check.tmp";
    return side;
}

bool WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return !file.fail();
}

void RemoveQuietly(const std::vector<fs::path>& paths) {
    std::error_code ignored;
    for (const auto& path : paths) fs::remove(path, ignored);
}

}  // namespace

bool WriteOutputsWhole(const std::vector<PlannedOutput>& outputs, bool overwrite, std::string& error) {
    for (const auto& output : outputs) {
        std::error_code code;
        const bool exists = fs::exists(output.path, code);
        if (exists && !overwrite) {
            error = output.path.string() + " exists already; give --force to overwrite it";
            return false;
        }
        if (exists && fs::is_directory(output.path, code)) {
            error = output.path.string() + " is a folder";
            return false;
        }
        const fs::path folder = output.path.parent_path();
        if (!folder.empty() && !fs::is_directory(folder, code)) {
            error = "the folder " + folder.string() + " does not exist";
            return false;
        }
    }

    std::vector<fs::path> written;
    for (const auto& output : outputs) {
        const fs::path side = SideFileOf(output.path);
        if (!WriteFile(side, output.content)) {
            RemoveQuietly(written);
            RemoveQuietly({side});
            error = "cannot write " + side.string();
            return false;
        }
        written.push_back(side);
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        std::error_code code;
        fs::rename(written[i], outputs[i].path, code);
        if (code) {
            RemoveQuietly({written.begin() + static_cast<std::ptrdiff_t>(i), written.end()});
            error = "cannot write " + outputs[i].path.string() + ": " + code.message();
            return false;
        }
    }
    return true;
}
