#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/ole_date.h"

// An invariant the fuzzers hold the code to: a failure aborts, which libFuzzer and the corpus
// replay both report with the input that caused it.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// Reads choices from the fuzzer's bytes; past the end every choice is 0, so any input is a
// complete run.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_size == 0; }
    std::uint8_t byte() {
        if (m_size == 0) return 0;
        --m_size;
        return *m_data++;
    }
    bool flag() { return (byte() & 1) != 0; }

    std::string_view pick(std::initializer_list<std::string_view> choices) {
        return choices.begin()[byte() % choices.size()];
    }

    // A short text over an alphabet that holds the characters the formats treat specially
    // (separators, markup, escapes) but no line break, which the host's fields never carry.
    std::string text(std::size_t maxLength = 12) {
        static constexpr std::string_view kAlphabet = "AUZ019/ -\t<>&\"%_";
        std::string result(byte() % (maxLength + 1), ' ');
        for (char& c : result) c = kAlphabet[byte() % kAlphabet.size()];
        return result;
    }

    // Raw bytes, line breaks and NULs included.
    std::string bytes(std::size_t maxLength) {
        std::string result(byte() % (maxLength + 1), '\0');
        for (char& c : result) c = static_cast<char>(byte());
        return result;
    }

    // Contest days, one date outside the calendar range, and the invalid and null statuses.
    OleDateTime date() {
        switch (byte() % 8) {
            case 0: return OleDateTime{0.0, OleDateTime::null};
            case 1: return OleDateTime{42860.0, OleDateTime::invalid};
            case 2: return OleDateTime{-700000.0, OleDateTime::valid};
            default: return MakeOleDate(2017, 5, 5, byte() % 24, byte() % 60);
        }
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};
