#include "server/site_log.h"

#include <ctime>
#include <regex>
#include <stdexcept>

#include "server/text_encoding.h"

namespace {

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// Control characters of a request never reach the log as such: a client cannot forge lines.
std::string Printable(const std::string& text) {
    std::string out;
    for (char c : TextAsUtf8(text.substr(0, 2000))) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[(c >> 4) & 0xf];
            out += kHex[c & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::FILE* OpenForAppend(const std::filesystem::path& path) {
    if (path.empty()) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) throw std::runtime_error("cannot open the log file " + path.string());
    return file;
}

}  // namespace

SiteLog::SiteLog(const std::filesystem::path& accessFile, const std::filesystem::path& errorFile, bool quietAccess)
    : m_accessFile(OpenForAppend(accessFile)), m_errorFile(OpenForAppend(errorFile)), m_quietAccess(quietAccess) {}

void SiteLog::write(std::FILE* file, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
}

void SiteLog::access(const std::string& address, const std::string& method, const std::string& path, int status,
                     std::size_t bytes, long long milliseconds) {
    const std::string line = UtcNow() + " " + Printable(address) + " " + Printable(method) + " " +
                             Printable(MaskedPath(path)) + " " + std::to_string(status) + " " + std::to_string(bytes) +
                             " " + std::to_string(milliseconds) + "ms\n";
    std::lock_guard lock(m_mutex);
    if (!m_quietAccess) write(stderr, line);
    if (m_accessFile) write(m_accessFile.get(), line);
}

void SiteLog::error(const std::string& what) {
    const std::string line = UtcNow() + " error: " + Printable(what) + "\n";
    std::lock_guard lock(m_mutex);
    write(stderr, line);
    if (m_errorFile) write(m_errorFile.get(), line);
}

std::string MaskedPath(const std::string& path) {
    static const std::regex kSecret("(/receipts?/)[0-9a-fA-F]+");
    return std::regex_replace(path, kSecret, "$1***");
}
