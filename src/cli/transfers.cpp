#include "cli/transfers.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/unit_view.h"
#include "link/codepage.h"
#include "link/sock_exception.h"
#include "link/tsock.h"
#include "scheme/position_definition.h"
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

// One file of a unit's transfer: the row it travels by and the name it is announced under.
struct Leg {
  const update::UploadProfile* row;
  std::string path;
  std::string name;  // empty: the file's own name
  int pauseAfterMs = 0;
};

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

// The legs of one unit, one after the other. Every leg's file is opened and checked before the
// first datagram, so that a picture that will be refused does not cost the unit its definition.
// The announce leg takes the shared lock: the reply port is the tool's one port for every unit.
// The stream leg runs beside the other units'.
void RunUnit(Context& context, Target& target, const std::vector<Leg>& legs, std::mutex& replyPort,
             ProgressBoard& board, std::size_t row) {
  CliPacing pacing(context.interrupt);
  link::DeviceRecord record = target.unit->record;
  try {
    std::vector<std::unique_ptr<update::UploadRun>> runs;
    for (const Leg& leg : legs) {
      runs.push_back(std::make_unique<update::UploadRun>(*leg.row, leg.path, record, leg.name));
      if (!runs.back()->ready()) {
        target.result = ResultOf(runs.back()->outcome());
        if (target.result == TransferResult::Unreachable) {
          target.result = TransferResult::FileChanged;  // it could be read before the search
        }
        return;
      }
    }
    for (std::size_t i = 0; i < legs.size(); ++i) {
      const Leg& leg = legs[i];
      update::UploadRun& run = *runs[i];
      board.restart(row,
                    target.mac + "  " +
                        TerminalText(update::FileNameOf(leg.name.empty() ? leg.path : leg.name)));
      bool announced = false;
      {
        const std::lock_guard lock(replyPort);
        pacing.processMessages();
        link::TSock sock;
        announced = run.announce(record, sock, context.settings, pacing);
      }
      const update::UploadOutcome outcome =
          announced ? run.stream(context.settings, pacing,
                                 [&board, row](int percent) { board.update(row, percent); })
                    : run.outcome();
      target.result = ResultOf(outcome);
      if (target.result != TransferResult::Done) return;
      if (leg.pauseAfterMs > 0) pacing.pause(leg.pauseAfterMs);
    }
  } catch (const Cancelled&) {
    target.result = TransferResult::Cancelled;
  } catch (const std::exception& error) {
    // A socket that failed on the way (the reply port taken meanwhile, ...).
    target.result = TransferResult::Unreachable;
    target.problem = error.what();
  }
}

bool IsReadableFile(const std::string& path, std::uintmax_t& size) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      ::access(path.c_str(), R_OK) != 0) {
    return false;
  }
  size = static_cast<std::uintmax_t>(status.st_size);
  return true;
}

}  // namespace

int RunTransfer(Context& context, const TransferOptions& options) {
  const CliTexts& texts = context.texts;
  std::vector<link::MacAddress> macs;
  for (const std::string& text : options.macs) {
    const auto mac = ParseMacArgument(text);
    if (!mac) {
      context.err << Fill(texts.badMac, {text}) << '\n';
      return kUsage;
    }
    // One unit however its MAC is written: never two transfers to it side by side.
    if (std::find(macs.begin(), macs.end(), *mac) == macs.end()) macs.push_back(*mac);
  }
  if (options.kind == TransferKind::Firmware && !ExtensionIs(options.file, ".bin")) {
    context.err << Fill(texts.firmwareNotBin, {TerminalText(options.file)}) << '\n';
    return kUsage;
  }
  std::uintmax_t size = 0;
  if (!IsReadableFile(options.file, size)) {
    context.err << Fill(texts.fileUnreadable, {TerminalText(options.file)}) << '\n';
    return kLocalError;
  }
  const update::UploadProfile& row = options.kind == TransferKind::Firmware ? update::FirmwareRow
                                     : options.kind == TransferKind::WebApp ? update::WebAppRow
                                     : options.kind == TransferKind::Skin   ? update::SkinRow
                                                                            : update::SchemeRow;
  if (!update::PrefixValue(row.framing, size)) {
    context.err << Fill(texts.fileTooBigForUnit, {TerminalText(options.file)}) << '\n';
    return kLocalError;
  }
  if (!link::Utf8ToCp1252Exact(update::FileNameOf(options.file))) {
    context.err << Fill(texts.nameNotSendable, {TerminalText(options.file)}) << '\n';
    return kLocalError;
  }
  std::vector<Leg> legs;
  if (options.kind == TransferKind::Scheme) {
    if (row.sizeLimit != 0 && size >= row.sizeLimit) {
      context.err << texts.window.TextFileTooBig << '\n';
      return kLocalError;
    }
    std::filesystem::path definition;
    try {
      if (options.definition) {
        definition = *options.definition;
        scheme::NormaliseDefinitionFile(definition);
      } else {
        // As the window does after the picture was chosen in its folder; the start directory is
        // where the tool was started.
        const std::filesystem::path picture(options.file);
        definition = scheme::PreparePositionDefinition(picture, std::filesystem::current_path(),
                                                       picture.parent_path());
      }
    } catch (const std::exception& error) {
      context.err << error.what() << ".\n";
      return kLocalError;
    }
    legs.push_back({&update::PositionsRow, definition.string(),
                    std::string(scheme::PositionDefinitionName), scheme::kPauseAfterDefinitionMs});
  }
  legs.push_back({&row, options.file, "", 0});

  int status = kSuccess;
  const auto report = Search(context, options.address, false, status);
  if (!report) return status;
  std::vector<Target> targets;
  if (options.all) {
    for (const link::FoundUnit& unit : report->units) {
      const std::string mac = link::MacText(unit.record);
      const bool listed = std::any_of(targets.begin(), targets.end(), [&](const Target& t) {
        return t.mac == mac && link::Ipv4At(t.unit->record, link::record::kIp) ==
                                   link::Ipv4At(unit.record, link::record::kIp);
      });
      if (!listed) targets.push_back({mac, unit, TransferResult::Unreachable, {}});
    }
    // In the order of their MACs, not of their answers: the summary of a site reads the same
    // every time.
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.mac < b.mac; });
  } else {
    for (const link::MacAddress& mac : macs) {
      const link::FoundUnit* unit = FindByMac(*report, mac);
      targets.push_back({link::MacText(mac),
                         unit ? std::optional<link::FoundUnit>(*unit) : std::nullopt,
                         TransferResult::Unreachable,
                         {}});
    }
  }
  if (targets.empty() || std::none_of(targets.begin(), targets.end(),
                                      [](const Target& t) { return t.unit.has_value(); })) {
    for (const Target& target : targets) {
      context.err << Fill(texts.unknownMac, {target.mac}) << '\n';
    }
    context.err << texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    return kNoUnit;
  }

  std::vector<std::string> labels;
  for (const Target& target : targets) labels.push_back(target.mac);
  ProgressBoard board(labels, context.progress, context.err);
  std::mutex replyPort;
  {
    std::vector<std::jthread> runs;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (!targets[i].unit) continue;
      runs.emplace_back([&, i] { RunUnit(context, targets[i], legs, replyPort, board, i); });
    }
  }

  std::vector<std::vector<std::string>> rows = {
      {std::string(texts.unitColumn), std::string(texts.address), std::string(texts.resultColumn)}};
  std::vector<TransferResult> results;
  for (const Target& target : targets) {
    rows.push_back({target.mac,
                    target.unit ? link::Ipv4Text(target.unit->record, link::record::kIp) : "-",
                    std::string(ResultText(texts, target.result))});
    results.push_back(target.result);
    if (!target.problem.empty()) context.err << target.mac << ": " << target.problem << '\n';
    if (target.result == TransferResult::FileChanged) {
      context.err << Fill(texts.fileChangedNote, {target.mac}) << '\n';
    }
    if (target.result == TransferResult::NotAddressable) {
      context.err << Fill(texts.notOneUnit,
                          {target.mac, link::Ipv4Text(target.unit->record, link::record::kIp)})
                  << '\n';
    }
  }
  if (context.interrupt.requested()) context.err << texts.interrupted << '\n';
  PrintColumns(context.out, rows);
  return FleetStatus(results);
}

}  // namespace kv3::cli
