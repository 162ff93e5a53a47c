// kv3 set: the window's save for one unit, with every value checked before anything is sent and
// the outcome proved by a new search.
#include "cli/set_command.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "cli/find_command.h"
#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/console.h"
#include "platform/net.h"
#include "settings/field_rules.h"
#include "settings/network_rules.h"
#include "settings/save_settings.h"

namespace kv3::cli {

namespace {

// A text of the settings page: at most `limit` characters, all of them such that the unit can
// keep them and report them back; the message otherwise.
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

// The new password, from standard input or the terminal; the status when none could be had.
std::optional<std::string> NewPassword(Context& context, const SetOptions& options, int& status) {
  const CliTexts& texts = context.texts;
  // A stop request ends the wait for the user at once.
  const auto stopCheck = [&context] {
    if (context.interrupt.requested()) throw Cancelled();
  };
  std::optional<std::string> password;
  if (options.passwordStdin) {
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

// Every value given is checked before anything is sent; false (and the message) for the first
// that is refused.
bool ValuesAllowed(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  if (!options.name && !options.ip && !options.mask && !options.router && !options.user &&
      !options.dhcp && !options.passwordStdin && !options.passwordPrompt) {
    context.err << texts.nothingToSet << '\n';
    return false;
  }
  for (const auto& [option, value] :
       {std::pair{"--ip", &options.ip}, std::pair{"--mask", &options.mask},
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

// What `set` asks the unit to show afterwards. The texts are single-byte, as the unit keeps
// them: a value not given on the command line is the one the unit reported, byte for byte.
struct WantedSettings {
  std::string deviceName, user, password;
  std::string ip, mask, router;
  bool dhcp = false;
};

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
  const CliTexts& texts = context.texts;
  const link::Ipv4Bytes ip = settings::ParseIPv4Text(wanted.ip);
  const link::Ipv4Bytes mask = settings::ParseIPv4Text(wanted.mask);
  const link::Ipv4Bytes router = settings::ParseIPv4Text(wanted.router);
  const std::string ipText = link::Ipv4Text(ip);
  const std::string routerText = link::Ipv4Text(router);
  // Units simulated on this computer live on loopback.
  const bool simulated = link::Ipv4At(named.unit().record, link::record::kIp)[0] == 127;
  std::string problem;
  switch (settings::CheckNetworkValues(ip, mask, router, simulated)) {
    case settings::NetworkProblem::None:
      break;
    case settings::NetworkProblem::NotAHostAddress:
      problem = Fill(texts.ipNotHost, {ipText});
      break;
    case settings::NetworkProblem::MaskNotContiguous:
      problem = Fill(texts.maskNotContiguous, {link::Ipv4Text(mask)});
      break;
    case settings::NetworkProblem::NetworkAddress:
      problem = Fill(texts.ipIsNetwork, {ipText, settings::NetworkText(ip, mask)});
      break;
    case settings::NetworkProblem::BroadcastAddress:
      problem = Fill(texts.ipIsBroadcast, {ipText, settings::NetworkText(ip, mask)});
      break;
    case settings::NetworkProblem::RouterIsTheAddress:
      problem = Fill(texts.routerIsUnit, {routerText});
      break;
    case settings::NetworkProblem::RouterOutside:
      problem = Fill(texts.routerOutside, {routerText, settings::NetworkText(ip, mask)});
      break;
  }
  if (problem.empty() && options.ip) {
    const std::uint32_t address = link::LookupHost(ipText);
    for (const platform::Adapter& adapter : platform::UpAdapters()) {
      if (adapter.address == address) {
        problem = Fill(texts.ipIsThisComputer, {ipText, TerminalText(adapter.name)});
      }
    }
    for (const search::FoundUnit& other : named.report.units) {
      if (link::Mac(other.record) != link::Mac(named.unit().record) &&
          link::Ipv4At(other.record, link::record::kIp) == ip) {
        problem = Fill(texts.ipTaken, {ipText, link::MacText(other.record)});
      }
    }
  }
  if (problem.empty()) return true;
  context.err << problem << '\n';
  return false;
}

enum class Sent { Acknowledged, NotAcknowledged, PortFailed, SendFailed, NameHoldsBackslash };

// The window's save, sent the way the unit answered the search.
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
  settings::SettingsToSave values;
  values.network = settings::NetworkSettingsOf(wanted.ip, wanted.mask, wanted.router, wanted.dhcp);
  values.deviceName = wanted.deviceName;
  values.user = wanted.user;
  values.password = wanted.password;
  link::DeviceRecord record = unit.record;
  const settings::SaveOutcome outcome = settings::SaveSettings(channel, record, values);
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

// set --json: the unit and how the run ended; the differing value, when one differs.
std::string SetJson(const std::string& mac, const std::optional<std::string>& address,
                    std::string_view result, const nlohmann::ordered_json& differs = nullptr,
                    std::optional<std::string_view> reason = std::nullopt) {
  nlohmann::ordered_json document;
  document["mac"] = mac;
  document["address"] = address ? nlohmann::ordered_json(*address) : nlohmann::ordered_json();
  document["result"] = result;
  document["differs"] = differs;
  if (reason) document["reason"] = *reason;
  return JsonText(document);
}

// After the save's new search: whether the unit shows what was sent. The network values come
// from its search answer; the texts only from its own answers at its address: where it cannot
// be asked there, the save is not proved.
int CompareShown(Context& context, const search::SearchReport& after,
                 const search::FoundUnit& found, const WantedSettings& wanted, bool json) {
  const CliTexts& texts = context.texts;
  const UnitView shown = ViewOf(found);
  const std::string unknown(texts.unknown);
  const search::UnitTexts& is = found.texts;
  // What is compared: the JSON key, the name in the message, as shown, as sent (UTF-8).
  std::vector<std::tuple<std::string_view, std::string_view, std::string, std::string>> compared = {
      {"dhcp", texts.dhcp, std::string(shown.dhcp ? texts.on : texts.off),
       std::string(wanted.dhcp ? texts.on : texts.off)}};
  if (!wanted.dhcp) {
    // Compared as the unit holds them: "010.0.0.1" is 10.0.0.1.
    const auto held = [](const std::string& text) {
      return link::Ipv4Text(settings::ParseIPv4Text(text));
    };
    compared.push_back({"address", texts.address, shown.address, held(wanted.ip)});
    compared.push_back({"mask", texts.mask, shown.mask, held(wanted.mask)});
    compared.push_back({"router", texts.router, shown.router, held(wanted.router)});
  }
  const auto why = WhyNotAsked(texts, after, found);
  if (!why) {
    const auto text = [](const std::string& single) { return link::Cp1252ToUtf8(single); };
    compared.push_back(
        {"deviceName", texts.deviceName, text(is.deviceName), text(wanted.deviceName)});
    compared.push_back(
        {"user", texts.user, is.accountAnswered ? text(is.user) : unknown, text(wanted.user)});
    compared.push_back({"password", texts.password,
                        is.accountAnswered ? text(is.password) : unknown, text(wanted.password)});
  }
  for (const auto& [key, what, now, want] : compared) {
    if (now == want) continue;
    // A password is never printed unless asked for; here it is named, not shown.
    const bool secret = key == "password";
    const std::string shownText = secret ? "***" : now;
    const std::string sentText = secret ? "***" : want;
    context.err << Fill(texts.settingsDiffer,
                        {what, TerminalText(shownText), TerminalText(sentText)})
                << '\n';
    if (json) {
      context.interrupt.finalWords(
          context.out, SetJson(shown.mac, shown.address, "differs",
                               {{"value", key}, {"shown", shownText}, {"sent", sentText}}));
    }
    return kUnitFailed;
  }
  if (why) {
    context.err << Fill(texts.textsUnread, {shown.address, why->words}) << '\n';
    if (json) {
      context.interrupt.finalWords(
          context.out, SetJson(shown.mac, shown.address, "unverified", nullptr, why->key));
    }
    return kUnitFailed;
  }
  if (json) {
    context.interrupt.finalWords(context.out, SetJson(shown.mac, shown.address, "verified"));
  } else {
    context.out << texts.settingsVerified << '\n';
  }
  return kSuccess;
}

// Sends the settings, then searches again and compares what the unit shows with what was sent;
// the exit status.
int SendAndProve(Context& context, const NamedUnitFound& named, const SetOptions& options,
                 const WantedSettings& wanted) {
  const CliTexts& texts = context.texts;
  const search::FoundUnit& unit = named.unit();
  const UnitView& now = named.view;
  int status = kSuccess;
  const auto say = [&](const std::string& document) {
    if (options.json) context.interrupt.finalWords(context.out, document);
  };
  Sent sent = Sent::PortFailed;
  std::optional<search::SearchReport> after;
  if (options.json) context.interrupt.setLastWords(SetJson(now.mac, now.address, "interrupted"));
  try {
    sent = SendSettings(context, unit, wanted);
    if (sent == Sent::Acknowledged) {
      CliPacing(context.interrupt).pause(settings::kPauseBeforeSearchAfterSaveMs);
      after = Search(context, options.address, true, status);
    }
  } catch (const Cancelled&) {
    // Stopped once "SETC" may have gone out: the unit may hold the new values already.
    context.err << texts.setInterrupted << '\n';
    say(SetJson(now.mac, now.address, "interrupted"));
    throw;
  }
  switch (sent) {
    case Sent::PortFailed:
    case Sent::SendFailed:
      return kLocalError;
    case Sent::NameHoldsBackslash:
      context.err << Fill(texts.nameBackslash,
                          {TerminalText(link::Cp1252ToUtf8(wanted.deviceName))})
                  << '\n';
      return kUnitFailed;
    case Sent::NotAcknowledged:
      context.err << texts.settingsNotAcknowledged << '\n';
      say(SetJson(now.mac, now.address, "notAcknowledged"));
      return kNoUnit;
    case Sent::Acknowledged:
      break;
  }
  if (!after) return status;
  const search::FoundUnit* found = FindByMac(*after, link::Mac(unit.record));
  if (found == nullptr) {
    context.err << Fill(texts.vanished, {now.mac}) << '\n';
    say(SetJson(now.mac, now.address, "vanished"));
    return kUnitFailed;
  }
  return CompareShown(context, *after, *found, wanted, options.json);
}

// The settings to send: the values given, the others as the unit told them. Nothing (and the
// message, and the status) when the unit may not be sent them.
std::optional<WantedSettings> WantedFor(Context& context, const NamedUnitFound& named,
                                        const SetOptions& options,
                                        const std::optional<std::string>& password, int& status) {
  const CliTexts& texts = context.texts;
  const search::FoundUnit& unit = named.unit();
  const UnitView& now = named.view;
  status = kUnitFailed;
  if (!now.macAlsoAt.empty()) {
    // "SETC" names its unit by MAC alone: every unit with it would take the settings.
    context.err << Fill(texts.sharedMacRefused, {now.mac, AddressesOfMac(now)}) << '\n';
    return std::nullopt;
  }
  if (!options.address.empty() && !InThisComputersNetworks(now.address)) {
    context.err << Fill(texts.behindRouter, {now.mac, now.address}) << '\n';
    status = kUsage;
    return std::nullopt;
  }
  if (!TextsKnown(context, named, options, password.has_value())) return std::nullopt;
  // The values given are 7-bit text (checked above); the others go back as the unit sent them.
  WantedSettings wanted;
  wanted.deviceName = options.name ? *options.name : unit.texts.deviceName;
  wanted.user = options.user ? *options.user : unit.texts.user;
  wanted.password = password ? *password : unit.texts.password;
  if (wanted.password.size() < settings::kPasswordMinimum) {
    context.err << texts.currentPasswordShort << '\n';
    return std::nullopt;
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

}  // namespace

int RunSet(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  int status = kSuccess;
  const auto mac = ParseMacArgument(options.mac);
  if (!mac) {
    context.err << Fill(texts.badMac, {options.mac}) << '\n';
    return kUsage;
  }
  if (!ValuesAllowed(context, options)) return kUsage;
  std::optional<std::string> password;
  if (options.passwordStdin || options.passwordPrompt) {
    password = NewPassword(context, options, status);
    if (!password) return status;
  }

  const std::string macText = link::MacText(*mac);
  // Whatever ends the run once the search has begun, --json gives one document.
  const auto say = [&](const std::string& document) {
    if (options.json) context.interrupt.finalWords(context.out, document);
  };
  if (options.json) context.interrupt.setLastWords(SetJson(macText, std::nullopt, "interrupted"));
  std::optional<NamedUnitFound> named;
  try {
    named = NamedUnit(context, *mac, options.address, status);
  } catch (const Cancelled&) {
    say(SetJson(macText, std::nullopt, "interrupted"));
    throw;
  }
  if (!named) {
    if (status == kNoUnit) say(SetJson(macText, std::nullopt, "unreachable"));
    return status;
  }
  const std::optional<WantedSettings> wanted =
      WantedFor(context, *named, options, password, status);
  if (!wanted) return status;
  return SendAndProve(context, *named, options, *wanted);
}

}  // namespace kv3::cli
