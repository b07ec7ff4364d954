#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/ole_date.h"

// What stops a command with exit code 2, with the message for the user.
struct Unusable {
    std::string message;
};

// The whole of a file a command was given (the district list, header values); Unusable names
// `what` when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path, std::string_view what);

// A --start or --end value: "YYYY-MM-DD HH:MM", or the date alone for midnight.
OleDateTime ParseDateOption(const std::string& text, std::string_view option);
