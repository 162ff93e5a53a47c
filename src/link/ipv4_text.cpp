#include "link/ipv4_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kv3::link {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidIPv4Text(std::string_view text) {
  if (text.size() > 15) {
    return false;
  }
  int parts = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(text.find('.', start), text.size());
    const std::string_view part = text.substr(start, end - start);
    if (part.empty() || part.size() > 3) {
      return false;
    }
    int value = 0;
    for (char c : part) {
      if (!IsDigit(c)) {
        return false;
      }
      value = value * 10 + (c - '0');
    }
    if (value > 255) {
      return false;
    }
    ++parts;
    if (end == text.size()) {
      break;
    }
    start = end + 1;
  }
  return parts == 4;
}

std::array<std::uint8_t, 4> ParseIPv4Text(std::string_view text) {
  const std::string copy(text);
  const char* position = copy.c_str();
  std::uint32_t sum = 0;
  std::uint32_t weight = 1;
  for (int part = 0; part < 4; ++part) {
    long value = 0;
    if (position != nullptr) {
      value = std::strtol(position, nullptr, 10);
      const char* stop = std::strchr(position, '.');
      position = stop == nullptr ? nullptr : stop + 1;
    }
    sum += static_cast<std::uint32_t>(value) * weight;
    weight <<= 8;
  }
  return {static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8),
          static_cast<std::uint8_t>(sum >> 16), static_cast<std::uint8_t>(sum >> 24)};
}

}  // namespace kv3::link
