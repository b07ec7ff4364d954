#include "checker/command_values.h"

#include <fstream>
#include <sstream>

#include "logs/qso_fields.h"

std::string ReadWholeFile(const std::filesystem::path& path, std::string_view what) {
    const auto unreadable = [&] { return Unusable{"cannot read " + std::string(what) + " " + path.string()}; };
    std::ifstream file(path, std::ios::binary);
    if (!file) throw unreadable();
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw unreadable();
    return std::move(text).str();
}

OleDateTime ParseDateOption(const std::string& text, std::string_view option) {
    std::string date = text, time = "0000";
    if (const std::size_t blank = text.find(' '); blank != std::string::npos) {
        date = text.substr(0, blank);
        time = text.substr(blank + 1);
        std::erase(time, ':');
    }
    if (auto parsed = ParseLogDateTime(date, time)) return *parsed;
    throw Unusable{std::string(option) + " \"" + text + "\" is not a date and time like \"2017-05-05 21:00\""};
}
