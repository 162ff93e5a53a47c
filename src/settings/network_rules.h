#pragma once

#include <string>

#include "link/device_record.h"

namespace kv3::settings {

// What makes network values unfit for a unit: sent, they would leave it unreachable, or let it
// take an address that is no one host's.
enum class NetworkProblem {
  None,
  NotAHostAddress,     // 0.x.x.x, 224.0.0.0 and up, 255.255.255.255, loopback unless allowed
  MaskNotContiguous,   // the ones of a mask come first, as in 255.255.255.0
  NetworkAddress,      // the address with every host bit zero names the network itself
  BroadcastAddress,    // every host bit one: the network's broadcast address
  RouterIsTheAddress,  // the unit would send what leaves its network to itself
  RouterOutside,       // the unit could not reach its router
};

// The ones of the mask come first, the zeros after them.
bool IsContiguousMask(const link::Ipv4Bytes& mask);

// Checks an address, its mask and its router together. allowLoopback accepts 127.x.y.z, where
// units simulated on this computer live.
NetworkProblem CheckNetworkValues(const link::Ipv4Bytes& ip, const link::Ipv4Bytes& mask,
                                  const link::Ipv4Bytes& router, bool allowLoopback);

// The address's network as "192.0.2.0/24"; the mask must be contiguous.
std::string NetworkText(const link::Ipv4Bytes& ip, const link::Ipv4Bytes& mask);

}  // namespace kv3::settings
