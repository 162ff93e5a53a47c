#pragma once

#include <string>
#include <vector>

namespace kv3::platform {

// The rows of one of the kernel's tables under /proc (/proc/net/route, /proc/net/udp, ...):
// every line after the column names, split at white space. Empty when it cannot be read.
std::vector<std::vector<std::string>> ReadProcTable(const std::string& path);

}  // namespace kv3::platform
