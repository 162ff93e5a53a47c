// kv3 set: the window's save for one unit or several, or their move by MAC, with every value
// checked before anything is sent and the outcome proved by searching until the unit shows it.
#include "cli/set_command.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "cli/commissioning.h"
#include "cli/find_command.h"
#include "cli/settings_proof.h"
#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/console.h"
#include "platform/net.h"
#include "service/service_commands.h"
#include "settings/field_rules.h"
#include "settings/network_rules.h"
#include "settings/save_settings.h"

namespace kv3::cli {

namespace {

// Every value given is checked before anything is sent; false (and the message) for the first
// that is refused.
bool ValuesAllowed(Context& context, const SetOptions& options, std::size_t units) {
  const CliTexts& texts = context.texts;
  if (!options.name && !options.ip && !options.mask && !options.router && !options.user &&
      !options.dhcp && !options.passwordStdin && !options.passwordPrompt) {
    context.err << texts.nothingToSet << '\n';
    return false;
  }
  if (options.byMac &&
      (options.name || options.user || options.passwordStdin || options.passwordPrompt)) {
    context.err << texts.byMacNetworkOnly << '\n';
    return false;
  }
  // "auto" and "192.0.2.50+" stand for addresses this run chooses.
  const bool chosen = options.ip && (*options.ip == "auto" || options.ip->ends_with('+'));
  if (units > 1 && options.ip && !chosen) {
    context.err << Fill(texts.oneAddressForSeveral, {*options.ip}) << '\n';
    return false;
  }
  const std::optional<std::string> ip = [&options]() -> std::optional<std::string> {
    if (!options.ip || *options.ip == "auto") return std::nullopt;
    return options.ip->ends_with('+') ? options.ip->substr(0, options.ip->size() - 1) : *options.ip;
  }();
  for (const auto& [option, value] : {std::pair{"--ip", &ip}, std::pair{"--mask", &options.mask},
                                      std::pair{"--router", &options.router}}) {
    if (*value && !settings::IsValidIPv4Text(**value)) {
      context.err << Fill(texts.badAddress, {option, **value}) << '\n';
      return false;
    }
  }
  if (options.mask && !settings::IsContiguousMask(settings::ParseIPv4Text(*options.mask))) {
    context.err << Fill(texts.maskNotContiguous, {*options.mask}) << '\n';
    return false;
  }
  for (const auto& [option, value, limit, kind] :
       {std::tuple{"--name", &options.name, settings::kDeviceNameLimit,
                   settings::TextKind::DeviceName},
        std::tuple{"--user", &options.user, settings::kUserNameLimit,
                   settings::TextKind::UserName}}) {
    if (!*value) continue;
    if (const auto problem = TextProblem(texts, option, **value, limit, kind)) {
      context.err << *problem << '\n';
      return false;
    }
  }
  return true;
}

// The texts the unit did not tell whole and that were not given: "SETC" carries every one of
// them, so sent back unknown they would be lost. False (and the message) when one is missing.
bool TextsKnown(Context& context, const NamedUnitFound& named, const SetOptions& options,
                bool passwordGiven) {
  const CliTexts& texts = context.texts;
  const search::FoundUnit& unit = named.unit();
  const auto why = WhyNotAsked(texts, named.report, unit);
  if (!options.name) {
    if (unit.texts.nameCut) {
      context.err << texts.nameCut << '\n';
      return false;
    }
    if (!unit.texts.nameRead) {
      context.err << Fill(texts.nameNotRead,
                          {why ? why->words : Fill(texts.whyNoName, {named.view.address})})
                  << '\n';
      return false;
    }
    if (unit.texts.deviceName.find('\\') != std::string::npos) {
      context.err << Fill(texts.nameBackslash,
                          {TerminalText(link::Cp1252ToUtf8(unit.texts.deviceName))})
                  << '\n';
      return false;
    }
  }
  if (!unit.texts.accountAnswered && (!passwordGiven || !options.user)) {
    context.err << Fill(texts.accountNotRead,
                        {why ? why->words : Fill(texts.whySilent, {named.view.address})})
                << '\n';
    return false;
  }
  if (unit.texts.accountAnswered && !unit.texts.accountWhole && !passwordGiven) {
    context.err << texts.passwordCut << '\n';
    return false;
  }
  return true;
}

// The address, mask and router the unit would have, checked together, when any of them is given:
// nothing that leaves the unit unreachable or takes an address already in use is sent. False
// (and the message) otherwise.
bool NetworkFits(Context& context, const NamedUnitFound& named, const SetOptions& options,
                 const WantedSettings& wanted) {
  if (wanted.dhcp || (!options.ip && !options.mask && !options.router)) return true;
  const auto problem =
      NetworkProblemText(context.texts, named.report, named.unit(), wanted, options.ip.has_value());
  if (!problem) return true;
  context.err << *problem << '\n';
  return false;
}

enum class Sent { Acknowledged, NotAcknowledged, PortFailed, SendFailed, NameHoldsBackslash };

// The window's save ("SETC"), or the service page's move by MAC ("SETT"), sent the way the unit
// answered the search.
Sent SendSettings(Context& context, const search::FoundUnit& unit, const WantedSettings& wanted) {
  CliPacing pacing(context.interrupt);
  link::ReplyPortSocket socket(context.settings.replyPort, {unit.way()});
  if (!socket.open()) {
    search::SearchReport report;
    report.bindError = socket.error();
    PrintSearchDiagnosis(context, report);
    return Sent::PortFailed;
  }
  link::ReplyPortChannel channel(
      socket, context.settings, pacing,
      {{link::LookupHost(context.settings.broadcastAddress), unit.way(), true}},
      link::ReplyPortChannel::Answers::InArrival);
  const link::NetworkSettings network =
      settings::NetworkSettingsOf(wanted.ip, wanted.mask, wanted.router, wanted.dhcp);
  link::DeviceRecord record = unit.record;
  settings::SaveOutcome outcome = settings::SaveOutcome::NotAcknowledged;
  if (wanted.textsSent) {
    settings::SettingsToSave values;
    values.network = network;
    values.deviceName = wanted.deviceName;
    values.user = wanted.user;
    values.password = wanted.password;
    outcome = settings::SaveSettings(channel, record, values);
  } else if (service::SendServiceSettings(channel, record, network)) {
    outcome = settings::SaveOutcome::Acknowledged;
  }
  // The adapter went down meanwhile, or lost its address: this computer's fault, not the unit's.
  if (const int error = channel.sendErrors().front(); error != 0) {
    context.err << Fill(context.texts.settingsNotSent, {platform::ErrorText(error)}) << '\n';
    return Sent::SendFailed;
  }
  switch (outcome) {
    case settings::SaveOutcome::Acknowledged:
      return Sent::Acknowledged;
    case settings::SaveOutcome::NameHoldsBackslash:
      return Sent::NameHoldsBackslash;
    case settings::SaveOutcome::NotAcknowledged:
      break;
  }
  return Sent::NotAcknowledged;
}

// What one unit's run ends with: its document for --json (mac, address, via, result, before,
// after, differs, reason) and its exit status.
struct UnitRun {
  nlohmann::ordered_json document;
  int status = kSuccess;
};

nlohmann::ordered_json SetDocument(const std::string& mac,
                                   const std::optional<std::string>& address,
                                   std::string_view result) {
  nlohmann::ordered_json document;
  document["mac"] = mac;
  document["address"] = address ? nlohmann::ordered_json(*address) : nlohmann::ordered_json();
  document["result"] = result;
  document["differs"] = nullptr;
  return document;
}

// After the change: whether the unit shows what was sent and answers its texts request where it
// is now. The network values come from its search answer; the texts only from its own answers
// at its address: where it cannot be asked there, the change is not proved.
void CompareShown(Context& context, const search::SearchReport& after,
                  const search::FoundUnit& found, const WantedSettings& wanted, bool json,
                  UnitRun& run) {
  const CliTexts& texts = context.texts;
  UnitView shown = ViewsOf(after).at(static_cast<std::size_t>(&found - after.units.data()));
  run.document["after"] = NetworkJson(shown);
  if (const auto difference = FirstDifference(texts, after, found, wanted)) {
    // A password is never printed unless asked for; here it is named, not shown.
    const bool secret = difference->key == "password";
    const std::string shownText = secret ? "***" : difference->shown;
    const std::string sentText = secret ? "***" : difference->sent;
    context.err << Fill(texts.settingsDiffer,
                        {difference->what, TerminalText(shownText), TerminalText(sentText)})
                << '\n';
    run.document["result"] = "differs";
    run.document["differs"] = {
        {"value", difference->key}, {"shown", shownText}, {"sent", sentText}};
    run.status = kUnitFailed;
    return;
  }
  if (const auto why = WhyNotAsked(texts, after, found)) {
    context.err << Fill(texts.textsUnread, {shown.address, why->words}) << '\n';
    run.document["result"] = "unverified";
    run.document["reason"] = why->key;
    run.status = kUnitFailed;
    return;
  }
  run.document["result"] = "verified";
  if (json) return;
  if (wanted.textsSent) {
    context.out << texts.settingsVerified << '\n';
  } else {
    context.out << Fill(texts.movedVerified, {shown.mac, shown.address}) << '\n';
  }
}

// The settings to send: the values given, the others as the unit told them. Nothing (and the
// message, and the status) when the unit may not be sent them.
std::optional<WantedSettings> WantedFor(Context& context, const NamedUnitFound& named,
                                        const SetOptions& options, bool byMac,
                                        const std::optional<std::string>& password, int& status) {
  const CliTexts& texts = context.texts;
  const search::FoundUnit& unit = named.unit();
  const UnitView& now = named.view;
  status = kUnitFailed;
  if (!now.macAlsoAt.empty()) {
    // "SETC" and "SETT" name their unit by MAC alone: every unit with it would take the settings.
    context.err << Fill(texts.sharedMacRefused, {now.mac, AddressesOfMac(now)}) << '\n';
    return std::nullopt;
  }
  if (!byMac && !options.address.empty() && !InAdapterNetworks(now.address, "")) {
    context.err << Fill(texts.behindRouter, {now.mac, now.address}) << '\n';
    status = kUsage;
    return std::nullopt;
  }
  WantedSettings wanted;
  if (byMac) {
    wanted.textsSent = false;
  } else {
    if (!TextsKnown(context, named, options, password.has_value())) return std::nullopt;
    // The values given are 7-bit text (checked above); the others go back as the unit sent them.
    wanted.deviceName = options.name ? *options.name : unit.texts.deviceName;
    wanted.user = options.user ? *options.user : unit.texts.user;
    wanted.password = password ? *password : unit.texts.password;
    if (wanted.password.size() < settings::kPasswordMinimum) {
      context.err << texts.currentPasswordShort << '\n';
      return std::nullopt;
    }
  }
  const bool addressGiven = options.ip || options.mask || options.router;
  wanted.ip = options.ip.value_or(now.address);
  wanted.mask = options.mask.value_or(now.mask);
  wanted.router = options.router.value_or(now.router);
  wanted.dhcp = options.dhcp || (!addressGiven && now.dhcp);
  if (!NetworkFits(context, named, options, wanted)) {
    status = kUsage;
    return std::nullopt;
  }
  status = kSuccess;
  return wanted;
}

bool NetworkOnly(const SetOptions& options) {
  return !options.name && !options.user && !options.passwordStdin && !options.passwordPrompt;
}

// "--ip auto" or "--ip 192.0.2.50+": the address is chosen by this run.
bool AddressChosen(const SetOptions& options) {
  return options.ip && (*options.ip == "auto" || options.ip->ends_with('+'));
}

// Fills in the address that "--ip auto" or "--ip X+" stands for, and the mask and router of the
// adapter's network where the unit is moved there and none was given. False (and the message)
// when no address is free.
bool ChooseAddress(Context& context, const NamedUnitFound& named, SetOptions& options,
                   std::vector<std::uint32_t>& chosen, int& status) {
  if (!AddressChosen(options)) return true;
  const std::optional<HomeNetwork> home = HomeNetworkOf(named.unit());
  const bool automatic = *options.ip == "auto";
  std::uint32_t first = 0, mask = 0;
  if (automatic) {
    if (!home) {
      context.err << Fill(context.texts.noHomeNetwork, {named.view.mac}) << '\n';
      status = kUsage;
      return false;
    }
    first = platform::ToNet32(platform::FromNet32(home->own) + 1);
    mask = home->mask;
  } else {
    first = link::LookupHost(options.ip->substr(0, options.ip->size() - 1));
    mask = options.mask ? link::LookupHost(*options.mask)
           : home && ((first ^ home->own) & home->mask) == 0
               ? home->mask
               : link::Ipv4Word(settings::ParseIPv4Text(named.view.mask));
  }
  const auto free = FreeAddress(context, named.report, first, mask, chosen);
  if (!free) {
    context.err << Fill(context.texts.noFreeAddress,
                        {named.view.mac,
                         settings::NetworkText(link::Ipv4Of(first), link::Ipv4Of(mask))})
                << '\n';
    status = kUnitFailed;
    return false;
  }
  chosen.push_back(*free);
  options.ip = link::AddressText(*free);
  context.err << Fill(context.texts.addressChosen, {named.view.mac, *options.ip}) << '\n';
  // Moved into the adapter's network: its mask, and its router, unless given.
  if (home && ((*free ^ home->own) & home->mask) == 0) {
    if (!options.mask) options.mask = link::AddressText(home->mask);
    if (!options.router && home->router != 0 &&
        !(((link::Ipv4Word(settings::ParseIPv4Text(named.view.router)) ^ *free) & home->mask) ==
          0)) {
      options.router = link::AddressText(home->router);
    }
  }
  return true;
}

// One unit: found, checked, sent its settings ("SETC") or moved by MAC ("SETT"), then searched
// again until it shows them and answers its texts request where it is now.
// `stopped` is what --json says of the unit should the run be stopped.
UnitRun SetOne(Context& context, const link::MacAddress& mac, SetOptions options,
               const std::optional<std::string>& password, std::vector<std::uint32_t>& chosen,
               nlohmann::ordered_json& stopped) {
  const CliTexts& texts = context.texts;
  const std::string macText = link::MacText(mac);
  UnitRun run{SetDocument(macText, std::nullopt, "interrupted"), kSuccess};
  int status = kSuccess;
  std::optional<NamedUnitFound> named =
      NamedUnit(context, mac, options.address, status, !NetworkOnly(options));
  if (!named) {
    run.document["result"] = "unreachable";
    run.status = status;
    return run;
  }
  const UnitView& now = named->view;
  run.document["address"] = now.address;
  run.document["before"] = NetworkJson(now);
  const bool byMac = NetworkOnly(options) &&
                     (options.byMac || now.state == UnitState::OtherNetwork ||
                      now.state == UnitState::SharedAddress || now.state == UnitState::NoTexts ||
                      now.state == UnitState::NotAddressable);
  run.document["via"] = byMac ? "SETT" : "SETC";
  const auto refused = [&run](int why) {
    run.document["result"] = "refused";
    run.status = why;
    return run;
  };
  const bool fixedAddress = options.ip && !AddressChosen(options);
  if (!ChooseAddress(context, *named, options, chosen, status)) return refused(status);
  const std::optional<WantedSettings> wanted =
      WantedFor(context, *named, options, byMac, password, status);
  if (!wanted) return refused(status);
  // A new address given: nobody may hold it (a chosen one was tested so already).
  if (fixedAddress && link::LookupHost(*options.ip) != link::LookupHost(now.address) &&
      AddressHeld(context, link::Ipv4Word(settings::ParseIPv4Text(*options.ip)))) {
    context.err << Fill(texts.ipHeld, {*options.ip}) << '\n';
    return refused(kUsage);
  }

  const search::FoundUnit& unit = named->unit();
  nlohmann::ordered_json entry = JournalEntry(macText, now.address, byMac ? "move" : "settings");
  entry["before"] = JournalValues(now.address, now.mask, now.router, now.dhcp,
                                  byMac ? std::nullopt : std::optional(now.deviceName),
                                  byMac ? std::nullopt : now.user, !byMac);
  entry["after"] =
      JournalValues(wanted->ip, wanted->mask, wanted->router, wanted->dhcp,
                    byMac ? std::nullopt : std::optional(link::Cp1252ToUtf8(wanted->deviceName)),
                    byMac ? std::nullopt : std::optional(link::Cp1252ToUtf8(wanted->user)), !byMac);
  const auto record = [&](std::string_view outcome) {
    entry["outcome"] = outcome;
    context.journal.append(entry, context.err, texts);
  };
  Sent sent = Sent::PortFailed;
  std::optional<search::SearchReport> after;
  const std::string expected =
      wanted->dhcp ? "" : link::Ipv4Text(settings::ParseIPv4Text(wanted->ip));
  try {
    sent = SendSettings(context, unit, *wanted);
    if (sent == Sent::Acknowledged) {
      // A unit restarts its network after the change: its new address answers after a while.
      after = SearchUntil(
          context, options.address,
          std::chrono::milliseconds(settings::kPauseBeforeSearchAfterSaveMs),
          std::chrono::seconds(options.waitSeconds),
          [&](const search::SearchReport& report) {
            const search::FoundUnit* found = FindByMac(report, mac);
            return found != nullptr && !FirstDifference(texts, report, *found, *wanted) &&
                   !WhyNotAsked(texts, report, *found);
          },
          status);
    }
  } catch (const Cancelled&) {
    // Stopped once the settings may have gone out: the unit may hold the new values already.
    context.err << texts.setInterrupted << '\n';
    record("interrupted");
    run.document["result"] = "interrupted";
    stopped = run.document;
    run.status = kInterrupted;
    throw;
  }
  switch (sent) {
    case Sent::PortFailed:
    case Sent::SendFailed:
      run.document["result"] = "notSent";
      run.status = kLocalError;
      return run;
    case Sent::NameHoldsBackslash:
      context.err << Fill(texts.nameBackslash,
                          {TerminalText(link::Cp1252ToUtf8(wanted->deviceName))})
                  << '\n';
      return refused(kUnitFailed);
    case Sent::NotAcknowledged:
      context.err << texts.settingsNotAcknowledged << '\n';
      record("notAcknowledged");
      run.document["result"] = "notAcknowledged";
      run.status = kNoUnit;
      return run;
    case Sent::Acknowledged:
      break;
  }
  if (!after) {
    record("unproved");
    run.status = status;
    return run;
  }
  const search::FoundUnit* found = FindByMac(*after, mac);
  if (found == nullptr) {
    context.err << Fill(texts.vanished, {macText}) << '\n';
    record("vanished");
    run.document["result"] = "vanished";
    run.document["after"] = nullptr;
    run.status = kUnitFailed;
    return run;
  }
  CompareShown(context, *after, *found, *wanted, options.json, run);
  record(run.document["result"].get<std::string>());
  return run;
}

}  // namespace

std::optional<std::string> NewPassword(Context& context, bool fromInput, int& status) {
  const CliTexts& texts = context.texts;
  // A stop request ends the wait for the user at once.
  const auto stopCheck = [&context] {
    if (context.interrupt.requested()) throw Cancelled();
  };
  std::optional<std::string> password;
  if (fromInput) {
    password = platform::ReadInputLine(stopCheck);
    if (password && !password->empty() && password->back() == '\r') password->pop_back();
    if (!password) context.err << texts.passwordFromNowhere << '\n';
  } else {
    password = platform::ReadHiddenLine(texts.passwordPrompt, stopCheck);
    const auto repeated =
        password ? platform::ReadHiddenLine(texts.passwordRepeat, stopCheck) : std::nullopt;
    if (!password || !repeated) {
      context.err << texts.passwordFromNowhere << '\n';
      password.reset();
    } else if (*password != *repeated) {
      context.err << texts.passwordMismatch << '\n';
      password.reset();
    }
  }
  if (!password) {
    status = kUsage;
    return std::nullopt;
  }
  const std::size_t length = settings::CharacterCount(*password);
  if (length < settings::kPasswordMinimum || length > settings::kPasswordLimit) {
    context.err << texts.passwordLength << '\n';
    status = kUsage;
    return std::nullopt;
  }
  if (const auto problem = TextProblem(texts, "--password", *password, settings::kPasswordLimit,
                                       settings::TextKind::Password)) {
    context.err << *problem << '\n';
    status = kUsage;
    return std::nullopt;
  }
  return password;
}

std::optional<std::string> TextProblem(const CliTexts& texts, std::string_view option,
                                       const std::string& value, std::size_t limit,
                                       settings::TextKind kind) {
  if (settings::CharacterCount(value) > limit) {
    return Fill(texts.tooLong, {option, std::to_string(limit)});
  }
  const std::string refused = settings::FirstRefusedCharacter(value, kind);
  if (refused.empty()) return std::nullopt;
  if (static_cast<unsigned char>(refused.front()) >= 0x80) {
    return Fill(texts.wideCharacter, {option, TerminalText(refused)});
  }
  if (refused == ":") return Fill(texts.colonInUser, {option});
  if (refused == "\\") return Fill(texts.backslashInName, {option});
  return Fill(texts.controlCharacter, {option, TerminalText(refused)});
}

int RunSet(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  int status = kSuccess;
  std::vector<link::MacAddress> macs;
  for (const std::string& text : options.macs) {
    const auto mac = ParseMacArgument(text);
    if (!mac) {
      context.err << Fill(texts.badMac, {text}) << '\n';
      return kUsage;
    }
    if (std::find(macs.begin(), macs.end(), *mac) == macs.end()) macs.push_back(*mac);
  }
  if (!ValuesAllowed(context, options, macs.size())) return kUsage;
  std::optional<std::string> password;
  if (options.passwordStdin || options.passwordPrompt) {
    password = NewPassword(context, options.passwordStdin, status);
    if (!password) return status;
  }
  context.journal.prepare(context.err, texts);

  // Whatever ends the run once the search has begun, --json gives one document: the unit's, or
  // with several MACs one with every unit's.
  std::vector<nlohmann::ordered_json> documents;
  const auto document = [&](const std::optional<nlohmann::ordered_json>& current) {
    std::vector<nlohmann::ordered_json> all = documents;
    if (current) all.push_back(*current);
    if (macs.size() == 1) return JsonText(all.front());
    nlohmann::ordered_json fleet;
    fleet["units"] = all;
    return JsonText(fleet);
  };
  std::vector<std::uint32_t> chosen;
  int worst = kSuccess;
  for (const link::MacAddress& mac : macs) {
    nlohmann::ordered_json stopped = SetDocument(link::MacText(mac), std::nullopt, "interrupted");
    if (options.json) context.interrupt.setLastWords(document(stopped));
    UnitRun run;
    try {
      run = SetOne(context, mac, options, password, chosen, stopped);
    } catch (const Cancelled&) {
      if (options.json) context.interrupt.finalWords(context.out, document(stopped));
      throw;
    }
    documents.push_back(run.document);
    // The worst status of the units: a refusal of the command line outweighs the rest.
    if (run.status == kUsage || (worst != kUsage && run.status > worst)) worst = run.status;
  }
  if (options.json) context.interrupt.finalWords(context.out, document(std::nullopt));
  return worst;
}

}  // namespace kv3::cli
