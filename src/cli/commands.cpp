#include "cli/commands.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <tuple>

#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/sock_exception.h"
#include "platform/port_holder.h"
#include "settings/field_rules.h"
#include "settings/settings_save.h"

namespace kv3::cli {

std::optional<link::SearchReport> Search(Context& context, const std::string& address,
                                         bool readTexts, int& status) {
  CliPacing pacing(context.interrupt);
  link::SearchReport report;
  try {
    report = link::SearchUnits(context.settings, pacing, address, readTexts);
  } catch (const link::ESockException& error) {
    context.err << address << ": " << error.what() << '\n';
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
    } else if (report.bindError == EADDRINUSE) {
      context.err << Fill(texts.portTaken, {port}) << '\n';
    } else {
      context.err << port << ": " << std::strerror(report.bindError) << '\n';
    }
  }
  if (report.tried.empty()) {
    context.err << texts.noAdapter << '\n';
  }
  for (const link::SearchTarget& target : report.tried) {
    const std::string where = link::AddressText(target.address);
    if (target.adapter.empty()) {
      context.err << Fill(texts.searchedAt, {where}) << '\n';
    } else {
      context.err << Fill(texts.searchedOn, {target.adapter, link::AddressText(target.own), where})
                  << '\n';
    }
    if (target.error != 0 && report.bindError == 0) {
      context.err << Fill(texts.sendFailed, {where, target.adapter.empty() ? "-" : target.adapter,
                                             std::strerror(target.error)})
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
  std::vector<UnitView> units;
  for (const link::FoundUnit& unit : report->units) units.push_back(ViewOf(unit));
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
  if (units.empty()) {
    context.err << context.texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    return kNoUnit;
  }
  return kSuccess;
}

namespace {

// The unit named on the command line, from a fresh search; nothing (and the status) otherwise.
std::optional<link::FoundUnit> NamedUnit(Context& context, const std::string& macText,
                                         const std::string& address, int& status) {
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
  return *unit;
}

}  // namespace

int RunShow(Context& context, const ShowOptions& options) {
  int status = kSuccess;
  const auto unit = NamedUnit(context, options.mac, options.address, status);
  if (!unit) return status;
  const UnitView view = ViewOf(*unit);
  if (options.json) {
    context.out << JsonText(UnitJson(view, options.showPassword)) << '\n';
  } else {
    PrintUnitDetails(context.out, view, context.texts, options.showPassword);
  }
  return kSuccess;
}

namespace {

// A text of the settings page: at most `limit` characters, all below 0x80; the message
// otherwise.
std::optional<std::string> TextProblem(const CliTexts& texts, std::string_view option,
                                       const std::string& value, std::size_t limit) {
  if (settings::CharacterCount(value) > limit) {
    return Fill(texts.tooLong, {option, std::to_string(limit)});
  }
  const std::string narrow = settings::WithoutFirstWideCharacter(value);
  if (narrow != value) {
    // The character that went: the bytes where the two texts first differ.
    std::size_t at = 0;
    while (at < narrow.size() && narrow[at] == value[at]) ++at;
    return Fill(texts.wideCharacter, {option, value.substr(at, value.size() - narrow.size())});
  }
  return std::nullopt;
}

// Reads a line from the terminal without showing it.
std::optional<std::string> ReadHidden(std::string_view prompt) {
  std::ifstream tty("/dev/tty");
  std::ofstream ttyOut("/dev/tty");
  if (!tty || !ttyOut) return std::nullopt;
  ttyOut << prompt << std::flush;
  termios saved{};
  const int fd = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
  const bool canHide = fd >= 0 && ::tcgetattr(fd, &saved) == 0;
  if (canHide) {
    termios hidden = saved;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &hidden);
  }
  std::string line;
  const bool got = static_cast<bool>(std::getline(tty, line));
  if (canHide) ::tcsetattr(fd, TCSAFLUSH, &saved);
  if (fd >= 0) ::close(fd);
  ttyOut << '\n' << std::flush;
  if (!got) return std::nullopt;
  return line;
}

// The new password, from standard input or the terminal; the status when none could be had.
std::optional<std::string> NewPassword(Context& context, const SetOptions& options, int& status) {
  const CliTexts& texts = context.texts;
  std::optional<std::string> password;
  if (options.passwordStdin) {
    std::string line;
    if (std::getline(context.in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      password = line;
    }
    if (!password) context.err << texts.passwordFromNowhere << '\n';
  } else {
    password = ReadHidden(texts.passwordPrompt);
    const auto repeated = password ? ReadHidden(texts.passwordRepeat) : std::nullopt;
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
  if (const auto problem = TextProblem(texts, "--password", *password, 12)) {
    context.err << *problem << '\n';
    status = kUsage;
    return std::nullopt;
  }
  return password;
}

// What `set` asks the unit to show afterwards.
struct WantedSettings {
  std::string deviceName, user, password;
  std::string ip, mask, router;
  bool dhcp = false;
};

enum class Sent { Acknowledged, NotAcknowledged, PortFailed };

// "SETC" and, once acknowledged, the device name again: as the window's save, but sent out of
// the adapter the unit answered on.
Sent SendSettings(Context& context, const link::FoundUnit& unit, const WantedSettings& wanted) {
  CliPacing pacing(context.interrupt);
  link::ReplyPortSocket socket(context.settings.replyPort);
  if (!socket.open()) {
    link::SearchReport report;
    report.bindError = socket.error();
    PrintSearchDiagnosis(context, report);
    return Sent::PortFailed;
  }
  link::DeviceRecord record = unit.record;
  const std::string deviceName = link::Utf8ToCp1252(wanted.deviceName);
  const link::Frame frame = link::SettingsFrame(
      record, settings::NetworkSettingsOf(wanted.ip, wanted.mask, wanted.router, wanted.dhcp),
      link::SettingsText(deviceName, false, link::Utf8ToCp1252(wanted.user),
                         link::Utf8ToCp1252(wanted.password)));
  const std::uint32_t everyone = link::LookupHost(context.settings.broadcastAddress);
  const auto ask = [&](const link::Frame& datagram) {
    // As the socket of the window, a datagram that starts with a zero byte is not sent.
    if (!datagram.empty() && datagram.front() != 0) {
      socket.send(everyone, context.settings.commandPort, datagram, unit.adapterIndex);
    }
    pacing.pause(link::Exchange::kAnswerPauseMs);
    return socket.takeWaiting(link::kMaxAnswersPerPause);
  };
  bool acknowledged = false;
  for (const auto& answer : ask(frame)) {
    acknowledged = acknowledged ||
                   link::AnswerContains(link::KeepAnswer(answer.bytes, link::kKeptAnswer), "setc");
  }
  if (!acknowledged) return Sent::NotAcknowledged;
  ask(link::NameFrame(frame, deviceName));
  return Sent::Acknowledged;
}

}  // namespace

int RunSet(Context& context, const SetOptions& options) {
  const CliTexts& texts = context.texts;
  int status = kSuccess;
  // Every value is checked before anything is sent.
  if (!ParseMacArgument(options.mac)) {
    context.err << Fill(texts.badMac, {options.mac}) << '\n';
    return kUsage;
  }
  const bool wantsPassword = options.passwordStdin || options.passwordPrompt;
  if (!options.name && !options.ip && !options.mask && !options.router && !options.user &&
      !options.dhcp && !wantsPassword) {
    context.err << texts.nothingToSet << '\n';
    return kUsage;
  }
  for (const auto& [option, value] :
       {std::pair{"--ip", &options.ip}, std::pair{"--mask", &options.mask},
        std::pair{"--router", &options.router}}) {
    if (*value && !settings::IsValidIPv4Text(**value)) {
      context.err << Fill(texts.badAddress, {option, **value}) << '\n';
      return kUsage;
    }
  }
  for (const auto& [option, value, limit] :
       {std::tuple{"--name", &options.name, std::size_t{30}},
        std::tuple{"--user", &options.user, std::size_t{12}}}) {
    if (!*value) continue;
    if (const auto problem = TextProblem(texts, option, **value, limit)) {
      context.err << *problem << '\n';
      return kUsage;
    }
  }
  std::optional<std::string> password;
  if (wantsPassword) {
    password = NewPassword(context, options, status);
    if (!password) return status;
  }

  const auto unit = NamedUnit(context, options.mac, options.address, status);
  if (!unit) return status;
  const UnitView now = ViewOf(*unit);
  if (!now.password && (!password || !options.user)) {
    context.err << texts.accountUnknown << '\n';
    return kUnitFailed;
  }
  WantedSettings wanted;
  wanted.deviceName = options.name.value_or(now.deviceName);
  wanted.user = options.user ? *options.user : *now.user;
  wanted.password = password ? *password : *now.password;
  if (settings::CharacterCount(wanted.password) < 6) {
    context.err << texts.currentPasswordShort << '\n';
    return kUnitFailed;
  }
  const bool addressGiven = options.ip || options.mask || options.router;
  wanted.ip = options.ip.value_or(now.address);
  wanted.mask = options.mask.value_or(now.mask);
  wanted.router = options.router.value_or(now.router);
  wanted.dhcp = options.dhcp || (!addressGiven && now.dhcp);

  switch (SendSettings(context, *unit, wanted)) {
    case Sent::PortFailed:
      return kLocalError;
    case Sent::NotAcknowledged:
      context.err << texts.settingsNotAcknowledged << '\n';
      return kNoUnit;
    case Sent::Acknowledged:
      break;
  }
  CliPacing(context.interrupt).pause(settings::SettingsSave::PauseBeforeSearchMs);

  const auto after = Search(context, options.address, true, status);
  if (!after) return status;
  const link::FoundUnit* found = FindByMac(*after, link::Mac(unit->record));
  if (found == nullptr) {
    context.err << Fill(texts.vanished, {now.mac}) << '\n';
    return kUnitFailed;
  }
  const UnitView shown = ViewOf(*found);
  std::vector<std::tuple<std::string_view, std::string, std::string>> compared = {
      {texts.deviceName, shown.deviceName, wanted.deviceName},
      {texts.user, shown.user.value_or(std::string(texts.unknown)), wanted.user},
      {texts.password, shown.password.value_or(std::string(texts.unknown)), wanted.password},
      {texts.dhcp, std::string(shown.dhcp ? texts.on : texts.off),
       std::string(wanted.dhcp ? texts.on : texts.off)}};
  if (!wanted.dhcp) {
    // Compared as the unit holds them: "010.0.0.1" is 10.0.0.1.
    const auto held = [](const std::string& text) {
      return link::Ipv4Text(settings::ParseIPv4Text(text));
    };
    compared.push_back({texts.address, shown.address, held(wanted.ip)});
    compared.push_back({texts.mask, shown.mask, held(wanted.mask)});
    compared.push_back({texts.router, shown.router, held(wanted.router)});
  }
  for (const auto& [what, is, want] : compared) {
    if (is != want) {
      // A password is never printed unless asked for; here it is named, not shown.
      const bool secret = what == texts.password;
      context.err << Fill(texts.settingsDiffer, {what, secret ? "***" : is, secret ? "***" : want})
                  << '\n';
      return kUnitFailed;
    }
  }
  context.out << texts.settingsVerified << '\n';
  return kSuccess;
}

}  // namespace kv3::cli
