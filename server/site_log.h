#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

// The site's access log (one line a request) and error log (the cause of every failed answer and
// every failed store), each on standard error (journald under systemd) and, when given, appended
// to a file. Lines are whole: concurrent requests never interleave within one.
class SiteLog {
public:
    // Empty paths: standard error only. A file that cannot be opened throws.
    SiteLog(const std::filesystem::path& accessFile, const std::filesystem::path& errorFile, bool quietAccess = false);

    // time address method path status bytes ms
    void access(const std::string& address, const std::string& method, const std::string& path, int status,
                std::size_t bytes, long long milliseconds);
    void error(const std::string& what);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;
    void write(std::FILE* file, const std::string& line);

    std::mutex m_mutex;
    File m_accessFile, m_errorFile;
    bool m_quietAccess;
};

// The path as the access log shows it: a receipt's secret is never written to a log.
std::string MaskedPath(const std::string& path);
