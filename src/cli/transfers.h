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
  bool json = false;    // the summary as JSON
  bool yes = false;     // a transfer of over an hour starts without asking
  bool force = false;   // a file whose content is not what the row sends goes all the same
  bool noWait = false;  // firmware and web app: no wait for the units to answer after the restart
  std::optional<int> waitSeconds;  // how long that wait lasts (default 120 s)
  // The files checked only: a scheme's definition is neither looked for nor normalised.
  bool checkOnly = false;
  // Where a caller that runs transfers as one step of its own gets each unit's outcome: its
  // MAC, the result's key as in JSON and its words, and the firmware it reports afterwards where
  // known.
  struct Outcome {
    std::string mac, result, words;
    std::optional<std::string> firmware;
  };
  std::vector<Outcome>* outcomes = nullptr;
};

// How one unit's transfer ended, as the summary names it.
enum class TransferResult {
  Done,
  NotAcknowledged,
  Corrupted,
  Unreachable,  // it did not answer the search
  Cancelled,
  FileChanged,           // the file changed since kv3 checked it, or while it was sent
  NotAddressable,        // the unit reports an address that reaches more than itself
  SharedAddress,         // other units answer from its address: nothing was sent to it
  SharedMac,             // the MAC named is several units': nothing was sent to them
  TooBig,                // the file is beyond what the unit keeps: nothing was sent
  BadName,               // the file's name has no Windows-1252 form: nothing was sent
  NoAnswer,              // every byte went out, the closing answer did not come: it may have it
  ConnectionRefused,     // it acknowledged, then took no connection for the file
  NoAnswerAfterRestart,  // it took the file, restarted and has not answered since
  UnchangedVersion,      // it took the firmware and came back with the version it had
};

// The exit status of a fleet run: a stop outweighs a unit that failed, that a refused file,
// that a changed file, and that a unit that was not reached.
int FleetStatus(const std::vector<TransferResult>& results, bool interrupted);

int RunTransfer(Context& context, const TransferOptions& options);

}  // namespace kv3::cli
