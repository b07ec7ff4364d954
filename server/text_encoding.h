#pragma once

#include <string>
#include <string_view>

// The text as UTF-8: valid UTF-8 is kept as it is; any other text is read as Windows-1251, the
// code page of the contest's loggers, so that no byte a client sent can break a page or a JSON
// answer.
std::string TextAsUtf8(std::string_view text);

// At most `bytes` of a UTF-8 text, never ending inside a character (a form's text shown again).
std::string Utf8Prefix(const std::string& text, std::size_t bytes);
