#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/unordered/unordered_flat_map.hpp>

// The messages about one log, bounded: the first of each kind are named, the rest only counted,
// so a log of millions of broken lines costs a few lines of output. Kinds are few on any file (a
// message's kind is its text without the values it quotes and its numbers); past kKindsKept
// distinct kinds, what is new falls under one kind "other".
class MessageCap {
public:
    static constexpr std::size_t kNamedPerKind = 100;
    static constexpr std::size_t kKindsKept = 64;

    explicit MessageCap(std::size_t namedPerKind = kNamedPerKind) : m_namedPerKind(namedPerKind) {}

    // Whether a message of this kind is to be named; if not, it is counted against its kind.
    // `example` is kept as the kind's first message, for the count that ends the log.
    bool admit(std::string_view kind, std::string_view example);

    struct Withheld {
        std::string example;  // the kind's first message
        std::size_t count = 0;
    };
    // The kinds of which messages were withheld, in the order each kind was first met.
    std::vector<Withheld> withheld() const;
    std::size_t withheldCount() const { return m_withheld; }

private:
    struct Kind {
        std::size_t seen = 0;
        std::size_t order = 0;
        std::string example;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::size_t m_namedPerKind;
    boost::unordered_flat_map<std::string, Kind, TextHash, std::equal_to<>> m_kinds;
    std::size_t m_withheld = 0;
};

// The kind of a reader's message: each quoted value and each run of digits masked ("bad
// frequency \"junk\"" and "bad frequency \"x\"" are one kind).
std::string KindOfMessage(std::string_view message);

// "... and 4999900 more like this: <example>"
std::string WithheldLine(const MessageCap::Withheld& withheld);
