#pragma once

#include <cstdint>

namespace kv3::platform {

// True when this computer reaches the address directly on one of its adapters: the route that
// leads there has no gateway. A broadcast out of that adapter reaches such an address too, also
// where the adapter's own network is smaller (an address with a /32 mask and a route to the
// units' network beside it).
bool ReachedOnLink(std::uint32_t address);

// The router of this computer's default route that lies in the network address/mask (both in
// network order), or 0 when none does.
std::uint32_t DefaultRouterIn(std::uint32_t address, std::uint32_t mask);

}  // namespace kv3::platform
