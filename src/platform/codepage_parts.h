#pragma once

#include <cstddef>
#include <string_view>

// What both systems' Windows-1252 conversions share; platform sources only.
namespace kv3::platform::detail {

// Length of the UTF-8 sequence that starts rest, 1 for a byte that starts none: only a
// well-formed sequence is taken whole, a broken one loses its first byte only.
inline std::size_t Utf8SequenceLength(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest.front());
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) {
      return 1;
    }
  }
  return length;
}

}  // namespace kv3::platform::detail
