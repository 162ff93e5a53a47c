#include "platform/network_policy.h"

namespace kv3::platform {

bool SearchesFromEachAdapter() { return false; }

std::vector<std::string> PublicNetworks() { return {}; }

}  // namespace kv3::platform
