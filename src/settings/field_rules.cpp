#include "settings/field_rules.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kv3::settings {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 character that starts at text[i].
std::size_t characterLength(std::string_view text, std::size_t i) {
  std::size_t length = 1;
  while (i + length < text.size() && isContinuationByte(text[i + length])) {
    ++length;
  }
  return length;
}

}  // namespace

PasswordRating RatePasswordText(std::string_view utf8) {
  if (CharacterCount(utf8) < 6) {
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
    } else if (isDigit(c)) {
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
    count += isContinuationByte(c) ? 0 : 1;
  }
  return count;
}

std::string FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < utf8.size(); ++n) {
    i += characterLength(utf8, i);
  }
  return std::string(utf8.substr(0, i));
}

std::string WithoutFirstWideCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); i += characterLength(utf8, i)) {
    if (static_cast<unsigned char>(utf8[i]) >= 0x80) {
      std::string result(utf8.substr(0, i));
      result += utf8.substr(i + characterLength(utf8, i));
      return result;
    }
  }
  return std::string(utf8);
}

}  // namespace kv3::settings
