#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv3::link {

// One IPv4 network adapter of this computer that can broadcast.
struct Adapter {
  std::string name;
  unsigned index = 0;           // the system's interface index
  std::uint32_t address = 0;    // network order
  std::uint32_t broadcast = 0;  // its directed broadcast address (from the mask), network order
};

// Every adapter that is up, has an IPv4 address and can broadcast, in the system's order;
// loopback cannot. An adapter with several addresses appears once per address.
std::vector<Adapter> UpAdapters();

}  // namespace kv3::link
