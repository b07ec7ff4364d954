#pragma once

#include <array>
#include <ostream>
#include <streambuf>

// Text for a stream gathered into pieces of 64 KB, each handed on in one write: messages that are
// many small writes (standard error writes each at once) cost one system call per piece. What is
// left is handed on by flush() and by the destructor.
class BufferedOutput final : private std::streambuf {
public:
    explicit BufferedOutput(std::ostream& destination) : m_destination(destination), m_stream(this) {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }
    ~BufferedOutput() override { handOn(); }
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    std::ostream& stream() { return m_stream; }
    void flush() { handOn(); }

private:
    int_type overflow(int_type c) override {
        handOn();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        handOn();
        return 0;
    }
    void handOn() {
        if (pptr() == pbase()) return;
        m_destination.write(pbase(), pptr() - pbase());
        m_destination.flush();
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }

    std::ostream& m_destination;
    std::array<char, 64 * 1024> m_buffer;
    std::ostream m_stream;
};
