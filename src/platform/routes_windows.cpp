// Winsock 2 comes first: windows.h alone would bring the old winsock.h.
#include <winsock2.h>
// Then what builds on it.
#include <iphlpapi.h>
#include <windows.h>

#include "platform/routes.h"

namespace kv3::platform {

bool ReachedOnLink(std::uint32_t address) {
  MIB_IPFORWARDROW route{};
  if (::GetBestRoute(address, 0, &route) != NO_ERROR) return false;
  // A direct route delivers to the address itself on the adapter's link.
  return route.dwForwardType == MIB_IPROUTE_TYPE_DIRECT || route.dwForwardNextHop == address;
}

}  // namespace kv3::platform
