#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_texts.h"
#include "cli/unit_view.h"
#include "search/adapter_search.h"

// What a change of a unit's settings asks it to show, and how its answers prove it.
namespace kv3::cli {

// What `set` asks the unit to show afterwards. The texts are single-byte, as the unit keeps
// them: a value not given on the command line is the one the unit reported, byte for byte. A
// move by MAC ("SETT") carries the network values alone.
struct WantedSettings {
  std::string deviceName, user, password;
  std::string ip, mask, router;
  bool dhcp = false;
  bool textsSent = true;
};

// The unit's network values and state, as --json and the journal show them before and after.
nlohmann::ordered_json NetworkJson(const UnitView& view);

// What the unit shows differs from what was sent: the JSON key, the name in the message, as
// shown, as sent (UTF-8). Nothing when it shows everything that was sent.
struct Difference {
  std::string_view key, what;
  std::string shown, sent;
};

std::optional<Difference> FirstDifference(const CliTexts& texts, const search::SearchReport& after,
                                          const search::FoundUnit& found,
                                          const WantedSettings& wanted);

// The journal's values of a unit before or after: never the password itself.
nlohmann::ordered_json JournalValues(const std::string& ip, const std::string& mask,
                                     const std::string& router, bool dhcp,
                                     const std::optional<std::string>& deviceName,
                                     const std::optional<std::string>& user, bool password);

// Why the unit must not be given the wanted address, mask and router: they would leave it
// unreachable, or (with `newAddress`) the address is this computer's or another unit's of the
// report. Nothing when they fit.
std::optional<std::string> NetworkProblemText(const CliTexts& texts,
                                              const search::SearchReport& report,
                                              const search::FoundUnit& unit,
                                              const WantedSettings& wanted, bool newAddress);

}  // namespace kv3::cli
