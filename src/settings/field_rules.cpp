#include "settings/field_rules.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kv3::settings {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 character that starts at text[i].
std::size_t CharacterLength(std::string_view text, std::size_t i) {
  std::size_t length = 1;
  while (i + length < text.size() && IsContinuationByte(text[i + length])) {
    ++length;
  }
  return length;
}

}  // namespace

PasswordRating RatePasswordText(std::string_view utf8) {
  if (CharacterCount(utf8) < kPasswordMinimum) {
    return PasswordRating::NotAllowed;
  }
  bool letters = false;
  bool digits = false;
  bool others = false;
  for (char c : utf8) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x80) {
      continue;  // belongs to no class
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      letters = true;
    } else if (IsDigit(c)) {
      digits = true;
    } else {
      others = true;
    }
  }
  const int classes = int{letters} + int{digits} + int{others};
  if (classes == 3) {
    return PasswordRating::VerySafe;
  }
  return classes == 2 ? PasswordRating::Safe : PasswordRating::Unsafe;
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) {
    count += IsContinuationByte(c) ? 0 : 1;
  }
  return count;
}

std::string FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < utf8.size(); ++n) {
    i += CharacterLength(utf8, i);
  }
  return std::string(utf8.substr(0, i));
}

namespace {

// Where the first refused character starts, or the text's size.
std::size_t FirstRefused(std::string_view utf8, TextKind kind) {
  for (std::size_t i = 0; i < utf8.size(); i += CharacterLength(utf8, i)) {
    const auto code = static_cast<unsigned char>(utf8[i]);
    if (code >= 0x80 || code < 0x20 || code == 0x7F ||
        (kind == TextKind::UserName && code == ':') ||
        (kind == TextKind::DeviceName && code == '\\')) {
      return i;
    }
  }
  return utf8.size();
}

}  // namespace

std::string FirstRefusedCharacter(std::string_view utf8, TextKind kind) {
  const std::size_t at = FirstRefused(utf8, kind);
  return at < utf8.size() ? std::string(utf8.substr(at, CharacterLength(utf8, at))) : "";
}

std::string WithoutFirstRefusedCharacter(std::string_view utf8, TextKind kind) {
  const std::size_t at = FirstRefused(utf8, kind);
  if (at == utf8.size()) {
    return std::string(utf8);
  }
  std::string result(utf8.substr(0, at));
  result += utf8.substr(at + CharacterLength(utf8, at));
  return result;
}

}  // namespace kv3::settings
