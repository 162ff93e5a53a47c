#include "link/adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <memory>

namespace kv3::link {

std::vector<Adapter> UpAdapters() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return {};
  }
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
  std::vector<Adapter> adapters;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        entry->ifa_netmask == nullptr || (flags & IFF_UP) == 0 || (flags & IFF_BROADCAST) == 0 ||
        (flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    Adapter adapter;
    adapter.name = entry->ifa_name;
    adapter.index = ::if_nametoindex(entry->ifa_name);
    adapter.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    // Made from the mask: an address given without its broadcast address has none recorded.
    const std::uint32_t mask =
        reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
    adapter.broadcast = (adapter.address & mask) | ~mask;
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

}  // namespace kv3::link
