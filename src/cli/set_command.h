#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"

// kv3 set: units' settings, or their move by MAC, checked, sent and proved.
namespace kv3::cli {

struct SetOptions {
  std::vector<std::string> macs;
  std::string address;
  std::optional<std::string> name, ip, mask, router, user;
  bool dhcp = false;
  bool passwordStdin = false;
  bool passwordPrompt = false;
  bool json = false;     // the outcome as JSON
  bool byMac = false;    // moved by "SETT" whatever the unit's state: network values only
  int waitSeconds = 30;  // how long the proof searches for the unit
};
int RunSet(Context& context, const SetOptions& options);

}  // namespace kv3::cli
