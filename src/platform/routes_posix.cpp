#include <net/route.h>

#include <bit>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/routes.h"

namespace kv3::platform {

bool ReachedOnLink(std::uint32_t address) {
  // Destination, gateway and mask are hexadecimal words of the address bytes in network order as
  // the system reads them; comparing them with an address in network order needs no swapping.
  std::ifstream table("/proc/net/route");
  std::string line;
  std::getline(table, line);  // the column heads
  int bestPrefix = -1;
  unsigned bestMetric = 0;
  bool bestOnLink = false;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name;
    unsigned destination = 0, gateway = 0, flags = 0, references = 0, use = 0, metric = 0, mask = 0;
    if (!(fields >> name >> std::hex >> destination >> gateway >> flags >> std::dec >> references >>
          use >> metric >> std::hex >> mask)) {
      continue;
    }
    if ((flags & RTF_UP) == 0 || (address & mask) != destination) continue;
    const int prefix = std::popcount(mask);
    if (prefix > bestPrefix || (prefix == bestPrefix && metric < bestMetric)) {
      bestPrefix = prefix;
      bestMetric = metric;
      bestOnLink = (flags & RTF_GATEWAY) == 0 && gateway == 0;
    }
  }
  return bestOnLink;
}

std::uint32_t DefaultRouterIn(std::uint32_t address, std::uint32_t mask) {
  std::ifstream table("/proc/net/route");
  std::string line;
  std::getline(table, line);  // the column heads
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name;
    unsigned destination = 0, gateway = 0, flags = 0;
    if (!(fields >> name >> std::hex >> destination >> gateway >> flags)) continue;
    if ((flags & RTF_UP) != 0 && (flags & RTF_GATEWAY) != 0 && destination == 0 &&
        ((gateway ^ address) & mask) == 0) {
      return gateway;
    }
  }
  return 0;
}

}  // namespace kv3::platform
