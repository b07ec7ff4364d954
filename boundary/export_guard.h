#pragma once

#include <string_view>

// Nothing may unwind into the host: every export runs its body through this and answers with a
// neutral result when anything is thrown.
template <typename Result, typename Body>
Result Guarded(Result neutral, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return neutral;
    }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// Host texts: a null pointer reads as the empty text.
inline std::string_view Text(const char* text) { return text ? std::string_view(text) : std::string_view(); }
