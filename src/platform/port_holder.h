#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kv3::platform {

struct PortHolder {
  std::string program;  // the process's command name
  int pid = 0;
};

// Which program holds a UDP port on this computer; nothing when no program that this user may
// look at holds it.
std::optional<PortHolder> UdpPortHolder(std::uint16_t port);

}  // namespace kv3::platform
