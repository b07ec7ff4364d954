#include "logs/text_source.h"

#include <algorithm>

bool TextSource::readMore() {
    if (m_ended) return false;
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    const std::size_t before = m_buffer.size();
    m_buffer.resize(before + kPiece);
    m_input.read(m_buffer.data() + before, static_cast<std::streamsize>(kPiece));
    const auto got = static_cast<std::size_t>(m_input.gcount());
    m_buffer.resize(before + got);
    if (got < kPiece) m_ended = true;
    return got > 0;
}

bool TextSource::ensure(std::size_t bytes) {
    while (held().size() < bytes)
        if (!readMore()) return held().size() >= bytes;
    return true;
}

void TextSource::consume(std::size_t bytes) {
    const std::string_view gone = held().substr(0, bytes);
    if (gone.empty()) return;
    // Each CR ends a line, and each LF but one right after a CR (counted by whole-buffer scans).
    std::size_t ends = static_cast<std::size_t>(std::count(gone.begin(), gone.end(), '\n'));
    if (m_afterCr && gone.front() == '\n') --ends;
    for (std::size_t cr = gone.find('\r'); cr != std::string_view::npos; cr = gone.find('\r', cr + 1)) {
        ++ends;
        if (cr + 1 < gone.size() && gone[cr + 1] == '\n') --ends;
    }
    m_line += ends;
    m_afterCr = gone.back() == '\r';
    m_start += gone.size();
}

namespace {

// Appends to the line what fits in `maxLength`, noting when some of it does not.
void Keep(std::string& line, std::string_view part, std::size_t maxLength, bool& tooLong) {
    const std::size_t room = maxLength - std::min(maxLength, line.size());
    if (part.size() > room) tooLong = true;
    line.append(part.substr(0, room));
}

}  // namespace

bool ReadLine(TextSource& text, std::string& line, std::size_t maxLength, bool& tooLong) {
    line.clear();
    tooLong = false;
    std::size_t searched = 0;
    bool started = false;
    while (true) {
        const std::string_view held = text.held();
        // A plain scan: find_first_of looks each byte up in the set of two.
        const auto at = std::find_if(held.begin() + static_cast<std::ptrdiff_t>(searched), held.end(),
                                     [](char c) { return c == '\r' || c == '\n'; });
        const std::size_t end = at == held.end() ? std::string_view::npos : static_cast<std::size_t>(at - held.begin());
        if (end != std::string_view::npos) {
            Keep(line, held.substr(0, end), maxLength, tooLong);
            // A CR at the end of what is held may be the first half of a CR LF.
            if (held[end] == '\r' && end + 1 == held.size()) text.ensure(end + 2);
            const std::string_view after = text.held();
            const bool crLf = after[end] == '\r' && end + 1 < after.size() && after[end + 1] == '\n';
            text.consume(end + (crLf ? 2 : 1));
            return true;
        }
        if (held.size() > maxLength) {
            // Far too long for a line of a log: what cannot be kept is dropped as it comes.
            Keep(line, held, maxLength, tooLong);
            text.consume(held.size());
            searched = 0;
            started = true;
        } else {
            searched = held.size();
        }
        if (!text.readMore()) {
            const std::string_view rest = text.held();
            if (rest.empty() && !started) return false;
            Keep(line, rest, maxLength, tooLong);
            text.consume(rest.size());
            return true;
        }
    }
}
