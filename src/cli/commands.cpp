#include "cli/commands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>
#include <utility>

#include "cli/sock_failures.h"
#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/sock_exception.h"
#include "platform/console.h"
#include "platform/net.h"
#include "platform/network_policy.h"
#include "platform/port_holder.h"
#include "settings/field_rules.h"
#include "settings/save_settings.h"

namespace kv3::cli {

std::optional<link::SearchReport> Search(Context& context, const std::string& address,
                                         bool readTexts, int& status) {
  // Digits and dots that make no address would be read as 255.255.255.255: every unit.
  if (!link::IsAddressOrHostName(address)) {
    context.err << Fill(context.texts.badHostAddress, {address}) << '\n';
    status = kUsage;
    return std::nullopt;
  }
  CliPacing pacing(context.interrupt);
  link::SearchReport report;
  try {
    report = link::SearchUnits(context.settings, pacing, address, readTexts);
  } catch (const link::ESockException& error) {
    context.err << address << ": " << SockFailureText(context.texts, error) << '\n';
    status = kLocalError;
    return std::nullopt;
  }
  if (report.bindError != 0) {
    PrintSearchDiagnosis(context, report);
    status = kLocalError;
    return std::nullopt;
  }
  status = kSuccess;
  return report;
}

void PrintSearchDiagnosis(Context& context, const link::SearchReport& report) {
  const CliTexts& texts = context.texts;
  const std::string port = std::to_string(context.settings.replyPort);
  if (report.bindError != 0) {
    const auto holder = platform::UdpPortHolder(context.settings.replyPort);
    if (holder) {
      context.err << Fill(texts.portTakenBy, {port, holder->program, std::to_string(holder->pid)})
                  << '\n';
    } else if (platform::IsAddressInUse(report.bindError)) {
      context.err << Fill(texts.portTaken, {port}) << '\n';
    } else {
      context.err << port << ": " << platform::ErrorText(report.bindError) << '\n';
    }
  }
  if (report.tried.empty()) {
    context.err << texts.noAdapter << '\n' << texts.loopbackHint << '\n';
  }
  for (const std::string& network : platform::PublicNetworks()) {
    context.err << (network.empty() ? std::string(texts.publicNetworkUnnamed)
                                    : Fill(texts.publicNetwork, {TerminalText(network)}))
                << '\n';
  }
  for (const link::SearchTarget& target : report.tried) {
    const std::string where = link::AddressText(target.address);
    // An adapter's name is the system's, and may hold any byte.
    const std::string adapter = TerminalText(target.adapter);
    if (target.adapter.empty()) {
      context.err << Fill(texts.searchedAt, {where}) << '\n';
    } else {
      context.err << Fill(texts.searchedOn, {adapter, link::AddressText(target.own), where})
                  << '\n';
    }
    if (target.error != 0 && report.bindError == 0) {
      context.err << Fill(texts.sendFailed, {where, adapter.empty() ? "-" : adapter,
                                             platform::ErrorText(target.error)})
                  << '\n';
    }
  }
}

const link::FoundUnit* FindByMac(const link::SearchReport& report, const link::MacAddress& mac) {
  for (const link::FoundUnit& unit : report.units) {
    if (link::Mac(unit.record) == mac) return &unit;
  }
  return nullptr;
}

int RunFind(Context& context, const FindOptions& options) {
  int status = kSuccess;
  const auto report = Search(context, options.address, true, status);
  if (!report) return status;
  std::vector<UnitView> units = ViewsOf(*report);
  // Answers come in any order; a listing that scripts compare must not.
  std::sort(units.begin(), units.end(), [](const UnitView& a, const UnitView& b) {
    return std::tie(a.mac, a.address, a.adapter) < std::tie(b.mac, b.address, b.adapter);
  });
  if (options.json) {
    nlohmann::ordered_json json;
    json["units"] = nlohmann::ordered_json::array();
    for (const UnitView& unit : units)
      json["units"].push_back(UnitJson(unit, options.showPassword));
    json["searched"] = SearchedJson(*report);
    context.out << JsonText(json) << '\n';
  } else if (!units.empty()) {
    PrintUnitTable(context.out, units, context.texts, options.showPassword);
  }
  PrintUnitNotes(context.err, units, context.texts);
  if (units.empty()) {
    context.err << context.texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    return kNoUnit;
  }
  return kSuccess;
}

namespace {

// The unit named on the command line, from a fresh search, with its view; nothing (and the
// status) otherwise.
std::optional<std::pair<link::FoundUnit, UnitView>> NamedUnit(Context& context,
                                                              const std::string& macText,
                                                              const std::string& address,
                                                              int& status) {
  const auto mac = ParseMacArgument(macText);
  if (!mac) {
    context.err << Fill(context.texts.badMac, {macText}) << '\n';
    status = kUsage;
    return std::nullopt;
  }
  const auto report = Search(context, address, true, status);
  if (!report) return std::nullopt;
  const link::FoundUnit* unit = FindByMac(*report, *mac);
  if (unit == nullptr) {
    context.err << Fill(context.texts.unknownMac, {link::MacText(*mac)}) << '\n';
    if (report->units.empty()) PrintSearchDiagnosis(context, *report);
    status = kNoUnit;
    return std::nullopt;
  }
  const std::vector<UnitView> views = ViewsOf(*report);
  return std::pair{*unit, views.at(static_cast<std::size_t>(unit - report->units.data()))};
}

}  // namespace

int RunShow(Context& context, const ShowOptions& options) {
  int status = kSuccess;
  const auto unit = NamedUnit(context, options.mac, options.address, status);
  if (!unit) return status;
  const UnitView& view = unit->second;
  if (options.json) {
    context.out << JsonText(UnitJson(view, options.showPassword)) << '\n';
  } else {
    PrintUnitDetails(context.out, view, context.texts, options.showPassword);
  }
  PrintUnitNotes(context.err, {view}, context.texts);
  return kSuccess;
}

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
  if (length < 6 || length > 12) {
    context.err << texts.passwordLength << '\n';
    status = kUsage;
    return std::nullopt;
  }
  if (const auto problem =
          TextProblem(texts, "--password", *password, 12, settings::TextKind::Password)) {
    context.err << *problem << '\n';
    status = kUsage;
    return std::nullopt;
  }
  return password;
}

// What `set` asks the unit to show afterwards. The texts are single-byte, as the unit keeps
// them: a value not given on the command line is the one the unit reported, byte for byte.
struct WantedSettings {
  std::string deviceName, user, password;
  std::string ip, mask, router;
  bool dhcp = false;
};

enum class Sent { Acknowledged, NotAcknowledged, PortFailed };

// The window's save, sent out of the adapter the unit answered on.
Sent SendSettings(Context& context, const link::FoundUnit& unit, const WantedSettings& wanted) {
  CliPacing pacing(context.interrupt);
  link::ReplyPortSocket socket(context.settings.replyPort, {unit.adapterIndex});
  if (!socket.open()) {
    link::SearchReport report;
    report.bindError = socket.error();
    PrintSearchDiagnosis(context, report);
    return Sent::PortFailed;
  }
  link::ReplyPortChannel channel(
      socket, context.settings, pacing,
      {{link::LookupHost(context.settings.broadcastAddress), unit.adapterIndex, true}},
      link::ReplyPortChannel::Answers::InArrival);
  settings::SettingsToSave values;
  values.network = settings::NetworkSettingsOf(wanted.ip, wanted.mask, wanted.router, wanted.dhcp);
  values.deviceName = wanted.deviceName;
  values.user = wanted.user;
  values.password = wanted.password;
  link::DeviceRecord record = unit.record;
  return settings::SaveSettings(channel, record, values) ? Sent::Acknowledged
                                                         : Sent::NotAcknowledged;
}

}  // namespace

namespace {

// Whether the address lies in the network of one of this computer's adapters, or on loopback:
// only there does the settings broadcast reach a unit.
bool InOwnNetwork(const std::string& address) {
  const std::optional<std::uint32_t> unit = platform::ParseAddress(address);
  if (!unit) return false;
  if ((platform::FromNet32(*unit) >> 24) == 127) return true;
  const std::vector<platform::Adapter> adapters = platform::UpAdapters();
  return std::any_of(adapters.begin(), adapters.end(), [&](const platform::Adapter& adapter) {
    return ((*unit ^ adapter.address) & adapter.mask) == 0;
  });
}

// Every value given is checked before anything is sent; false (and the message) for the first
// that is refused.
bool ValuesAllowed(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  if (!ParseMacArgument(options.mac)) {
    context.err << Fill(texts.badMac, {options.mac}) << '\n';
    return false;
  }
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
  for (const auto& [option, value, limit, kind] :
       {std::tuple{"--name", &options.name, std::size_t{30}, settings::TextKind::DeviceName},
        std::tuple{"--user", &options.user, std::size_t{12}, settings::TextKind::UserName}}) {
    if (!*value) continue;
    if (const auto problem = TextProblem(texts, option, **value, limit, kind)) {
      context.err << *problem << '\n';
      return false;
    }
  }
  return true;
}

// After the save's new search: whether the unit shows what was sent. The texts are compared as
// the unit keeps them and shown as the terminal can show them.
// set --json: the unit and how the run ended; the differing value, when one differs.
void PrintSetJson(Context& context, const std::string& mac, const std::string& address,
                  std::string_view result, const nlohmann::ordered_json& differs = nullptr) {
  nlohmann::ordered_json document;
  document["mac"] = mac;
  document["address"] = address;
  document["result"] = result;
  document["differs"] = differs;
  context.out << JsonText(document) << '\n';
}

int CompareShown(Context& context, const link::FoundUnit& found, const WantedSettings& wanted,
                 bool json) {
  const CliTexts& texts = context.texts;
  const UnitView shown = ViewOf(found);
  const auto text = [](const std::string& single) {
    return TerminalText(link::Cp1252ToUtf8(single));
  };
  const std::string unknown(texts.unknown);
  const link::UnitTexts& is = found.texts;
  // What is compared: the JSON key, the name in the message, as shown, as sent.
  std::vector<std::tuple<std::string_view, std::string_view, std::string, std::string>> compared = {
      {"deviceName", texts.deviceName, text(is.deviceName), text(wanted.deviceName)},
      {"user", texts.user, is.accountAnswered ? text(is.user) : unknown, text(wanted.user)},
      {"password", texts.password, is.accountAnswered ? text(is.password) : unknown,
       text(wanted.password)},
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
  for (const auto& [key, what, now, want] : compared) {
    if (now != want) {
      // A password is never printed unless asked for; here it is named, not shown.
      const bool secret = key == "password";
      const std::string shownText = secret ? "***" : now;
      const std::string sentText = secret ? "***" : want;
      context.err << Fill(texts.settingsDiffer, {what, shownText, sentText}) << '\n';
      if (json) {
        PrintSetJson(context, shown.mac, shown.address, "differs",
                     {{"value", key}, {"shown", shownText}, {"sent", sentText}});
      }
      return kUnitFailed;
    }
  }
  if (json) {
    PrintSetJson(context, shown.mac, shown.address, "verified");
  } else {
    context.out << texts.settingsVerified << '\n';
  }
  return kSuccess;
}

}  // namespace

int RunSet(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  int status = kSuccess;
  if (!ValuesAllowed(context, options)) return kUsage;
  std::optional<std::string> password;
  if (options.passwordStdin || options.passwordPrompt) {
    password = NewPassword(context, options, status);
    if (!password) return status;
  }

  const auto named = NamedUnit(context, options.mac, options.address, status);
  if (!named) return status;
  const auto& [unit, now] = *named;
  if (!now.macAlsoAt.empty()) {
    // "SETC" names its unit by MAC alone: every unit with it would take the settings.
    context.err << Fill(texts.sharedMacRefused, {now.mac, AddressesOfMac(now)}) << '\n';
    return kUnitFailed;
  }
  if (!options.address.empty() && !InOwnNetwork(now.address)) {
    context.err << Fill(texts.behindRouter, {now.mac, now.address}) << '\n';
    return kUsage;
  }
  if (!unit.texts.accountAnswered && (!password || !options.user)) {
    context.err << texts.accountUnknown << '\n';
    return kUnitFailed;
  }
  // The values given are 7-bit text (checked above); the others go back as the unit sent them.
  WantedSettings wanted;
  wanted.deviceName = options.name ? *options.name : unit.texts.deviceName;
  wanted.user = options.user ? *options.user : unit.texts.user;
  wanted.password = password ? *password : unit.texts.password;
  if (wanted.password.size() < 6) {
    context.err << texts.currentPasswordShort << '\n';
    return kUnitFailed;
  }
  const bool addressGiven = options.ip || options.mask || options.router;
  wanted.ip = options.ip.value_or(now.address);
  wanted.mask = options.mask.value_or(now.mask);
  wanted.router = options.router.value_or(now.router);
  wanted.dhcp = options.dhcp || (!addressGiven && now.dhcp);

  Sent sent = Sent::PortFailed;
  std::optional<link::SearchReport> after;
  try {
    sent = SendSettings(context, unit, wanted);
    if (sent == Sent::Acknowledged) {
      CliPacing(context.interrupt).pause(settings::kPauseBeforeSearchAfterSaveMs);
      after = Search(context, options.address, true, status);
    }
  } catch (const Cancelled&) {
    // Stopped once "SETC" may have gone out: the unit may hold the new values already.
    context.err << texts.setInterrupted << '\n';
    throw;
  }
  switch (sent) {
    case Sent::PortFailed:
      return kLocalError;
    case Sent::NotAcknowledged:
      context.err << texts.settingsNotAcknowledged << '\n';
      if (options.json) PrintSetJson(context, now.mac, now.address, "notAcknowledged");
      return kNoUnit;
    case Sent::Acknowledged:
      break;
  }
  if (!after) return status;
  const link::FoundUnit* found = FindByMac(*after, link::Mac(unit.record));
  if (found == nullptr) {
    context.err << Fill(texts.vanished, {now.mac}) << '\n';
    if (options.json) PrintSetJson(context, now.mac, now.address, "vanished");
    return kUnitFailed;
  }
  return CompareShown(context, *found, wanted, options.json);
}

}  // namespace kv3::cli
