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

// The lengths of the settings texts, in characters, as the window's fields and the unit take them.
inline constexpr std::size_t kDeviceNameLimit = 30;
inline constexpr std::size_t kUserNameLimit = 12;
inline constexpr std::size_t kPasswordLimit = 12;
inline constexpr std::size_t kPasswordMinimum = 6;

enum class PasswordRating { NotAllowed, Unsafe, Safe, VerySafe };

// Rates a non-empty password by its length in characters and by the classes of characters
// below 0x80 it holds (letters, digits, others).
PasswordRating RatePasswordText(std::string_view utf8);

// UTF-8 helpers: the window's limits count characters, not bytes.
std::size_t CharacterCount(std::string_view utf8);
// The first count characters.
std::string FirstCharacters(std::string_view utf8, std::size_t count);
// The settings texts a unit takes in "SETC" and reports back.
enum class TextKind { DeviceName, UserName, Password };

// The first character that a settings text cannot carry to a unit and back, as its bytes, or an
// empty text when there is none: a code of 0x80 or above (the fields hold 7-bit text), a control
// character (a zero byte ends the text early, the others garble what the unit shows), in a
// user name the colon, which the unit puts between user name and password when it reports them,
// and in a device name the backslash, which ends the name in the settings text (the rest would
// become the unit's user name).
std::string FirstRefusedCharacter(std::string_view utf8, TextKind kind);
// The text without that character; the same text when it has none.
std::string WithoutFirstRefusedCharacter(std::string_view utf8, TextKind kind);

}  // namespace kv3::settings
