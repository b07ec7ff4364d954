#pragma once

#include <string>
#include <string_view>

// Hashes and secrets of the site, all from libsodium.

// SHA-256 of the bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// A fresh random secret: `bytes` random bytes as hex, for session ids, receipt links, tokens.
std::string RandomToken(std::size_t bytes = 32);

// A password hash (argon2id, with its salt and cost in the text) and its check.
std::string HashPassword(std::string_view password);
bool PasswordMatches(std::string_view password, const std::string& hash);

// Comparison whose time does not depend on where the texts differ.
bool SameSecret(std::string_view a, std::string_view b);

// Starts libsodium; throws when it cannot.
void StartSodium();
