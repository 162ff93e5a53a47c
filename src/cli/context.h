#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/interrupt.h"
#include "cli/journal.h"
#include "cli/progress.h"
#include "link/link_settings.h"
#include "search/adapter_search.h"

namespace kv3::cli {

// What the exit status tells a script.
enum ExitStatus : int {
  kSuccess = 0,
  kUnitFailed = 1,  // a unit refused, failed, or does not show what was written
  kUsage = 2,       // the command line or a value on it is wrong; nothing was sent
  kNoUnit = 3,      // no unit (or not the one named) answered, or a unit did not acknowledge
  kLocalError = 4,  // a file or socket of this computer failed
  kInterrupted = 130,
};

// What every command works with.
struct Context {
  const CliTexts& texts;
  link::LinkSettings settings;
  std::ostream& out;
  std::ostream& err;
  Interrupt& interrupt;
  ProgressMode progress = ProgressMode::Quiet;
  Journal journal{};  // off unless the run records its changes
};

// Searches (every adapter, or the given address) and tells on standard error why nothing was
// found. Nothing, with the exit status in `status`, when the search itself failed.
std::optional<search::SearchReport> Search(Context& context, const std::string& address,
                                           bool readTexts, int& status);

// Tells what a search tried: the adapters and addresses, send failures, the reply port's holder.
void PrintSearchDiagnosis(Context& context, const search::SearchReport& report);

// The advice for the networks the system treats as public, given once whatever their number and
// naming each named one once; empty when there are none.
std::string PublicNetworkHint(const CliTexts& texts, const std::vector<std::string>& networks);

// The first unit of the report with the MAC, or nothing.
const search::FoundUnit* FindByMac(const search::SearchReport& report, const link::MacAddress& mac);

}  // namespace kv3::cli
