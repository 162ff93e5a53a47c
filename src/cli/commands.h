#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"

// The sub-commands that read and write a unit's settings.
namespace kv3::cli {

struct FindOptions {
  std::string address;
  bool json = false;
  bool showPassword = false;
};
int RunFind(Context& context, const FindOptions& options);

struct ShowOptions {
  std::string mac;
  std::string address;
  bool json = false;
  bool showPassword = false;
};
int RunShow(Context& context, const ShowOptions& options);

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
