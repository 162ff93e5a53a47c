#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv3::sim {

// An IPv4 address as it travels: [0] is the first number of the dotted text.
using Ipv4 = std::array<std::uint8_t, 4>;
using Mac = std::array<std::uint8_t, 6>;

struct Endpoint {
  Ipv4 address{};
  std::uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};

// Strict dotted quad: four decimal numbers 0-255 of one to three digits.
std::optional<Ipv4> ParseIpv4(std::string_view text);
std::string FormatIpv4(const Ipv4& address);

// Six hexadecimal pairs separated by ':' or '-', either case.
std::optional<Mac> ParseMac(std::string_view text);
// Upper-case pairs with colons, as the tool lists units.
std::string FormatMac(const Mac& mac);

std::string FormatEndpoint(const Endpoint& endpoint);

std::uint32_t ToHostOrder(const Ipv4& address);
Ipv4 FromHostOrder(std::uint32_t value);

}  // namespace kv3::sim
