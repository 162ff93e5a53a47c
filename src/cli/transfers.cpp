#include "cli/transfers.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "cli/commissioning.h"
#include "cli/sock_failures.h"
#include "cli/transfer_payload.h"
#include "cli/unit_view.h"
#include "link/requester.h"
#include "link/shared_reply_port.h"
#include "platform/utf8_path.h"
#include "scheme/scheme_upload.h"
#include "settings/save_settings.h"
#include "update/stream_format.h"
#include "update/stream_upload.h"

namespace kv3::cli {

namespace {

// Every result with its key in JSON (the same in every language), its words in the summary, the
// exit status it stands for, that status's weight against the others, and the upload outcomes
// it stands for.
struct ResultRow {
  TransferResult result;
  std::string_view key;
  std::string_view CliTexts::*words;
  int status;
  int weight;
  std::initializer_list<update::UploadOutcome> outcomes = {};
};

using update::UploadOutcome;

// Every file was checked before the search: one that fails its checks now was changed.
const ResultRow kResults[] = {
    {TransferResult::Done, "done", &CliTexts::done, kSuccess, 0, {UploadOutcome::Complete}},
    {TransferResult::NotAcknowledged,
     "notAcknowledged",
     &CliTexts::notAcknowledged,
     kNoUnit,
     1,
     {UploadOutcome::NotAcknowledged}},
    {TransferResult::Unreachable, "unreachable", &CliTexts::unreachable, kNoUnit, 1},
    {TransferResult::FileChanged,
     "fileChanged",
     &CliTexts::fileChanged,
     kLocalError,
     2,
     {UploadOutcome::FileChanged, UploadOutcome::Unreadable, UploadOutcome::Empty,
      UploadOutcome::TooBigToAnnounce, UploadOutcome::WrongExtension, UploadOutcome::NotWebImage,
      UploadOutcome::NotJpeg, UploadOutcome::FirmwareIsPicture, UploadOutcome::FirmwareIsWebImage,
      UploadOutcome::FirmwareIsText}},
    {TransferResult::TooBig, "tooBig", &CliTexts::tooBig, kUsage, 3, {UploadOutcome::TooBig}},
    {TransferResult::BadName,
     "badName",
     &CliTexts::badName,
     kUsage,
     3,
     {UploadOutcome::NameNotSendable}},
    {TransferResult::Corrupted,
     "corrupted",
     &CliTexts::corrupted,
     kUnitFailed,
     4,
     {UploadOutcome::Corrupted}},
    {TransferResult::NotAddressable,
     "notAddressable",
     &CliTexts::notAddressable,
     kUnitFailed,
     4,
     {UploadOutcome::NotAddressable}},
    {TransferResult::SharedAddress, "sharedAddress", &CliTexts::sharedAddress, kUnitFailed, 4},
    {TransferResult::SharedMac, "sharedMac", &CliTexts::sharedMac, kUnitFailed, 4},
    {TransferResult::NoAnswer,
     "noAnswer",
     &CliTexts::noAnswer,
     kUnitFailed,
     4,
     {UploadOutcome::NoAnswer}},
    {TransferResult::ConnectionRefused,
     "connectionRefused",
     &CliTexts::connectionRefused,
     kUnitFailed,
     4,
     {UploadOutcome::NoConnection}},
    {TransferResult::NoAnswerAfterRestart, "noAnswerAfterRestart", &CliTexts::noAnswerAfterRestart,
     kUnitFailed, 4},
    {TransferResult::UnchangedVersion, "unchangedVersion", &CliTexts::unchangedVersion, kSuccess,
     0},
    {TransferResult::Cancelled, "cancelled", &CliTexts::cancelled, kInterrupted, 5},
};

// How long the units get to answer after the restart that firmware and a web app cause.
constexpr int kRestartWaitSeconds = 120;

const ResultRow& RowOf(TransferResult result) {
  return *std::find_if(std::begin(kResults), std::end(kResults),
                       [result](const ResultRow& row) { return row.result == result; });
}

TransferResult ResultOf(UploadOutcome outcome) {
  const auto row = std::find_if(std::begin(kResults), std::end(kResults), [outcome](auto& row) {
    return std::find(row.outcomes.begin(), row.outcomes.end(), outcome) != row.outcomes.end();
  });
  return row == std::end(kResults) ? TransferResult::FileChanged : row->result;
}

struct Target {
  Target(std::string mac, std::optional<search::FoundUnit> unit,
         TransferResult result = TransferResult::Unreachable)
      : mac(std::move(mac)), unit(std::move(unit)), result(result) {}

  std::string mac;
  std::optional<search::FoundUnit> unit;  // nothing: it did not answer the search
  TransferResult result = TransferResult::Unreachable;
  std::string problem;           // a socket error met on the way
  std::string others;            // the other units at its address, or of its MAC
  bool definitionTaken = false;  // a scheme's definition reached the unit
  bool sent = false;             // its transfer started: the journal records it
  // Firmware and web app: what the unit reported before and after its restart.
  std::optional<UnitView> before, after;
  std::optional<std::string> address() const {
    if (!unit) return std::nullopt;
    return link::Ipv4Text(unit->record, link::record::kIp);
  }
};

// What a restart shows: the firmware's version text and the web application.
nlohmann::ordered_json InstalledJson(const UnitView& view) {
  return {{"firmware", view.firmware}, {"webApp", view.webApp}};
}

// The summary as JSON.
std::string SummaryJson(const std::vector<Target>& targets, bool interrupted, bool scheme) {
  nlohmann::ordered_json document;
  document["units"] = nlohmann::ordered_json::array();
  for (const Target& target : targets) {
    nlohmann::ordered_json unit;
    unit["mac"] = target.mac;
    const auto address = target.address();
    unit["address"] = address ? nlohmann::ordered_json(*address) : nlohmann::ordered_json();
    unit["result"] = RowOf(target.result).key;
    if (scheme) unit["definitionTaken"] = target.definitionTaken;
    if (target.before) {
      unit["before"] = InstalledJson(*target.before);
      unit["after"] = target.after ? InstalledJson(*target.after) : nlohmann::ordered_json();
    }
    document["units"].push_back(std::move(unit));
  }
  document["interrupted"] = interrupted;
  return JsonText(document);
}

// What the runs share: the targets, whose results each run writes when it ends, and the
// document a second Ctrl-C leaves behind.
class RunBook {
 public:
  RunBook(Context& context, std::vector<Target>& targets, bool json, bool scheme)
      : context_(context), targets_(targets), json_(json), scheme_(scheme) {
    const std::lock_guard lock(mutex_);
    keepLastWords();
  }

  void ended(std::size_t i, TransferResult result, std::string problem, bool definitionTaken) {
    const std::lock_guard lock(mutex_);
    targets_[i].result = result;
    targets_[i].problem = std::move(problem);
    targets_[i].definitionTaken = definitionTaken;
    keepLastWords();
  }

 private:
  void keepLastWords() {
    if (json_) context_.interrupt.setLastWords(SummaryJson(targets_, true, scheme_));
  }

  Context& context_;
  std::vector<Target>& targets_;
  bool json_;
  bool scheme_;
  std::mutex mutex_;
};

// One unit's transfer: the window's upload of the files as they were checked. The announce goes
// out on the reply port all units share, the stream beside the other units'.
void RunUnit(Context& context, const Target& target, std::size_t row, const Payload& payload,
             link::SharedReplyPort& replyPort, ProgressBoard& board, RunBook& book) {
  CliPacing pacing(context.interrupt);
  link::DeviceRecord record = target.unit->record;
  link::PortRequester requester(replyPort, pacing);
  const auto restart = [&](std::string_view name, std::uint64_t bytes) {
    board.restart(row, target.mac + "  " + PathText(name), bytes);
  };
  const auto progress = [&board, row](int percent) { board.update(row, percent); };
  TransferResult result = TransferResult::Unreachable;
  std::string problem;
  bool definitionTaken = false;
  try {
    update::UploadOutcome outcome;
    if (payload.withDefinition) {
      scheme::SchemeSteps steps;
      steps.definition = [&payload] { return payload.definition; };
      steps.legStarts = [&](scheme::SchemeLeg leg, std::string_view name) {
        restart(name, leg == scheme::SchemeLeg::Picture ? payload.bytes - payload.definitionBytes
                                                        : payload.definitionBytes);
      };
      steps.progress = [&progress](scheme::SchemeLeg, int percent) { progress(percent); };
      steps.definitionEnded = [&definitionTaken](update::UploadOutcome leg) {
        definitionTaken = leg == update::UploadOutcome::Complete;
      };
      steps.pictureChecked = payload.fileStamp;
      steps.definitionChecked = payload.definitionStamp;
      outcome =
          scheme::UploadScheme(payload.file, record, requester, context.settings, pacing, steps);
    } else {
      update::UploadSteps steps;
      steps.announcing = [&](std::uint64_t size) {
        restart(update::FileNameOf(payload.file), size);
      };
      steps.progress = progress;
      steps.checked = payload.fileStamp;
      outcome = update::StreamUpload(*payload.row, payload.file, record, requester,
                                     context.settings, pacing, steps);
    }
    result = ResultOf(outcome);
  } catch (const Cancelled&) {
    result = TransferResult::Cancelled;
  } catch (const link::ESockException& error) {
    problem = SockFailureText(context.texts, error);
  } catch (const std::exception& error) {
    // A socket that failed on the way (the reply port taken meanwhile, ...).
    problem = error.what();
  }
  book.ended(row, result, std::move(problem), definitionTaken);
  board.finish(row);
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

// The units of the run: every unit found (once per MAC and address, in the order of their
// MACs, so that the summary of a site reads the same every time), or the ones named. A unit that
// cannot be told apart from another one is refused before anything is sent to it: one that
// shares its address (a unicast reaches whichever of them this computer's neighbour table
// holds), or a MAC named that several units answer with.
std::vector<Target> TargetsOf(const search::SearchReport& report, const TransferOptions& options,
                              const std::vector<link::MacAddress>& macs) {
  std::vector<Target> targets;
  std::vector<link::DeviceRecord> records;
  for (const search::FoundUnit& unit : report.units) records.push_back(unit.record);
  if (options.all) {
    for (const search::FoundUnit& unit : report.units) {
      const std::string mac = link::MacText(unit.record);
      const bool listed = std::any_of(targets.begin(), targets.end(), [&](const Target& t) {
        return t.mac == mac && link::Ipv4At(t.unit->record, link::record::kIp) ==
                                   link::Ipv4At(unit.record, link::record::kIp);
      });
      if (!listed) targets.emplace_back(mac, unit);
    }
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.mac < b.mac; });
  } else {
    for (const link::MacAddress& mac : macs) {
      const search::FoundUnit* unit = FindByMac(report, mac);
      Target& target = targets.emplace_back(link::MacText(mac), std::nullopt);
      if (unit == nullptr) continue;
      target.unit = *unit;
      if (auto addresses = settings::AddressesWithMac(records, mac); addresses.size() > 1) {
        // Named the same way every time, whichever of them answered first: by address.
        for (const search::FoundUnit& other : report.units) {
          if (link::Mac(other.record) == mac &&
              link::Ipv4At(other.record, link::record::kIp) <
                  link::Ipv4At(target.unit->record, link::record::kIp)) {
            target.unit = other;
          }
        }
        std::sort(addresses.begin(), addresses.end());
        target.result = TransferResult::SharedMac;
        target.others = texts::Joined(addresses);
      }
    }
  }
  for (Target& target : targets) {
    if (!target.unit || target.result == TransferResult::SharedMac) continue;
    if (auto others = link::OtherMacsAt(records, target.unit->record); !others.empty()) {
      std::sort(others.begin(), others.end());
      target.result = TransferResult::SharedAddress;
      target.others = link::MacListText(others);
    }
  }
  return targets;
}

// The notes under the summary: what a result alone does not say.
void PrintNotes(Context& context, const std::vector<Target>& targets) {
  const CliTexts& texts = context.texts;
  for (const Target& target : targets) {
    const std::string address = target.address().value_or("-");
    if (!target.problem.empty()) context.err << target.mac << ": " << target.problem << '\n';
    switch (target.result) {
      case TransferResult::FileChanged:
        context.err << Fill(texts.fileChangedNote, {target.mac}) << '\n';
        break;
      case TransferResult::NotAddressable:
        context.err << Fill(texts.notOneUnit, {target.mac, address}) << '\n';
        break;
      case TransferResult::SharedAddress:
        context.err << Fill(texts.sharedAddressNote, {target.mac, address, target.others}) << '\n';
        break;
      case TransferResult::SharedMac:
        context.err << Fill(texts.sharedMacNote, {target.mac, target.others}) << '\n';
        break;
      case TransferResult::NoAnswer:
        context.err << Fill(texts.noAnswerNote, {target.mac}) << '\n';
        break;
      case TransferResult::NoAnswerAfterRestart:
        context.err << Fill(texts.noAnswerAfterRestartNote, {target.mac}) << '\n';
        break;
      case TransferResult::UnchangedVersion:
        context.err << Fill(texts.unchangedVersionNote,
                            {target.mac, target.after ? target.after->firmware : ""})
                    << '\n';
        break;
      default:
        break;
    }
    if (target.definitionTaken && target.result != TransferResult::Done) {
      context.err << Fill(texts.definitionTakenNote, {target.mac}) << '\n';
    }
  }
  if (context.interrupt.requested()) context.err << texts.interrupted << '\n';
}

// The summary table (or JSON document) on standard output, the notes on standard error;
// returns the exit status.
int PrintSummary(Context& context, const std::vector<Target>& targets,
                 const TransferOptions& options, bool scheme) {
  if (options.outcomes != nullptr) {
    for (const Target& target : targets) {
      options.outcomes->push_back(
          {target.mac, std::string(RowOf(target.result).key),
           std::string(context.texts.*RowOf(target.result).words),
           target.after ? std::optional(target.after->firmware) : std::nullopt});
    }
  }
  const bool json = options.json;
  const CliTexts& texts = context.texts;
  std::vector<std::vector<std::string>> rows = {
      {std::string(texts.unitColumn), std::string(texts.address), std::string(texts.resultColumn)}};
  std::vector<TransferResult> results;
  for (const Target& target : targets) {
    std::string result(texts.*RowOf(target.result).words);
    if (target.result == TransferResult::Done && target.after) {
      result = Fill(texts.doneNow, {options.kind == TransferKind::Firmware ? target.after->firmware
                                                                           : target.after->webApp});
    }
    rows.push_back({target.mac, target.address().value_or("-"), result});
    results.push_back(target.result);
  }
  PrintNotes(context, targets);
  if (json) {
    context.interrupt.finalWords(context.out,
                                 SummaryJson(targets, context.interrupt.requested(), scheme));
  } else {
    PrintColumns(context.out, rows);
  }
  return FleetStatus(results, context.interrupt.requested());
}

// After firmware or a web app the units restart: searches until each unit that took the file
// has gone silent and answers again, or answers with something new, up to the wait. Each such
// unit's result then tells what it reports now.
void AwaitRestart(Context& context, std::vector<Target>& targets, const TransferOptions& options) {
  struct Waiting {
    Target* target;
    bool silent = false;  // a search went unanswered since the transfer: it restarted
    bool back = false;
    std::optional<UnitView> seen;  // its last answer
  };
  std::vector<Waiting> waiting;
  for (Target& target : targets) {
    if (target.result == TransferResult::Done && target.before)
      waiting.push_back({&target, false, false, std::nullopt});
  }
  if (waiting.empty()) return;
  const bool firmware = options.kind == TransferKind::Firmware;
  context.err << Fill(context.texts.awaitingRestart,
                      {std::to_string(options.waitSeconds.value_or(kRestartWaitSeconds))})
              << '\n';
  int status = kSuccess;
  SearchUntil(
      context, options.address, std::chrono::milliseconds(0),
      std::chrono::seconds(options.waitSeconds.value_or(kRestartWaitSeconds)),
      [&](const search::SearchReport& report) {
        bool all = true;
        for (Waiting& unit : waiting) {
          if (unit.back) continue;
          const search::FoundUnit* found = FindByMac(report, link::Mac(unit.target->unit->record));
          // Back once it tells its version again: before that it is still starting.
          if (found == nullptr || found->texts.version.empty()) {
            unit.silent = true;
            all = false;
            continue;
          }
          unit.seen = ViewOf(*found);
          const bool changed = firmware ? unit.seen->firmware != unit.target->before->firmware
                                        : unit.seen->webApp != unit.target->before->webApp;
          unit.back = unit.silent || changed;
          all = all && unit.back;
        }
        return all;
      },
      status);
  for (Waiting& unit : waiting) {
    // Gone silent and not back: it may need attention.
    if (!unit.seen || (unit.silent && !unit.back)) {
      unit.target->result = TransferResult::NoAnswerAfterRestart;
      continue;
    }
    unit.target->after = unit.seen;
    if (firmware && unit.seen->firmware == unit.target->before->firmware) {
      unit.target->result = TransferResult::UnchangedVersion;
    }
  }
}

// One line in the journal for every unit whose transfer started.
void RecordTransfers(Context& context, const std::vector<Target>& targets,
                     const TransferOptions& options, const Payload& payload) {
  static constexpr std::string_view kOperations[] = {"firmware", "webapp", "skin", "scheme"};
  const nlohmann::ordered_json file = JournalFile(payload.file);
  nlohmann::ordered_json definition;
  if (payload.withDefinition && payload.definition) {
    definition = JournalFile(platform::Utf8FromPath(*payload.definition));
  }
  for (const Target& target : targets) {
    if (!target.sent) continue;
    nlohmann::ordered_json entry = JournalEntry(target.mac, target.address().value_or(""),
                                                kOperations[static_cast<int>(options.kind)]);
    entry["file"] = file;
    if (!definition.is_null()) {
      entry["definition"] = definition;
      entry["definitionTaken"] = target.definitionTaken;
    }
    if (target.before) {
      entry["before"] = InstalledJson(*target.before);
      entry["after"] = target.after ? InstalledJson(*target.after) : nlohmann::ordered_json();
    }
    entry["outcome"] = RowOf(target.result).key;
    context.journal.append(entry, context.err, context.texts);
  }
}

}  // namespace

int FleetStatus(const std::vector<TransferResult>& results, bool interrupted) {
  if (interrupted) return kInterrupted;
  const ResultRow* worst = &RowOf(TransferResult::Done);
  for (const TransferResult result : results) {
    if (RowOf(result).weight > worst->weight) worst = &RowOf(result);
  }
  return worst->status;
}

int RunTransfer(Context& context, const TransferOptions& options) {
  const auto macs = NamedMacs(context, options);
  if (!macs) return kUsage;
  int status = kSuccess;
  const auto payload = CheckedPayload(context, options, status);
  if (!payload || !LongTransferAgreed(context, options, *payload, status)) return status;
  const bool scheme = payload->withDefinition;
  std::vector<Target> named;
  for (const link::MacAddress& mac : *macs) {
    named.emplace_back(link::MacText(mac), std::nullopt, TransferResult::Cancelled);
  }
  if (options.json) context.interrupt.setLastWords(SummaryJson(named, true, scheme));
  const bool restarts =
      options.kind == TransferKind::Firmware || options.kind == TransferKind::WebApp;
  const bool awaitRestart = restarts && !options.noWait;
  context.journal.prepare(context.err, context.texts);
  std::optional<search::SearchReport> report;
  try {
    // What the units report before is read when their restart is awaited, to compare.
    report = Search(context, options.address, awaitRestart, status);
  } catch (const Cancelled&) {
    if (options.json) context.interrupt.finalWords(context.out, SummaryJson(named, true, scheme));
    throw;
  }
  if (!report) return status;
  std::vector<Target> targets = TargetsOf(*report, options, *macs);
  if (std::none_of(targets.begin(), targets.end(),
                   [](const Target& t) { return t.unit.has_value(); })) {
    for (const Target& target : targets) {
      context.err << Fill(context.texts.unknownMac, {target.mac}) << '\n';
    }
    context.err << context.texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    if (options.outcomes != nullptr) {
      for (const Target& target : targets)
        options.outcomes->push_back(
            {target.mac, "unreachable", std::string(context.texts.unreachable), {}});
    }
    if (options.json)
      context.interrupt.finalWords(context.out, SummaryJson(targets, false, scheme));
    return kNoUnit;
  }

  // What runs starts as stopped: should the process end at once, that is what it was.
  std::vector<std::size_t> running;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    Target& target = targets[i];
    if (target.unit && target.result == TransferResult::Unreachable) {
      target.result = TransferResult::Cancelled;
      target.sent = true;
      if (awaitRestart) target.before = ViewOf(*target.unit);
      running.push_back(i);
    }
  }
  std::vector<std::string> labels;
  for (const Target& target : targets) labels.push_back(target.mac);
  ProgressBoard board(labels, context.progress, context.err, context.texts, payload->bytes);
  RunBook book(context, targets, options.json, scheme);
  {
    // The reply port is free again once the transfers end: the wait for the restart searches.
    link::SharedReplyPort replyPort(context.settings);
    std::vector<std::jthread> runs;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (std::find(running.begin(), running.end(), i) == running.end()) {
        board.finish(i);  // nothing to wait for
        continue;
      }
      runs.emplace_back(
          [&, i] { RunUnit(context, targets[i], i, *payload, replyPort, board, book); });
    }
  }
  if (awaitRestart && !context.interrupt.requested()) {
    try {
      AwaitRestart(context, targets, options);
    } catch (const Cancelled&) {
      // Stopped while waiting: the transfers ended as they are, only their proof is missing.
    }
  }
  RecordTransfers(context, targets, options, *payload);
  const int result = PrintSummary(context, targets, options, scheme);
  // Not proved after the restart: the units restart all the same.
  const bool unproved = !awaitRestart || context.interrupt.requested();
  if (unproved && restarts && std::any_of(targets.begin(), targets.end(), [](const Target& t) {
        return t.result == TransferResult::Done || t.result == TransferResult::NoAnswer;
      })) {
    context.err << context.texts.restartNote << '\n';
  }
  return result;
}

}  // namespace kv3::cli
