#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/unit_view.h"

// kv3 find and kv3 show, and how the other commands find the unit they name.
namespace kv3::cli {

struct FindOptions {
  std::string address;
  bool json = false;
  bool csv = false;  // the table as CSV, for a spreadsheet
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

// The unit a command names, found by a new search, with everything that search found.
struct NamedUnitFound {
  search::SearchReport report;
  std::size_t index = 0;  // of the unit in report.units
  UnitView view;
  const search::FoundUnit& unit() const { return report.units.at(index); }
};
// Searches (with the units' texts) and finds the unit; nothing and the status when the search
// failed or the unit did not answer. The notes about the unit go to standard error, with the
// command that fixes its state when `advise` is set.
std::optional<NamedUnitFound> NamedUnit(Context& context, const link::MacAddress& mac,
                                        const std::string& address, int& status,
                                        bool advise = true);

// Why the search could not read the unit's texts, as a key for JSON ("notAddressable",
// "sharedAddress", "otherNetwork", "silent") and as words; nothing when it read them.
struct NotAsked {
  std::string_view key;
  std::string words;
};
std::optional<NotAsked> WhyNotAsked(const CliTexts& texts, const search::SearchReport& report,
                                    const search::FoundUnit& unit);

}  // namespace kv3::cli
