// kv3 site apply: the plan made anew, agreed, and carried out step by step (moves, settings,
// firmware, web app, scheme, skin), each step proved and journalled, the transfers in waves.
#include <algorithm>
#include <climits>
#include <sstream>

#include "cli/commissioning.h"
#include "cli/find_command.h"
#include "cli/settings_proof.h"
#include "cli/site_command.h"
#include "cli/transfer_payload.h"
#include "cli/transfers.h"
#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/net.h"
#include "platform/utf8_path.h"
#include "settings/field_rules.h"
#include "settings/side_by_side.h"

namespace kv3::cli {

namespace {

enum class Outcome { Done, Skipped, Failed, NotStarted };
constexpr std::string_view kOutcomeKeys[] = {"done", "skipped", "failed", "notStarted"};

// One unit's step as the summary shows it.
struct StepRun {
  const RowPlan* row;
  std::optional<SiteStep> step;  // nothing: the unit did not answer
  Outcome outcome = Outcome::NotStarted;
  std::string reason;
};

// A word as a POSIX shell reads it back.
std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789_./-:") == std::string::npos) {
    return word;
  }
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A save or move under way: what it asks the unit to show, and its journal line.
struct Saving {
  StepRun* run;
  WantedSettings wanted;
  nlohmann::ordered_json entry;
};

class Applier {
 public:
  Applier(Context& context, const SiteOptions& options, PlannedSite& planned)
      : context_(context),
        texts_(SiteTextsFor(context.texts)),
        options_(options),
        planned_(planned),
        latest_(planned.report) {
    for (const RowPlan& row : planned.plan.rows) {
      if (!row.unit) {
        runs_.push_back({&row, std::nullopt, Outcome::Skipped, std::string(texts_.missing)});
        continue;
      }
      for (const SiteStep step : kSiteSteps) {
        if (row.has(step)) runs_.push_back({&row, step, Outcome::NotStarted, {}});
      }
    }
  }

  int run() {
    bool interrupted = false;
    try {
      keepLastWords();
      save(SiteStep::Move);
      keepLastWords();
      save(SiteStep::Settings);
      for (const SiteStep step :
           {SiteStep::Firmware, SiteStep::WebApp, SiteStep::Scheme, SiteStep::Skin}) {
        keepLastWords();
        transfer(step);
      }
    } catch (const Cancelled&) {
      interrupted = true;
    }
    return summary(interrupted);
  }

 private:
  // The unit's runs of this step that are to start; the ones after a failed step are skipped.
  std::vector<StepRun*> starting(SiteStep step) {
    std::vector<StepRun*> starting;
    for (StepRun& run : runs_) {
      if (run.step != step) continue;
      const bool failed = std::any_of(runs_.begin(), runs_.end(), [&run](const StepRun& other) {
        return other.row == run.row && other.outcome == Outcome::Failed;
      });
      if (failed) {
        run.outcome = Outcome::Skipped;
        run.reason = texts_.earlierStep;
      } else {
        starting.push_back(&run);
      }
    }
    return starting;
  }

  void fail(StepRun& run, std::string reason) {
    run.outcome = Outcome::Failed;
    run.reason = std::move(reason);
  }

  // What the unit is to show after its move or save; nothing (the run failed or skipped) when
  // it is not to be sent anything.
  std::optional<WantedSettings> wantedFor(StepRun& run, const search::FoundUnit& unit) {
    const RowWanted& row = run.row->wanted;
    WantedSettings wanted;
    wanted.dhcp = row.dhcp;
    wanted.ip = HeldAddress(row.ip);
    wanted.mask = HeldAddress(row.mask);
    wanted.router = HeldAddress(row.router);
    if (run.step == SiteStep::Move) {
      wanted.textsSent = false;
      return wanted;
    }
    const CliTexts& cli = context_.texts;
    const search::UnitTexts& is = unit.texts;
    if (const auto why = WhyNotAsked(cli, latest_, unit)) {
      fail(run, why->words);
      return std::nullopt;
    }
    // The texts not in the file go back as the unit told them, byte for byte.
    if (!row.name && (!is.nameRead || is.nameCut)) {
      fail(run, std::string(texts_.nameUnknown));
      return std::nullopt;
    }
    if ((!row.user && !is.accountAnswered) ||
        (!row.password && (!is.accountAnswered || !is.accountWhole))) {
      fail(run, std::string(texts_.accountUnknown));
      return std::nullopt;
    }
    wanted.deviceName = row.name ? *row.name : is.deviceName;
    wanted.user = row.user ? *row.user : is.user;
    wanted.password = row.password ? *row.password : is.password;
    if (wanted.password.size() < settings::kPasswordMinimum) {
      fail(run, std::string(cli.currentPasswordShort));
      return std::nullopt;
    }
    if (!FirstDifference(cli, latest_, unit, wanted)) {
      run.outcome = Outcome::Skipped;
      run.reason = texts_.alreadySo;
      return std::nullopt;
    }
    return wanted;
  }

  // Moves by MAC ("SETT") or saves ("SETC"): sent side by side, then proved by one search.
  void save(SiteStep step) {
    const bool move = step == SiteStep::Move;
    std::vector<Saving> savings;
    std::vector<settings::SideBySideSave> frames;
    std::vector<link::Way> ways;
    for (StepRun* run : starting(step)) {
      const search::FoundUnit* unit = FindByMac(latest_, run->row->row->mac);
      if (unit == nullptr) {
        fail(*run, std::string(texts_.vanished));
        continue;
      }
      const auto wanted = wantedFor(*run, *unit);
      if (!wanted) continue;
      const UnitView now = ViewOf(*unit);
      nlohmann::ordered_json entry = JournalEntry(now.mac, now.address, move ? "move" : "settings");
      entry["before"] = JournalValues(now.address, now.mask, now.router, now.dhcp,
                                      move ? std::nullopt : std::optional(now.deviceName),
                                      move ? std::nullopt : now.user, !move);
      entry["after"] = JournalValues(
          wanted->ip, wanted->mask, wanted->router, wanted->dhcp,
          move ? std::nullopt : std::optional(link::Cp1252ToUtf8(wanted->deviceName)),
          move ? std::nullopt : std::optional(link::Cp1252ToUtf8(wanted->user)), !move);
      settings::SideBySideSave frame;
      frame.record = unit->record;
      frame.way = unit->way();
      frame.before = link::Ipv4Word(link::Ipv4At(unit->record, link::record::kIp));
      frame.after = wanted->dhcp ? 0 : link::LookupHost(wanted->ip);
      frame.serviceOnly = move;
      frame.values.network =
          settings::NetworkSettingsOf(wanted->ip, wanted->mask, wanted->router, wanted->dhcp);
      frame.values.deviceName = wanted->deviceName;
      frame.values.user = wanted->user;
      frame.values.password = wanted->password;
      frames.push_back(frame);
      ways.push_back(unit->way());
      savings.push_back({run, *wanted, std::move(entry)});
    }
    if (savings.empty()) return;
    const auto record = [this](Saving& saving, std::string_view outcome) {
      saving.entry["outcome"] = outcome;
      context_.journal.append(saving.entry, context_.err, context_.texts);
    };
    try {
      CliPacing pacing(context_.interrupt);
      // Closed before the proof: its searches take the reply port.
      link::ReplyPortSocket socket(context_.settings.replyPort, ways);
      if (!socket.open()) {
        search::SearchReport failed;
        failed.bindError = socket.error();
        PrintSearchDiagnosis(context_, failed);
        for (Saving& saving : savings) fail(*saving.run, platform::ErrorText(socket.error()));
        return;
      }
      settings::SaveSideBySide(socket, context_.settings, pacing, frames);
    } catch (const Cancelled&) {
      for (Saving& saving : savings) {
        record(saving, "interrupted");
        fail(*saving.run, std::string(texts_.stopped));
      }
      throw;
    }
    std::vector<Saving*> proving;
    for (std::size_t i = 0; i < savings.size(); ++i) {
      if (frames[i].sendError != 0) {
        fail(*savings[i].run, platform::ErrorText(frames[i].sendError));
      } else if (frames[i].outcome == settings::SaveOutcome::NameHoldsBackslash) {
        fail(*savings[i].run, Fill(context_.texts.nameBackslash, {frames[i].values.deviceName}));
      } else if (frames[i].outcome != settings::SaveOutcome::Acknowledged) {
        record(savings[i], "notAcknowledged");
        fail(*savings[i].run, std::string(context_.texts.notAcknowledged));
      } else {
        proving.push_back(&savings[i]);
      }
    }
    if (proving.empty()) return;
    prove(proving, record);
  }

  template <typename Record>
  void prove(const std::vector<Saving*>& proving, const Record& record) {
    const CliTexts& cli = context_.texts;
    const auto shows = [&cli](const search::SearchReport& report, const Saving& saving) {
      const search::FoundUnit* found = FindByMac(report, saving.run->row->row->mac);
      return found != nullptr && !FirstDifference(cli, report, *found, saving.wanted) &&
             !WhyNotAsked(cli, report, *found);
    };
    int status = kSuccess;
    std::optional<search::SearchReport> after;
    try {
      // A unit restarts its network after the change: its new address answers after a while.
      after = SearchUntil(
          context_, options_.address,
          std::chrono::milliseconds(settings::kPauseBeforeSearchAfterSaveMs),
          std::chrono::seconds(options_.waitSeconds),
          [&](const search::SearchReport& report) {
            return std::all_of(proving.begin(), proving.end(),
                               [&](const Saving* saving) { return shows(report, *saving); });
          },
          status);
    } catch (const Cancelled&) {
      for (Saving* saving : proving) {
        record(*saving, "interrupted");
        fail(*saving->run, std::string(texts_.stopped));
      }
      throw;
    }
    for (Saving* saving : proving) {
      StepRun& run = *saving->run;
      const search::FoundUnit* found = after ? FindByMac(*after, run.row->row->mac) : nullptr;
      if (found == nullptr) {
        record(*saving, "vanished");
        fail(run, std::string(texts_.vanished));
      } else if (const auto difference = FirstDifference(cli, *after, *found, saving->wanted)) {
        record(*saving, "differs");
        const bool secret = difference->key == "password";
        fail(run, Fill(texts_.differs, {difference->key, secret ? "***" : difference->shown,
                                        secret ? "***" : difference->sent}));
      } else if (WhyNotAsked(cli, *after, *found)) {
        record(*saving, "unverified");
        fail(run, std::string(texts_.unverified));
      } else {
        record(*saving, "verified");
        run.outcome = Outcome::Done;
      }
    }
    if (after) latest_ = std::move(*after);
  }

  // One upload step, in waves of the units that take the same file.
  void transfer(SiteStep step) {
    std::vector<std::vector<StepRun*>> groups;
    for (StepRun* run : starting(step)) {
      // A unit moved since the plan tells its firmware's text only now.
      const search::FoundUnit* unit = FindByMac(latest_, run->row->row->mac);
      const auto& version = run->row->row->firmwareVersion;
      if (step == SiteStep::Firmware && unit != nullptr) {
        const std::string shown = ViewOf(*unit).firmware;
        if (shown == *version) {
          run->outcome = Outcome::Skipped;
          run->reason = texts_.alreadySo;
          continue;
        }
        if (CompareVersions(*version, shown) < 0 && !options_.allowOlder) {
          fail(*run, Fill(texts_.older, {*version, shown}));
          continue;
        }
      }
      const auto file = StepFile(*run->row->row, step);
      const auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
        return StepFile(*g.front()->row->row, step) == file;
      });
      if (group == groups.end()) {
        groups.push_back({run});
      } else {
        group->push_back(run);
      }
    }
    const int allowed = options_.maxFailures.value_or(step == SiteStep::Firmware ? 0 : INT_MAX);
    int failures = 0;
    std::string stop;
    for (const std::vector<StepRun*>& group : groups) {
      const std::size_t size =
          options_.wave > 0 ? static_cast<std::size_t>(options_.wave) : group.size();
      for (std::size_t first = 0; first < group.size(); first += size) {
        const std::vector<StepRun*> wave(
            group.begin() + static_cast<std::ptrdiff_t>(first),
            group.begin() + static_cast<std::ptrdiff_t>(std::min(first + size, group.size())));
        if (!stop.empty()) {
          for (StepRun* run : wave) run->reason = stop;
          continue;
        }
        failures += sendWave(step, wave);
        if (context_.interrupt.requested()) throw Cancelled();
        if (failures > allowed) stop = Fill(texts_.stoppedAfter, {std::to_string(failures)});
      }
    }
  }

  // The transfers of one wave, side by side; the number of units that failed.
  int sendWave(SiteStep step, const std::vector<StepRun*>& wave) {
    TransferOptions transfer;
    transfer.kind = TransferKindOf(step);
    transfer.file = *StepFile(*wave.front()->row->row, step);
    transfer.address = options_.address;
    transfer.yes = true;  // the plan was agreed
    for (const StepRun* run : wave) transfer.macs.push_back(run->row->row->macText);
    std::vector<TransferOptions::Outcome> outcomes;
    transfer.outcomes = &outcomes;
    // The transfers' own summary is this one's business; their notes go where the user reads.
    std::ostringstream summary;
    Context quiet{context_.texts,     context_.settings, summary,         context_.err,
                  context_.interrupt, context_.progress, context_.journal};
    RunTransfer(quiet, transfer);
    int failures = 0;
    for (StepRun* run : wave) {
      const auto outcome = std::find_if(outcomes.begin(), outcomes.end(), [run](const auto& o) {
        return o.mac == run->row->row->macText;
      });
      const std::string result = outcome == outcomes.end() ? "cancelled" : outcome->result;
      const auto& version = run->row->row->firmwareVersion;
      if (result == "done" && step == SiteStep::Firmware &&
          (!outcome->firmware || *outcome->firmware != *version)) {
        fail(*run, Fill(texts_.reports, {outcome->firmware.value_or("?"), *version}));
      } else if (result == "done") {
        run->outcome = Outcome::Done;
      } else if (result == "cancelled") {
        fail(*run, std::string(texts_.stopped));
      } else {
        fail(*run, outcome->words);
      }
      if (run->outcome == Outcome::Failed) ++failures;
    }
    return failures;
  }

  std::string retryCommand() const {
    return "kv3 site apply " + ShellWord(platform::Utf8FromPath(planned_.site.path));
  }

  bool unfinished() const {
    return std::any_of(runs_.begin(), runs_.end(), [](const StepRun& run) {
      return run.outcome == Outcome::Failed || run.outcome == Outcome::NotStarted;
    });
  }

  // The outcome as --json gives it; kept as the last words after each step, so that even a
  // second Ctrl-C leaves it.
  std::string document(bool interrupted) const {
    nlohmann::ordered_json document;
    document["file"] = platform::Utf8FromPath(planned_.site.path);
    document["steps"] = nlohmann::ordered_json::array();
    for (const StepRun& run : runs_) {
      document["steps"].push_back(
          {{"row", run.row->row->row},
           {"mac", run.row->row->macText},
           {"step", run.step ? nlohmann::ordered_json(StepKey(*run.step)) : nullptr},
           {"result", kOutcomeKeys[static_cast<int>(run.outcome)]},
           {"reason",
            run.reason.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(run.reason)}});
    }
    document["interrupted"] = interrupted;
    document["retry"] = unfinished() ? nlohmann::ordered_json(retryCommand()) : nullptr;
    return JsonText(document);
  }

  void keepLastWords() {
    if (options_.json) context_.interrupt.setLastWords(document(true));
  }

  int summary(bool interrupted) {
    const std::string retry = retryCommand();
    const std::string_view words[] = {texts_.done, texts_.skipped, texts_.failed,
                                      texts_.notStarted};
    if (options_.json) {
      context_.interrupt.finalWords(context_.out, document(interrupted));
    } else {
      std::vector<std::vector<std::string>> rows = {
          {std::string(context_.texts.unitColumn), std::string(texts_.stepColumn),
           std::string(texts_.resultColumn), std::string(texts_.reasonColumn)}};
      for (const StepRun& run : runs_) {
        rows.push_back({run.row->row->macText, run.step ? std::string(StepKey(*run.step)) : "-",
                        std::string(words[static_cast<int>(run.outcome)]), run.reason});
      }
      PrintColumns(context_.out, rows);
    }
    if (interrupted) context_.err << context_.texts.interrupted << '\n';
    if (unfinished()) context_.err << Fill(texts_.retry, {retry}) << '\n';
    if (interrupted) return kInterrupted;
    if (unfinished()) return kUnitFailed;
    const bool missing =
        std::any_of(runs_.begin(), runs_.end(), [](const StepRun& run) { return !run.step; });
    return missing ? kNoUnit : kSuccess;
  }

  Context& context_;
  const SiteTexts& texts_;
  const SiteOptions& options_;
  PlannedSite& planned_;
  search::SearchReport latest_;  // the units as the last search found them
  std::vector<StepRun> runs_;
};

// A saved plan holds when the site file is the one planned and the units still need exactly
// what was planned.
bool SavedPlanHolds(const PlannedSite& planned) {
  const nlohmann::json& saved = *planned.saved;
  const nlohmann::json fresh =
      nlohmann::json::parse(PlanJson(planned.plan, planned.report)["rows"].dump());
  const auto site = JournalFile(platform::Utf8FromPath(planned.site.path));
  return saved.value("rows", nlohmann::json()) == fresh && saved.contains("site") &&
         saved["site"].value("sha256", std::string()) == site.value("sha256", std::string("-"));
}

}  // namespace

int RunSiteApply(Context& context, const SiteOptions& options) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  context.journal.prepare(context.err, context.texts);
  int status = kSuccess;
  auto planned = PlanSite(context, options, status);
  if (!planned) return status;
  if (planned->saved && !SavedPlanHolds(*planned)) {
    context.err << texts.planChanged << '\n';
    return kUsage;
  }
  // Under --json standard output keeps the one document: the plan goes where the question does.
  Context shown{context.texts, context.settings, options.json ? context.err : context.out,
                context.err, context.interrupt};
  PrintPlan(shown, planned->plan, planned->report);
  if (planned->plan.nothingToDo()) {
    if (options.json) context.out << JsonText({{"steps", nlohmann::ordered_json::array()}}) << '\n';
    return kSuccess;
  }
  const bool changes = std::any_of(planned->plan.rows.begin(), planned->plan.rows.end(),
                                   [](const RowPlan& row) { return !row.changes.empty(); });
  if (changes && !options.yes && !AskedYes(context, texts.needsYes, texts.question)) {
    context.err << texts.notApplied << '\n';
    return kUsage;
  }
  return Applier(context, options, *planned).run();
}

}  // namespace kv3::cli
