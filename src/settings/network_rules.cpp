#include "settings/network_rules.h"

#include <bit>
#include <cstdint>

namespace kv3::settings {

namespace {

std::uint32_t Host(const link::Ipv4Bytes& address) {
  return std::uint32_t{address[0]} << 24 | std::uint32_t{address[1]} << 16 |
         std::uint32_t{address[2]} << 8 | std::uint32_t{address[3]};
}

}  // namespace

bool IsContiguousMask(const link::Ipv4Bytes& mask) {
  // The zeros form one run at the end exactly when ~mask + 1 is a power of two (or zero).
  return std::popcount(~Host(mask) + 1) <= 1;
}

NetworkProblem CheckNetworkValues(const link::Ipv4Bytes& ip, const link::Ipv4Bytes& mask,
                                  const link::Ipv4Bytes& router, bool allowLoopback) {
  const std::uint32_t address = Host(ip);
  const std::uint32_t ones = Host(mask);
  const std::uint32_t gateway = Host(router);
  const std::uint32_t first = address >> 24;
  if (first == 0 || first >= 224 || (first == 127 && !allowLoopback)) {
    return NetworkProblem::NotAHostAddress;
  }
  if (!IsContiguousMask(mask)) return NetworkProblem::MaskNotContiguous;
  const std::uint32_t hostBits = ~ones;
  // A /31 or /32 network has neither a network nor a broadcast address of its own.
  if (hostBits >= 3) {
    if ((address & hostBits) == 0) return NetworkProblem::NetworkAddress;
    if ((address & hostBits) == hostBits) return NetworkProblem::BroadcastAddress;
  }
  if (gateway == address) return NetworkProblem::RouterIsTheAddress;
  if (((gateway ^ address) & ones) != 0) return NetworkProblem::RouterOutside;
  return NetworkProblem::None;
}

std::string NetworkText(const link::Ipv4Bytes& ip, const link::Ipv4Bytes& mask) {
  link::Ipv4Bytes network{};
  for (std::size_t i = 0; i < network.size(); ++i) {
    network[i] = static_cast<std::uint8_t>(ip[i] & mask[i]);
  }
  return link::Ipv4Text(network) + "/" + std::to_string(std::popcount(Host(mask)));
}

}  // namespace kv3::settings
