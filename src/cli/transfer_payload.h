#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/context.h"
#include "cli/transfers.h"
#include "platform/read_file.h"
#include "update/upload_profile.h"

// What `kv3 update` and `kv3 upload` send every unit, checked before the search.
namespace kv3::cli {

// One file of a row, or the scheme's picture with its position definition.
struct Payload {
  const update::UploadProfile* row = nullptr;
  std::string file;
  platform::FileStamp fileStamp;  // the file as it was checked: the units get it so or not at all
  bool withDefinition = false;    // a scheme
  std::optional<std::filesystem::path> definition;  // none: an empty one, which no file holds
  std::optional<platform::FileStamp> definitionStamp;
  std::uint64_t bytes = 0;  // of every file a unit is sent
  std::uint64_t definitionBytes = 0;
};

// The file (and for a scheme its definition), checked as far as a unit would refuse it or take
// something else than the user meant; nothing, the message and the status otherwise.
std::optional<Payload> CheckedPayload(Context& context, const TransferOptions& options,
                                      int& status);

// Says how long the transfer takes when that is a minute or more: the pace of every row is fixed,
// and the units run side by side. Over an hour it asks on a terminal, and without one it needs
// --yes. False (and the status) when the transfer is not to start.
bool LongTransferAgreed(Context& context, const TransferOptions& options, const Payload& payload,
                        int& status);

// Asks the question on a terminal; true when the user answered yes. Without a terminal to ask
// on, `withoutTerminal` goes to standard error and the answer is no.
bool AskedYes(Context& context, std::string_view withoutTerminal, std::string_view question);

}  // namespace kv3::cli
