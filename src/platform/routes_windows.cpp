// Winsock 2 comes first: windows.h alone would bring the old winsock.h.
#include <winsock2.h>
// Then what builds on it.
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "platform/routes.h"

namespace kv3::platform {

bool ReachedOnLink(std::uint32_t address) {
  MIB_IPFORWARDROW route{};
  if (::GetBestRoute(address, 0, &route) != NO_ERROR) return false;
  // A direct route delivers to the address itself on the adapter's link.
  return route.dwForwardType == MIB_IPROUTE_TYPE_DIRECT || route.dwForwardNextHop == address;
}

std::uint32_t DefaultRouterIn(std::uint32_t address, std::uint32_t mask) {
  ULONG size = 0;
  if (::GetIpForwardTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) return 0;
  std::vector<unsigned char> room(size);
  auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(room.data());
  if (::GetIpForwardTable(table, &size, FALSE) != NO_ERROR) return 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPFORWARDROW& route = table->table[i];
    if (route.dwForwardDest == 0 && route.dwForwardMask == 0 &&
        ((route.dwForwardNextHop ^ address) & mask) == 0) {
      return route.dwForwardNextHop;
    }
  }
  return 0;
}

}  // namespace kv3::platform
