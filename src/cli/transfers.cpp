#include "cli/transfers.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/sock_failures.h"
#include "cli/unit_view.h"
#include "link/codepage.h"
#include "link/shared_reply_port.h"
#include "platform/console.h"
#include "platform/file_errors.h"
#include "platform/read_file.h"
#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "scheme/scheme_upload.h"
#include "update/stream_format.h"
#include "update/stream_upload.h"
#include "update/upload_profile.h"

namespace kv3::cli {

int FleetStatus(const std::vector<TransferResult>& results) {
  const auto any = [&results](TransferResult wanted) {
    return std::find(results.begin(), results.end(), wanted) != results.end();
  };
  if (any(TransferResult::Cancelled)) return kInterrupted;
  if (any(TransferResult::Corrupted) || any(TransferResult::NotAddressable)) return kUnitFailed;
  if (any(TransferResult::FileChanged)) return kLocalError;
  if (any(TransferResult::NotAcknowledged) || any(TransferResult::Unreachable)) return kNoUnit;
  return kSuccess;
}

namespace {

TransferResult ResultOf(update::UploadOutcome outcome) {
  switch (outcome) {
    case update::UploadOutcome::Complete:
      return TransferResult::Done;
    case update::UploadOutcome::NotAcknowledged:
      return TransferResult::NotAcknowledged;
    case update::UploadOutcome::Corrupted:
      return TransferResult::Corrupted;
    case update::UploadOutcome::NotAddressable:
      return TransferResult::NotAddressable;
    case update::UploadOutcome::FileChanged:
    case update::UploadOutcome::TooBig:
    case update::UploadOutcome::NameNotSendable:
      // Checked before the search: what fails now was changed since.
      return TransferResult::FileChanged;
    case update::UploadOutcome::Ended:
      break;
  }
  return TransferResult::Unreachable;
}

std::string_view ResultText(const CliTexts& texts, TransferResult result) {
  switch (result) {
    case TransferResult::Done:
      return texts.done;
    case TransferResult::NotAcknowledged:
      return texts.notAcknowledged;
    case TransferResult::Corrupted:
      return texts.corrupted;
    case TransferResult::Unreachable:
      return texts.unreachable;
    case TransferResult::FileChanged:
      return texts.fileChanged;
    case TransferResult::NotAddressable:
      return texts.notAddressable;
    case TransferResult::Cancelled:
      break;
  }
  return texts.cancelled;
}

struct Target {
  std::string mac;
  std::optional<link::FoundUnit> unit;  // nothing: it did not answer the search
  TransferResult result = TransferResult::Unreachable;
  std::string problem;  // a socket error met on the way
};

// What every unit of a run is sent: one file of a row, or the scheme's picture with the
// position definition kv3 prepared before the search.
struct Payload {
  const update::UploadProfile* row;
  std::string file;
  std::optional<std::filesystem::path> definition;  // only for a scheme
  std::uint64_t bytes = 0;                          // of every file a unit is sent
  std::uint64_t definitionBytes = 0;
};

// One unit's transfer: the window's upload, every file opened and checked before the first
// datagram. The announce goes out on the reply port all units share, the stream beside the
// other units'.
void RunUnit(Context& context, Target& target, const Payload& payload,
             link::SharedReplyPort& replyPort, ProgressBoard& board, std::size_t row) {
  CliPacing pacing(context.interrupt);
  link::DeviceRecord record = target.unit->record;
  scheme::SchemeSteps steps;
  steps.definition = [&payload] { return *payload.definition; };
  steps.announce = [&](update::UploadRun& run, link::DeviceRecord& rec) {
    return run.announce(rec, replyPort, pacing);
  };
  bool started = false;  // the last file passed its checks
  const auto restart = [&](std::string_view name, std::uint64_t bytes) {
    started = true;
    board.restart(row, target.mac + "  " + PathText(name), bytes);
  };
  const auto progress = [&board, row](int percent) { board.update(row, percent); };
  steps.legStarts = [&](scheme::SchemeLeg leg, std::string_view name) {
    restart(name, leg == scheme::SchemeLeg::Picture ? payload.bytes - payload.definitionBytes
                                                    : payload.definitionBytes);
  };
  steps.progress = [&progress](scheme::SchemeLeg, int percent) { progress(percent); };
  try {
    update::UploadOutcome outcome;
    if (payload.definition) {
      outcome = scheme::UploadScheme(payload.file, record, context.settings, pacing, steps);
    } else {
      update::UploadRun run(*payload.row, payload.file, record);
      if (run.ready()) restart(update::FileNameOf(payload.file), run.size());
      outcome = update::SendRun(run, record, steps.announce, context.settings, pacing, progress);
    }
    target.result = ResultOf(outcome);
    // Every file could be read before the search: one that fails its checks now was changed.
    if (!started && target.result == TransferResult::Unreachable) {
      target.result = TransferResult::FileChanged;
    }
  } catch (const Cancelled&) {
    target.result = TransferResult::Cancelled;
  } catch (const link::ESockException& error) {
    target.result = TransferResult::Unreachable;
    target.problem = SockFailureText(context.texts, error);
  } catch (const std::exception& error) {
    // A socket that failed on the way (the reply port taken meanwhile, ...).
    target.result = TransferResult::Unreachable;
    target.problem = error.what();
  }
  board.finish(row);
}

bool IsReadableFile(const std::filesystem::path& path, std::uintmax_t& size) {
  const platform::ReadFile file{path};
  const auto stamp = file.stamp();
  if (!stamp) return false;
  size = stamp->size;
  return true;
}

// The MACs named, each unit once however its MAC is written: never two transfers to it side by
// side. Nothing (and the message) for a text that is no MAC.
std::optional<std::vector<link::MacAddress>> NamedMacs(Context& context,
                                                       const TransferOptions& options) {
  std::vector<link::MacAddress> macs;
  for (const std::string& text : options.macs) {
    const auto mac = ParseMacArgument(text);
    if (!mac) {
      context.err << Fill(context.texts.badMac, {text}) << '\n';
      return std::nullopt;
    }
    if (std::find(macs.begin(), macs.end(), *mac) == macs.end()) macs.push_back(*mac);
  }
  return macs;
}

// The file (and for a scheme its definition), checked before the search as far as a unit would
// refuse it; nothing and the status otherwise.
std::optional<Payload> CheckedPayload(Context& context, const TransferOptions& options,
                                      int& status) {
  const CliTexts& texts = context.texts;
  const std::string shown = PathText(options.file);
  const auto refuse = [&](std::string_view message, int code) {
    context.err << message << '\n';
    status = code;
    return std::nullopt;
  };
  if (options.kind == TransferKind::Firmware && !ExtensionIs(options.file, ".bin")) {
    return refuse(Fill(texts.firmwareNotBin, {shown}), kUsage);
  }
  std::uintmax_t size = 0;
  if (!IsReadableFile(platform::PathFromUtf8(options.file), size)) {
    return refuse(Fill(texts.fileUnreadable, {shown, FileReason(texts, options.file)}),
                  kLocalError);
  }
  // A unit takes an empty file as well and reports it complete: it would hold nothing.
  if (size == 0) return refuse(Fill(texts.fileEmpty, {shown}), kLocalError);
  const update::UploadProfile& row = options.kind == TransferKind::Firmware ? update::FirmwareRow
                                     : options.kind == TransferKind::WebApp ? update::WebAppRow
                                     : options.kind == TransferKind::Skin   ? update::SkinRow
                                                                            : update::SchemeRow;
  if (!update::PrefixValue(row.framing, size)) {
    return refuse(Fill(texts.fileTooBigForUnit, {shown}), kLocalError);
  }
  if (!link::Utf8ToCp1252Exact(update::FileNameOf(options.file))) {
    return refuse(Fill(texts.nameNotSendable, {shown}), kLocalError);
  }
  Payload payload{&row, options.file, std::nullopt, size, 0};
  if (options.kind != TransferKind::Scheme) return payload;
  if (row.sizeLimit != 0 && size >= row.sizeLimit) {
    return refuse(texts.window.TextFileTooBig, kLocalError);
  }
  try {
    if (options.definition) {
      payload.definition = platform::PathFromUtf8(*options.definition);
      scheme::NormaliseDefinitionFile(*payload.definition);
    } else {
      // As the window does after the picture was chosen in its folder; the start directory is
      // where the tool was started.
      const std::filesystem::path picture = platform::PathFromUtf8(options.file);
      payload.definition = scheme::PreparePositionDefinition(
          picture, std::filesystem::current_path(), picture.parent_path());
    }
  } catch (const platform::FileError& error) {
    const std::string path = platform::Utf8FromPath(error.path());
    return refuse(Fill(error.kind() == platform::FileError::Kind::Open ? texts.fileUnreadable
                                                                       : texts.imageNotWritten,
                       {PathText(path), FileReason(texts, path)}),
                  kLocalError);
  } catch (const std::exception& error) {
    return refuse(std::string(error.what()) + ".", kLocalError);
  }
  if (std::uintmax_t definitionSize = 0; IsReadableFile(*payload.definition, definitionSize)) {
    payload.definitionBytes = definitionSize;
    payload.bytes += definitionSize;
  }
  return payload;
}

// Says how long the transfer takes when that is a minute or more: the pace of every row is fixed,
// and the units run side by side. Over an hour it asks on a terminal, and without one it needs
// --yes. False (and the status) when the transfer is not to start.
bool LongTransferAgreed(Context& context, const TransferOptions& options, const Payload& payload,
                        int& status) {
  const CliTexts& texts = context.texts;
  long long plannedMs = update::PlannedPauseMs(
      *payload.row, static_cast<long long>(payload.bytes - payload.definitionBytes));
  if (payload.definition) {
    plannedMs += update::PlannedPauseMs(update::PositionsRow,
                                        static_cast<long long>(payload.definitionBytes));
  }
  constexpr long long kMinuteMs = 60 * 1000;
  constexpr long long kHourMs = 60 * kMinuteMs;
  if (plannedMs < kMinuteMs) return true;
  context.err << Fill(texts.duration, {DurationText(std::chrono::seconds(plannedMs / 1000))})
              << '\n';
  if (plannedMs <= kHourMs || options.yes) return true;
  status = kUsage;
  if (!platform::InputIsTerminal() || !platform::ErrorIsTerminal()) {
    context.err << texts.needsYes << '\n';
    return false;
  }
  context.err << texts.startQuestion << std::flush;
  const std::optional<std::string> answer = platform::ReadInputLine([&context] {
    if (context.interrupt.requested()) throw Cancelled();
  });
  std::string word = answer.value_or("");
  while (!word.empty() && (word.back() == '\r' || word.back() == ' ')) word.pop_back();
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::istringstream words{std::string(texts.yesWords)};
  for (std::string yes; words >> yes;) {
    if (!word.empty() && word == yes) return true;
  }
  return false;
}

// The units of the run: every unit found (once per MAC and address, in the order of their
// MACs, so that the summary of a site reads the same every time), or the ones named.
std::vector<Target> TargetsOf(const link::SearchReport& report, const TransferOptions& options,
                              const std::vector<link::MacAddress>& macs) {
  std::vector<Target> targets;
  if (options.all) {
    for (const link::FoundUnit& unit : report.units) {
      const std::string mac = link::MacText(unit.record);
      const bool listed = std::any_of(targets.begin(), targets.end(), [&](const Target& t) {
        return t.mac == mac && link::Ipv4At(t.unit->record, link::record::kIp) ==
                                   link::Ipv4At(unit.record, link::record::kIp);
      });
      if (!listed) targets.push_back({mac, unit, TransferResult::Unreachable, {}});
    }
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.mac < b.mac; });
    return targets;
  }
  for (const link::MacAddress& mac : macs) {
    const link::FoundUnit* unit = FindByMac(report, mac);
    targets.push_back({link::MacText(mac),
                       unit ? std::optional<link::FoundUnit>(*unit) : std::nullopt,
                       TransferResult::Unreachable,
                       {}});
  }
  return targets;
}

// How the JSON summary names a result: the same in every language.
std::string_view ResultKey(TransferResult result) {
  switch (result) {
    case TransferResult::Done:
      return "done";
    case TransferResult::NotAcknowledged:
      return "notAcknowledged";
    case TransferResult::Corrupted:
      return "corrupted";
    case TransferResult::Unreachable:
      return "unreachable";
    case TransferResult::FileChanged:
      return "fileChanged";
    case TransferResult::NotAddressable:
      return "notAddressable";
    case TransferResult::Cancelled:
      break;
  }
  return "cancelled";
}

// The summary table (or JSON document) on standard output, the notes on standard error;
// returns the exit status.
int PrintSummary(Context& context, const std::vector<Target>& targets, bool json) {
  const CliTexts& texts = context.texts;
  std::vector<std::vector<std::string>> rows = {
      {std::string(texts.unitColumn), std::string(texts.address), std::string(texts.resultColumn)}};
  std::vector<TransferResult> results;
  for (const Target& target : targets) {
    const std::string address =
        target.unit ? link::Ipv4Text(target.unit->record, link::record::kIp) : "-";
    rows.push_back({target.mac, address, std::string(ResultText(texts, target.result))});
    results.push_back(target.result);
    if (!target.problem.empty()) context.err << target.mac << ": " << target.problem << '\n';
    if (target.result == TransferResult::FileChanged) {
      context.err << Fill(texts.fileChangedNote, {target.mac}) << '\n';
    }
    if (target.result == TransferResult::NotAddressable) {
      context.err << Fill(texts.notOneUnit, {target.mac, address}) << '\n';
    }
  }
  if (context.interrupt.requested()) context.err << texts.interrupted << '\n';
  if (!json) {
    PrintColumns(context.out, rows);
    return FleetStatus(results);
  }
  nlohmann::ordered_json document;
  document["units"] = nlohmann::ordered_json::array();
  for (const Target& target : targets) {
    nlohmann::ordered_json unit;
    unit["mac"] = target.mac;
    unit["address"] =
        target.unit ? nlohmann::ordered_json(link::Ipv4Text(target.unit->record, link::record::kIp))
                    : nlohmann::ordered_json(nullptr);
    unit["result"] = ResultKey(target.result);
    document["units"].push_back(std::move(unit));
  }
  document["interrupted"] = context.interrupt.requested();
  context.out << JsonText(document) << '\n';
  return FleetStatus(results);
}

}  // namespace

int RunTransfer(Context& context, const TransferOptions& options) {
  const auto macs = NamedMacs(context, options);
  if (!macs) return kUsage;
  int status = kSuccess;
  const auto payload = CheckedPayload(context, options, status);
  if (!payload || !LongTransferAgreed(context, options, *payload, status)) return status;
  const auto report = Search(context, options.address, false, status);
  if (!report) return status;
  std::vector<Target> targets = TargetsOf(*report, options, *macs);
  if (std::none_of(targets.begin(), targets.end(),
                   [](const Target& t) { return t.unit.has_value(); })) {
    for (const Target& target : targets) {
      context.err << Fill(context.texts.unknownMac, {target.mac}) << '\n';
    }
    context.err << context.texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    if (options.json) PrintSummary(context, targets, true);
    return kNoUnit;
  }

  std::vector<std::string> labels;
  for (const Target& target : targets) labels.push_back(target.mac);
  ProgressBoard board(labels, context.progress, context.err, context.texts, payload->bytes);
  link::SharedReplyPort replyPort(context.settings);
  {
    std::vector<std::jthread> runs;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (!targets[i].unit) {
        board.finish(i);  // did not answer the search: nothing to wait for
        continue;
      }
      runs.emplace_back([&, i] { RunUnit(context, targets[i], *payload, replyPort, board, i); });
    }
  }
  const int result = PrintSummary(context, targets, options.json);
  const bool restarts =
      options.kind == TransferKind::Firmware || options.kind == TransferKind::WebApp;
  if (restarts && std::any_of(targets.begin(), targets.end(),
                              [](const Target& t) { return t.result == TransferResult::Done; })) {
    context.err << context.texts.restartNote << '\n';
  }
  return result;
}

}  // namespace kv3::cli
