#include "link/adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

namespace kv3::link {

namespace {

// The adapters the IPv4 default route leaves by ("Destination" and "Mask" both zero).
std::set<std::string> DefaultRouteAdapters() {
  std::set<std::string> names;
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // the column names
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string name;
    std::string destination;
    std::string gateway;
    std::string flags;
    std::string refCount;
    std::string use;
    std::string metric;
    std::string mask;
    if (fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask &&
        destination == "00000000" && mask == "00000000") {
      names.insert(name);
    }
  }
  return names;
}

}  // namespace

std::vector<Adapter> UpAdapters() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return {};
  }
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
  const std::set<std::string> defaults = DefaultRouteAdapters();
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
    adapter.defaultRoute = defaults.contains(adapter.name);
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

}  // namespace kv3::link
