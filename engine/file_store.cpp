#include "engine/file_store.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool WriteAll(std::FILE* file, std::string_view content) {
    return std::fwrite(content.data(), 1, content.size(), file) == content.size();
}

}  // namespace

std::optional<std::string> StdFileStore::read(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::string content;
    char buffer[16384];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) content.append(buffer, got);
    if (std::ferror(file.get())) return std::nullopt;
    return content;
}

bool StdFileStore::exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Writes beside the target and renames it into place, so a failure leaves the old file whole.
// When the rename is refused (another program holds the file without delete sharing), the file
// is overwritten in place instead.
bool StdFileStore::replace(const std::string& path, std::string_view content) {
    const std::string temporary = path + ".tmp";
    std::error_code error;
    {
        FilePtr file(std::fopen(temporary.c_str(), "wb"));
        if (!file) return false;
        bool written = WriteAll(file.get(), content);
        if (std::fclose(file.release()) != 0 || !written) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);

    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool written = WriteAll(file.get(), content);
    return std::fclose(file.release()) == 0 && written;
}

bool StdFileStore::append(const std::string& path, std::string_view content) {
    FilePtr file(std::fopen(path.c_str(), "ab"));
    if (!file) return false;
    bool written = WriteAll(file.get(), content);
    return std::fclose(file.release()) == 0 && written;
}
