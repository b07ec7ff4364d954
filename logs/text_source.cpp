#include "logs/text_source.h"

#include <algorithm>
#include <cstring>

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
    std::size_t ends = 0;
    for (std::size_t lf = gone.find('\n'); lf != std::string_view::npos; lf = gone.find('\n', lf + 1)) ++ends;
    if (m_afterCr && gone.front() == '\n') --ends;
    for (std::size_t cr = gone.find('\r'); cr != std::string_view::npos; cr = gone.find('\r', cr + 1)) {
        ++ends;
        if (cr + 1 < gone.size() && gone[cr + 1] == '\n') --ends;
    }
    m_line += ends;
    m_afterCr = gone.back() == '\r';
    m_start += gone.size();
    m_consumed += static_cast<std::streamoff>(gone.size());
}

std::optional<TextSource::Mark> TextSource::mark() const {
    if (m_origin == std::streampos(-1)) return std::nullopt;
    return Mark{m_consumed, m_line, m_afterCr};
}

bool TextSource::restore(const Mark& mark) {
    m_input.clear();
    if (!m_input.seekg(m_origin + mark.consumed)) return false;
    m_buffer.clear();
    m_start = 0;
    m_ended = false;
    m_consumed = mark.consumed;
    m_line = mark.line;
    m_afterCr = mark.afterCr;
    return true;
}

ViewStreamBuffer::pos_type ViewStreamBuffer::seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode which) {
    const off_type size = egptr() - eback();
    const off_type base = from == std::ios_base::beg ? 0 : from == std::ios_base::cur ? gptr() - eback() : size;
    const off_type target = base + offset;
    if (!(which & std::ios_base::in) || target < 0 || target > size) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
}

// The LF by memchr, then a CR before it: find_first_of looks each byte up in its set, and a byte
// by byte loop is several times slower than memchr on lines of a few dozen bytes.
std::size_t FindLineEnd(std::string_view text, std::size_t from) {
    if (from >= text.size()) return std::string_view::npos;
    const char* const begin = text.data() + from;
    const std::size_t size = text.size() - from;
    const void* const lf = std::memchr(begin, '\n', size);
    const std::size_t before = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : size;
    if (const void* const cr = std::memchr(begin, '\r', before)) return from + static_cast<std::size_t>(static_cast<const char*>(cr) - begin);
    return lf ? from + before : std::string_view::npos;
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
        const std::size_t end = FindLineEnd(held, searched);
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
