#include "sim/unit.h"

#include <algorithm>
#include <cstring>

namespace kv3::sim {

namespace {

constexpr std::array<std::string_view, kCommandCount> kWords = {
    "FIND", "PaWd", "Vers", "SETC", "FWUP", "RFUP", "FRAM", "ASCH", "APOS", "SETM", "SETT"};

// A text field: as many bytes as fit, zeros behind a shorter text (a full field has no zero).
void PutText(Record& record, std::size_t at, std::size_t width, std::string_view text) {
  std::copy_n(text.begin(), std::min(width, text.size()), record.begin() + at);
}

void PutAddress(Record& record, std::size_t at, const Ipv4& address) {
  std::copy(address.begin(), address.end(), record.begin() + at);
}

Ipv4 AddressAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

// The text from `at` to the first zero, the end of its field or the end of the datagram.
std::string TextAt(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t end) {
  std::string text;
  for (std::size_t i = at; i < std::min(end, bytes.size()) && bytes[i] != 0; ++i) {
    text.push_back(static_cast<char>(bytes[i]));
  }
  return text;
}

Bytes TextDatagram(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// "SETC" and "SETT" are broadcast: a unit takes one only when it carries its own MAC in bytes
// 6-11 and reaches the DHCP flag.
bool AddressedToThisUnit(const Unit& unit, std::span<const std::uint8_t> datagram,
                         Reaction& reaction) {
  if (datagram.size() <= kDhcpAt) {
    reaction.note = "too short for the settings";
    return false;
  }
  if (!std::equal(unit.mac.begin(), unit.mac.end(), datagram.begin() + kMacAt)) {
    reaction.note = "for another unit";
    return false;
  }
  return true;
}

// Bytes 12-24: address, mask, gateway, DHCP flag.
void TakeNetworkSettings(Unit& unit, std::span<const std::uint8_t> datagram) {
  unit.ip = AddressAt(datagram, kIpAt);
  unit.mask = AddressAt(datagram, kMaskAt);
  unit.gateway = AddressAt(datagram, kGatewayAt);
  unit.dhcp = datagram[kDhcpAt] != 0;
}

void TakeSettings(Unit& unit, std::span<const std::uint8_t> datagram, Reaction& reaction) {
  reaction.kind = "SETC";
  if (!AddressedToThisUnit(unit, datagram, reaction)) return;
  const auto settings = SplitSettingsText(TextAt(datagram, kSettingsTextAt, kSettingsTextEnd));
  if (!settings) {
    reaction.note = "settings text without two backslashes and a colon; nothing taken";
    return;
  }
  TakeNetworkSettings(unit, datagram);
  unit.deviceName = settings->device;
  unit.settingsFlag = settings->flag;
  unit.user = settings->user;
  unit.password = settings->password;
  unit.account.reset();
  reaction.taken = true;
  reaction.expectName = true;
  reaction.answers.push_back(TextDatagram(unit.fault(Command::Setc).noWord ? "xxxx" : "setc"));
  reaction.note = "taken: " + FormatIpv4(unit.ip) + " name \"" + unit.deviceName + "\"";
}

// The device name comes again after "SETC", cut to 16 bytes; the settings text already carried
// it whole, so it is only compared.
void TakeName(const Unit& unit, std::span<const std::uint8_t> datagram, Reaction& reaction) {
  reaction.kind = "name";
  reaction.taken = true;
  std::array<std::uint8_t, 16> expected{};
  std::copy_n(unit.deviceName.begin(), std::min(expected.size(), unit.deviceName.size()),
              expected.begin());
  const bool same = std::equal(expected.begin(), expected.end(), datagram.begin());
  reaction.note = same ? "device name as in the settings text"
                       : "device name differs from the settings text \"" + unit.deviceName + "\"";
}

// The announce of an upload: "FWUP" in 32 bytes, the others in 122 with a name from byte 31.
// The acknowledgement is the announce itself with the word in lower case.
void TakeAnnounce(const Unit& unit, Command command, std::span<const std::uint8_t> datagram,
                  Reaction& reaction) {
  const std::string_view word = kWords[static_cast<std::size_t>(command)];
  reaction.kind = std::string(word);
  const std::size_t least = command == Command::Fwup ? 32 : 122;
  if (datagram.size() < least) {
    reaction.note = "announce of " + std::to_string(datagram.size()) + " bytes, expected " +
                    std::to_string(least) + " or more";
    return;
  }
  reaction.taken = true;
  reaction.upload = command;
  if (command != Command::Fwup) reaction.uploadName = TextAt(datagram, kSchemeAt, 122);
  Bytes answer(datagram.begin(), datagram.begin() + static_cast<std::ptrdiff_t>(least));
  for (std::size_t i = 0; i < 4; ++i) {
    answer[i] = unit.fault(command).noWord ? 'x' : static_cast<std::uint8_t>(word[i] | 0x20);
  }
  reaction.answers.push_back(std::move(answer));
  reaction.note = "announce" + (reaction.uploadName.empty() ? std::string()
                                                            : " \"" + reaction.uploadName + "\"");
}

// "SETM" reaches the unit at its own address: the new MAC stands in bytes 6-11.
void TakeMac(Unit& unit, std::span<const std::uint8_t> datagram, Reaction& reaction) {
  reaction.kind = "SETM";
  if (datagram.size() < kMacAt + unit.mac.size()) {
    reaction.note = "too short for a MAC address";
    return;
  }
  std::copy_n(datagram.begin() + kMacAt, unit.mac.size(), unit.mac.begin());
  reaction.taken = true;
  reaction.answers.push_back(TextDatagram("setm"));
  reaction.note = "new MAC " + FormatMac(unit.mac);
}

// "SETT" is heard by every unit; the one whose MAC stands in bytes 6-11 takes bytes 12-24.
void TakeServiceSettings(Unit& unit, std::span<const std::uint8_t> datagram, Reaction& reaction) {
  reaction.kind = "SETT";
  if (!AddressedToThisUnit(unit, datagram, reaction)) return;
  const Fault& fault = unit.fault(Command::Sett);
  if (!fault.ignores) TakeNetworkSettings(unit, datagram);
  reaction.taken = true;
  reaction.answers.push_back(TextDatagram(fault.noWord        ? "xxxx"
                                          : fault.capitalWord ? "SETT"
                                                              : "sett"));
  reaction.note = (fault.ignores ? "acknowledged, kept: " : "taken: ") + FormatIpv4(unit.ip) +
                  (unit.dhcp ? " DHCP" : "");
}

}  // namespace

bool IsUpload(Command command) {
  return command == Command::Fwup || command == Command::Rfup || command == Command::Fram ||
         command == Command::Asch || command == Command::Apos;
}

std::string_view CommandWord(Command command) { return kWords[static_cast<std::size_t>(command)]; }

std::optional<Command> CommandFromWord(std::string_view word) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < kWords.size(); ++i) {
    if (std::ranges::equal(word, kWords[i], {}, lower, lower)) return static_cast<Command>(i);
  }
  return std::nullopt;
}

std::string Unit::accountText() const { return account ? *account : user + ":" + password; }

Record FindRecord(const Unit& unit) {
  Record record{};
  PutText(record, 0, 4, unit.fault(Command::Find).noWord ? "xxxx" : "find");
  record[kFwMajorAt] = unit.fwMajor;
  record[kFwMinorAt] = unit.fwMinor;
  std::copy(unit.mac.begin(), unit.mac.end(), record.begin() + kMacAt);
  PutAddress(record, kIpAt, unit.ip);
  PutAddress(record, kMaskAt, unit.mask);
  PutAddress(record, kGatewayAt, unit.gateway);
  record[kDhcpAt] = unit.dhcp ? 1 : 0;
  PutText(record, kSchemeAt, kSchemeWidth, unit.scheme);
  PutText(record, kSkinAt, kSkinWidth, unit.skin);
  PutText(record, kWebAppAt, kWebAppWidth, unit.webApp);
  return record;
}

std::optional<SettingsText> SplitSettingsText(std::string_view text) {
  const auto first = text.find('\\');
  if (first == std::string_view::npos) return std::nullopt;
  const auto second = text.find('\\', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::string_view account = text.substr(second + 1);
  const auto colon = account.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return SettingsText{
      std::string(text.substr(0, first)), std::string(text.substr(first + 1, second - first - 1)),
      std::string(account.substr(0, colon)), std::string(account.substr(colon + 1))};
}

Reaction React(Unit& unit, std::span<const std::uint8_t> datagram, bool nameExpected) {
  Reaction reaction;
  if (nameExpected && (datagram.size() == 32 || datagram.size() == 33)) {
    TakeName(unit, datagram, reaction);
    return reaction;
  }
  if (datagram.size() < 4) {
    reaction.note = "too short for a command word";
    return reaction;
  }
  std::optional<Command> command;
  for (std::size_t i = 0; i < kWords.size(); ++i) {
    const auto same = [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; };
    if (std::equal(kWords[i].begin(), kWords[i].end(), datagram.begin(), same)) {
      command = static_cast<Command>(i);
    }
  }
  if (!command) {
    reaction.note = "unknown command word";
    return reaction;
  }
  switch (*command) {
    case Command::Find: {
      reaction.kind = "FIND";
      reaction.taken = true;
      const Record record = FindRecord(unit);
      reaction.answers.emplace_back(record.begin(), record.end());
      break;
    }
    case Command::PaWd:
      reaction.kind = "PaWd";
      reaction.taken = true;
      reaction.answers.push_back(TextDatagram(unit.accountText()));
      if (!unit.fault(Command::PaWd).firstOnly) {
        reaction.answers.push_back(TextDatagram(unit.deviceName));
      }
      break;
    case Command::Vers:
      reaction.kind = "Vers";
      reaction.taken = true;
      reaction.answers.push_back(TextDatagram(unit.version));
      break;
    case Command::Setc:
      TakeSettings(unit, datagram, reaction);
      break;
    case Command::Fwup:
    case Command::Rfup:
    case Command::Fram:
    case Command::Asch:
    case Command::Apos:
      TakeAnnounce(unit, *command, datagram, reaction);
      break;
    case Command::Setm:
      TakeMac(unit, datagram, reaction);
      break;
    case Command::Sett:
      TakeServiceSettings(unit, datagram, reaction);
      break;
  }
  const Fault& fault = unit.fault(*command);
  if (fault.silent && !reaction.answers.empty()) {
    reaction.answers.clear();
    reaction.upload.reset();
    reaction.note += reaction.note.empty() ? "silent" : "; silent";
  }
  reaction.delayMs = std::max(0, fault.lateMs);
  return reaction;
}

}  // namespace kv3::sim
