#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"

// `kv3 update` and `kv3 upload`: the window's uploads for one unit or a whole site at once.
namespace kv3::cli {

enum class TransferKind { Firmware, WebApp, Skin, Scheme };

struct TransferOptions {
  TransferKind kind = TransferKind::Firmware;
  std::vector<std::string> macs;  // empty with `all`
  bool all = false;
  std::string file;
  std::optional<std::string> definition;  // the scheme's position definition
  std::string address;
  bool json = false;  // the summary as JSON
  bool yes = false;   // a transfer of over an hour starts without asking
};

// How one unit's transfer ended, as the summary names it.
enum class TransferResult {
  Done,
  NotAcknowledged,
  Corrupted,
  Unreachable,
  Cancelled,
  FileChanged,     // the file changed since kv3 checked it, or while it was sent
  NotAddressable,  // the unit reports an address that reaches more than itself
};

// The exit status of a fleet run: a failed transfer outweighs a changed file, and that a unit
// that was not reached.
int FleetStatus(const std::vector<TransferResult>& results);

int RunTransfer(Context& context, const TransferOptions& options);

}  // namespace kv3::cli
