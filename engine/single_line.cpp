#include "engine/single_line.h"

namespace {

bool IsLineBreaking(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

}  // namespace

std::string SingleLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    bool gap = false;
    for (char c : text) {
        if (IsLineBreaking(c)) {
            gap = !line.empty();
            continue;
        }
        if (gap) line += ' ';
        gap = false;
        line += c;
    }
    return line;
}
