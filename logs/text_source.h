#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

// A text read from a stream piece by piece, so that a log of any size takes the memory of the
// piece its reader looks at. The reader looks ahead as far as it needs (held(), readMore()) and
// drops what it has read (consume()). Line numbers count LF, CR LF and a lone CR as one line end.
class TextSource {
public:
    explicit TextSource(std::istream& input) : m_input(input), m_origin(input.tellg()) {}

    // The text read but not yet consumed.
    std::string_view held() const { return std::string_view(m_buffer).substr(m_start); }
    // Reads one more piece onto held(); false when the input has ended.
    bool readMore();
    // Reads until held() has at least `bytes` bytes or the input has ended; whether it has them.
    bool ensure(std::size_t bytes);
    // Drops `bytes` from the front of held(), counting their line ends.
    void consume(std::size_t bytes);
    // The same without counting them, for a look through the text before restore().
    void skip(std::size_t bytes) {
        m_start += bytes;
        m_consumed += static_cast<std::streamoff>(bytes);
    }
    // Line number of the first held byte, from 1.
    std::size_t line() const { return m_line; }
    // Whether reading stopped on an error rather than at the end of the input.
    bool failed() const { return m_input.bad(); }

    // A place in the text to read again from, for a reader that looks through the whole text
    // first; nothing for an input that cannot seek.
    struct Mark {
        std::streamoff consumed = 0;
        std::size_t line = 1;
        bool afterCr = false;
    };
    std::optional<Mark> mark() const;
    // Reads on from `mark` again; false when the input could not go back there.
    bool restore(const Mark& mark);

private:
    static constexpr std::size_t kPiece = 64 * 1024;

    std::istream& m_input;
    std::streampos m_origin;     // where the text starts in the input; -1 when it cannot seek
    std::streamoff m_consumed = 0;
    std::string m_buffer;
    std::size_t m_start = 0;
    std::size_t m_line = 1;
    bool m_afterCr = false;  // the last byte consumed was a CR, so an LF next ends no new line
    bool m_ended = false;
};

// The first CR or LF of `text` from `from`, or npos.
std::size_t FindLineEnd(std::string_view text, std::size_t from = 0);

// The next line of the text without its line end, into `line`; false at the end of the text.
// A line longer than `maxLength` is consumed whole but given cut to its first `maxLength` bytes,
// with `tooLong` set.
bool ReadLine(TextSource& text, std::string& line, std::size_t maxLength, bool& tooLong);

// A stream over bytes that stay the caller's, for reading text in memory through a TextSource.
class ViewStreamBuffer : public std::streambuf {
public:
    explicit ViewStreamBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());  // only ever read
        setg(begin, begin, begin + text.size());
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
};
