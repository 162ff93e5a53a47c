#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/ipv4_text.h"

namespace kv3::settings {

using link::IsValidIPv4Text;
using link::ParseIPv4Text;

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
