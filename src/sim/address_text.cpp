#include "sim/address_text.h"

#include <cstdio>

namespace kv3::sim {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<Ipv4> ParseIpv4(std::string_view text) {
  Ipv4 result{};
  std::size_t pos = 0;
  for (std::size_t part = 0; part < result.size(); ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    int value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    result[part] = static_cast<std::uint8_t>(value);
  }
  if (pos != text.size()) return std::nullopt;
  return result;
}

std::string FormatIpv4(const Ipv4& address) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
  return text;
}

std::optional<Mac> ParseMac(std::string_view text) {
  Mac result{};
  if (text.size() != 17) return std::nullopt;
  const char separator = text[2];
  if (separator != ':' && separator != '-') return std::nullopt;
  for (std::size_t i = 0; i < result.size(); ++i) {
    const std::size_t at = i * 3;
    if (i > 0 && text[at - 1] != separator) return std::nullopt;
    const int high = HexDigit(text[at]);
    const int low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    result[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return result;
}

std::string FormatMac(const Mac& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string FormatEndpoint(const Endpoint& endpoint) {
  return FormatIpv4(endpoint.address) + ":" + std::to_string(endpoint.port);
}

std::uint32_t ToHostOrder(const Ipv4& address) {
  return (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
         (std::uint32_t{address[2]} << 8) | std::uint32_t{address[3]};
}

Ipv4 FromHostOrder(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

}  // namespace kv3::sim
