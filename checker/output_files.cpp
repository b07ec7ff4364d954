#include "checker/output_files.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string SystemReason(int error) { return std::generic_category().message(error); }

// Writes the whole file; nothing when it was written, else the system's reason (the stream
// opens and writes through the C library, which leaves the reason in errno).
std::optional<std::string> WriteFile(const fs::path& path, const std::string& content) {
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return SystemReason(errno != 0 ? errno : EIO);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    if (file.fail()) return SystemReason(errno != 0 ? errno : EIO);
    return std::nullopt;
}

void RemoveQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error);
}

}  // namespace

fs::path SideFileOf(const fs::path& target) {
    fs::path side = target;
    side += ".zelk-check.tmp";
    return side;
}

SideFile::~SideFile() { RemoveQuietly(m_path); }

std::optional<std::string> CreateSideFile(const fs::path& side) { return WriteFile(side, {}); }

std::optional<std::string> OutputRefusal(const fs::path& target, const fs::path& logPath) {
    std::error_code code;
    const fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, code)) return "the folder " + folder.string() + " does not exist";
    if (fs::is_directory(target, code)) return target.string() + " is a folder";
    if (SameFile(target, logPath)) return target.string() + " is the log being checked, which is never written over";
    return std::nullopt;
}

std::optional<std::string> WriteOutput(const PlannedOutput& output, bool overwrite, const fs::path& logPath) {
    if (auto refusal = OutputRefusal(output.path, logPath)) return refusal;
    if (!output.failure.empty()) return "cannot write " + output.path.string() + ": " + output.failure;
    std::error_code code;
    if (output.keepExisting && !overwrite && fs::exists(output.path, code))
        return output.path.string() + " exists already and was kept; give --force to replace it";
    fs::path side = output.writtenBeside;
    if (side.empty()) {
        side = SideFileOf(output.path);
        if (auto reason = WriteFile(side, output.content)) {
            RemoveQuietly(side);
            return "cannot write " + output.path.string() + ": " + *reason;
        }
    }
    fs::rename(side, output.path, code);
    if (code) {
        RemoveQuietly(side);
        return "cannot write " + output.path.string() + ": " + code.message();
    }
    return std::nullopt;
}

std::vector<std::optional<std::string>> WriteOutputs(const std::vector<PlannedOutput>& outputs, bool overwrite,
                                                     const fs::path& logPath) {
    std::vector<std::optional<std::string>> notWritten;
    for (const PlannedOutput& output : outputs) notWritten.push_back(WriteOutput(output, overwrite, logPath));
    return notWritten;
}
