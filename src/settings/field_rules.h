#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv3::settings {

// True for a dotted quad: at most 15 characters, digits and full stops only, four parts of one
// to three digits each with a value up to 255 (leading zeros allowed).
bool IsValidIPv4Text(std::string_view text);

// The four numbers of a dotted text as bytes in network order. No validation: each part is read
// like a C integer (leading blanks, a sign, digits up to the first other character), missing
// parts count 0, and the sum first + second*256 + third*65536 + fourth*16777216 wraps at 2^32.
std::array<std::uint8_t, 4> ParseIPv4Text(std::string_view text);

enum class PasswordRating { NotAllowed, Unsafe, Safe, VerySafe };

// Rates a non-empty password by its length in characters and by the classes of characters
// below 0x80 it holds (letters, digits, others).
PasswordRating RatePasswordText(std::string_view utf8);

// UTF-8 helpers: the window's limits count characters, not bytes.
std::size_t CharacterCount(std::string_view utf8);
// The first count characters.
std::string FirstCharacters(std::string_view utf8, std::size_t count);
// The text without its first character of code 0x80 or above; the same text when it has none.
std::string WithoutFirstWideCharacter(std::string_view utf8);

}  // namespace kv3::settings
