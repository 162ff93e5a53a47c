#pragma once

#include <optional>
#include <string>

#include "cli/context.h"

// kv3 set: a unit's settings, checked, sent and read back.
namespace kv3::cli {

struct SetOptions {
  std::string mac;
  std::string address;
  std::optional<std::string> name, ip, mask, router, user;
  bool dhcp = false;
  bool passwordStdin = false;
  bool passwordPrompt = false;
  bool json = false;  // the outcome as JSON
};
int RunSet(Context& context, const SetOptions& options);

}  // namespace kv3::cli
