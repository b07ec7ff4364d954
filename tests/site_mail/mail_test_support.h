#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// A fresh folder for one test's database, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("zelk-mail-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A message as Python's mail parser reads it (tests/site_mail/read_mail.py): an independent
// check of the headers' encoding, the text and the attachments.
inline nlohmann::json ReadMailWithPython(const std::string& mime) {
    TempFolder folder;
    const std::string path = folder.file("mail.eml");
    std::ofstream(path, std::ios::binary) << mime;
    const std::string command = "/usr/bin/python3 " ZELK_MAIL_READER " < '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string output;
    char chunk[4096];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    ::pclose(pipe);
    return nlohmann::json::parse(output, nullptr, false);
}

inline std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) hex += {kDigits[c >> 4], kDigits[c & 15]};
    return hex;
}

// Every byte value, and lines a careless SMTP client would end the message at.
inline std::string AwkwardBytes() {
    std::string bytes = "QSO: 3500 CW 2017-05-05 2100 UR5ZZ 599 KI01\r\n.\r\n..\r\n.\n\r\nEND-OF-LOG:\r\n";
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}
