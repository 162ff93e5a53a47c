#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"
#include "settings/field_rules.h"

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

// A new password, from standard input or asked twice on the terminal, checked as the window
// checks it; nothing (the message, and the status) when none could be had.
std::optional<std::string> NewPassword(Context& context, bool fromInput, int& status);

// A text of the settings page: at most `limit` characters, all of them such that the unit can
// keep them and report them back; the message (naming `option`) otherwise.
std::optional<std::string> TextProblem(const CliTexts& texts, std::string_view option,
                                       const std::string& value, std::size_t limit,
                                       settings::TextKind kind);

}  // namespace kv3::cli
