// Windows-1252 and UTF-8 through the Windows API, character by character where a character may
// have to be dropped, so that the result is the same as iconv's on Linux.
#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/codepage.h"
#include "platform/codepage_parts.h"

namespace kv3::platform {

namespace {

using detail::Utf8SequenceLength;

constexpr UINT kCp1252 = 1252;

// The Windows-1252 byte of one UTF-8 character; nothing when the bytes are no character or the
// character has no Windows-1252 form.
std::optional<char> Cp1252Byte(std::string_view character) {
  wchar_t wide[2] = {};
  const int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                          static_cast<int>(character.size()), wide, 2);
  if (units != 1) return std::nullopt;  // invalid, or beyond the basic plane
  char byte = 0;
  BOOL defaulted = FALSE;
  const int bytes =
      ::WideCharToMultiByte(kCp1252, WC_NO_BEST_FIT_CHARS, wide, 1, &byte, 1, nullptr, &defaulted);
  if (bytes != 1 || defaulted) return std::nullopt;
  return byte;
}

// Every character converted; `lost` tells whether any was dropped.
std::string ToCp1252(std::string_view text, bool& lost) {
  std::string out;
  lost = false;
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    const auto byte = Cp1252Byte(text.substr(0, length));
    if (byte) {
      out += *byte;
    } else {
      lost = true;
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  if (text.empty()) return {};
  // Windows gives the five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
  // as the C1 control characters of the same number.
  std::wstring wide(text.size(), L'\0');
  const int units = ::MultiByteToWideChar(kCp1252, 0, text.data(), static_cast<int>(text.size()),
                                          wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(units > 0 ? units : 0));
  std::string out(wide.size() * 3, '\0');
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  bool lost = false;
  return ToCp1252(text, lost);
}

std::optional<std::string> Utf8ToCp1252Exact(std::string_view text) {
  bool lost = false;
  std::string out = ToCp1252(text, lost);
  if (lost) return std::nullopt;
  return out;
}

}  // namespace kv3::platform
