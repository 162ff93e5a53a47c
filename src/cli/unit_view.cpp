#include "cli/unit_view.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/read_file.h"
#include "platform/utf8_path.h"
#include "search/unit_texts.h"
#include "settings/field_rules.h"
#include "settings/network_rules.h"

namespace kv3::cli {

UnitView ViewOf(const search::FoundUnit& unit) {
  const link::DeviceRecord& rec = unit.record;
  UnitView view;
  view.mac = link::MacText(rec);
  view.address = link::Ipv4Text(rec, link::record::kIp);
  view.mask = link::Ipv4Text(rec, link::record::kMask);
  view.router = link::Ipv4Text(rec, link::record::kGateway);
  view.dhcp = link::DhcpOn(rec);
  view.firmware = unit.texts.version.empty() ? std::to_string(link::FirmwareMajor(rec)) + "." +
                                                   std::to_string(link::FirmwareMinor(rec))
                                             : link::Cp1252ToUtf8(unit.texts.version);
  const auto installed = [](const std::string& name) {
    return link::Cp1252ToUtf8(search::InstalledNameText(name));
  };
  view.webApp = installed(link::WebAppName(rec));
  view.scheme = installed(link::SchemeName(rec));
  view.skin = installed(link::SkinName(rec));
  view.deviceName = link::Cp1252ToUtf8(unit.texts.deviceName);
  if (unit.texts.accountAnswered) {
    view.user = link::Cp1252ToUtf8(unit.texts.user);
    view.password = link::Cp1252ToUtf8(unit.texts.password);
  }
  view.adapter = unit.adapter;
  view.addressable = link::AddressesOneUnit(rec);
  return view;
}

std::vector<UnitView> ViewsOf(const search::SearchReport& report) {
  std::vector<UnitView> views;
  for (const search::FoundUnit& unit : report.units) views.push_back(ViewOf(unit));
  std::vector<link::DeviceRecord> records;
  for (const search::FoundUnit& unit : report.units) records.push_back(unit.record);
  for (std::size_t i = 0; i < views.size(); ++i) {
    UnitView& view = views[i];
    for (const UnitView& other : views) {
      if (other.mac == view.mac && other.address != view.address &&
          std::find(view.macAlsoAt.begin(), view.macAlsoAt.end(), other.address) ==
              view.macAlsoAt.end()) {
        view.macAlsoAt.push_back(other.address);
      }
    }
    for (const link::MacAddress& mac : link::OtherMacsAt(records, report.units[i].record)) {
      view.addressSharedWith.push_back(link::MacText(mac));
    }
    view.state = StateOf(report, report.units[i]);
    const std::optional<HomeNetwork> home = HomeNetworkOf(report.units[i]);
    if (home) {
      const link::Ipv4Bytes own = link::Ipv4Of(home->own), mask = link::Ipv4Of(home->mask);
      view.network = settings::NetworkText(own, mask);
    }
    std::vector<std::string> moved = view.addressSharedWith;
    moved.push_back(view.mac);
    std::sort(moved.begin(), moved.end());
    if (view.state != UnitState::Ok && view.state != UnitState::SharedMac) {
      view.fix =
          MoveCommand(view.state == UnitState::SharedAddress ? moved : std::vector{view.mac}, home);
    }
  }
  return views;
}

std::string AddressesOfMac(const UnitView& unit) {
  std::vector<std::string> all = unit.macAlsoAt;
  all.push_back(unit.address);
  std::sort(all.begin(), all.end());
  std::string joined;
  for (const std::string& address : all) joined += (joined.empty() ? "" : ", ") + address;
  return joined;
}

namespace {

std::string EscapedText(std::string_view text, bool keepBackslash) {
  std::string out;
  const auto escape = [&out](const char* format, unsigned value) {
    char piece[8];
    std::snprintf(piece, sizeof piece, format, value);
    out += piece;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        length = 0;
      }
    }
    if (length == 0) {
      escape("\\x%02X", lead);  // no UTF-8
      ++i;
    } else if (lead < 0x20 || lead == 0x7F) {
      escape("\\x%02X", lead);
      ++i;
    } else if (lead == '\\' && !keepBackslash) {
      out += "\\\\";
      ++i;
    } else if (lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      escape("\\u%04X", static_cast<unsigned char>(text[i + 1]));  // C1: U+0080 to U+009F
      i += 2;
    } else {
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace

std::string TerminalText(std::string_view text) { return EscapedText(text, false); }

std::string PathText(std::string_view path) { return EscapedText(path, true); }

bool ExtensionIs(const std::string& path, std::string_view extension) {
  const std::string own = platform::Utf8FromPath(platform::PathFromUtf8(path).extension());
  return std::equal(own.begin(), own.end(), extension.begin(), extension.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

void PrintUnitNotes(std::ostream& err, const std::vector<UnitView>& units, const CliTexts& texts,
                    bool advise) {
  std::vector<std::string> noted;
  for (const UnitView& unit : units) {
    if (!unit.macAlsoAt.empty() && std::find(noted.begin(), noted.end(), unit.mac) == noted.end()) {
      noted.push_back(unit.mac);
      err << Fill(texts.macShared, {unit.mac, AddressesOfMac(unit)}) << '\n';
    }
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on " " + std::string.
    std::string fix;
    if (advise && !unit.fix.empty()) fix.append(" ").append(Fill(texts.fixWith, {unit.fix}));
    if (!unit.addressSharedWith.empty() &&
        std::find(noted.begin(), noted.end(), unit.address) == noted.end()) {
      noted.push_back(unit.address);
      std::vector<std::string> macs = unit.addressSharedWith;
      macs.push_back(unit.mac);
      std::sort(macs.begin(), macs.end());
      err << Fill(texts.addressShared, {unit.address, kv3::texts::Joined(macs)})
          << (unit.state == UnitState::SharedAddress ? fix : "") << '\n';
    }
    if (!unit.addressable) {
      err << Fill(texts.notOneUnit, {unit.mac, unit.address}) << fix << '\n';
    }
    if (unit.state == UnitState::OtherNetwork) {
      err << Fill(texts.otherNetworkNote,
                  {unit.mac, unit.address, unit.adapter, unit.network.empty() ? "-" : unit.network})
          << fix << '\n';
    } else if (unit.state == UnitState::NoTexts) {
      err << Fill(texts.noTextsNote, {unit.mac, unit.address}) << fix << '\n';
    }
  }
}

std::optional<link::MacAddress> ParseMacArgument(std::string_view text) {
  const bool separated = text.size() == 17;
  if (!separated && text.size() != 12) return std::nullopt;
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (separated && i % 3 == 2) {
      if (c != ':' && c != '-') return std::nullopt;
    } else if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else {
      return std::nullopt;
    }
  }
  link::MacAddress mac{};
  for (std::size_t i = 0; i < mac.size(); ++i) {
    mac[i] = static_cast<std::uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
  }
  return mac;
}

std::string JsonText(const nlohmann::ordered_json& document) {
  return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  std::vector<std::vector<std::string>> shown;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    std::vector<std::string>& cells = shown.emplace_back();
    for (std::size_t i = 0; i < row.size(); ++i) {
      cells.push_back(TerminalText(row[i]));
      widths[i] = std::max(widths[i], settings::CharacterCount(cells.back()));
    }
  }
  for (const auto& row : shown) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) {
        line += std::string(widths[i] - settings::CharacterCount(row[i]) + 2, ' ');
      }
    }
    out << line << '\n';
  }
}

void PrintUnitTable(std::ostream& out, const std::vector<UnitView>& units, const CliTexts& texts,
                    bool showPassword) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head = {std::string(texts.mac),        std::string(texts.address),
                                   std::string(texts.mask),       std::string(texts.router),
                                   std::string(texts.dhcp),       std::string(texts.firmware),
                                   std::string(texts.webApp),     std::string(texts.scheme),
                                   std::string(texts.deviceName), std::string(texts.user)};
  if (showPassword) head.emplace_back(texts.password);
  head.emplace_back(texts.stateColumn);
  head.emplace_back(texts.adapter);
  rows.push_back(std::move(head));
  for (const UnitView& unit : units) {
    // A MAC that several units answer with is marked; the notes say more.
    std::vector<std::string> row = {
        unit.macAlsoAt.empty() ? unit.mac : unit.mac + " *",
        unit.addressSharedWith.empty() ? unit.address : unit.address + " *",
        unit.mask,
        unit.router,
        std::string(unit.dhcp ? texts.on : texts.off),
        unit.firmware,
        unit.webApp,
        unit.scheme,
        unit.deviceName,
        unit.user.value_or(std::string(texts.unknown))};
    if (showPassword) row.push_back(unit.password.value_or(std::string(texts.unknown)));
    row.push_back(std::string(StateKey(unit.state)));
    row.push_back(unit.adapter);
    rows.push_back(std::move(row));
  }
  PrintColumns(out, rows);
}

void PrintUnitDetails(std::ostream& out, const UnitView& unit, const CliTexts& texts,
                      bool showPassword) {
  std::vector<std::vector<std::string>> rows = {
      {std::string(texts.mac) + ":", unit.mac},
      {std::string(texts.address) + ":", unit.address},
      {std::string(texts.mask) + ":", unit.mask},
      {std::string(texts.router) + ":", unit.router},
      {std::string(texts.dhcp) + ":", std::string(unit.dhcp ? texts.on : texts.off)},
      {std::string(texts.firmware) + ":", unit.firmware},
      {std::string(texts.webApp) + ":", unit.webApp},
      {std::string(texts.scheme) + ":", unit.scheme},
      {std::string(texts.skin) + ":", unit.skin},
      {std::string(texts.deviceName) + ":", unit.deviceName},
      {std::string(texts.user) + ":", unit.user.value_or(std::string(texts.unknown))}};
  if (showPassword) {
    rows.push_back(
        {std::string(texts.password) + ":", unit.password.value_or(std::string(texts.unknown))});
  }
  rows.push_back({std::string(texts.stateColumn) + ":", std::string(StateKey(unit.state))});
  rows.push_back({std::string(texts.adapter) + ":", unit.adapter});
  PrintColumns(out, rows);
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",;\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

void PrintUnitCsv(std::ostream& out, const std::vector<UnitView>& units, bool showPassword) {
  std::vector<std::string> head = {"mac",    "address", "mask", "router",     "dhcp", "firmware",
                                   "webApp", "scheme",  "skin", "deviceName", "user"};
  if (showPassword) head.emplace_back("password");
  head.emplace_back("state");
  head.emplace_back("adapter");
  out << "\xEF\xBB\xBF";
  const auto line = [&out](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i > 0 ? "," : "") << CsvField(cells[i]);
    out << "\r\n";
  };
  line(head);
  for (const UnitView& unit : units) {
    std::vector<std::string> row = {unit.mac,
                                    unit.address,
                                    unit.mask,
                                    unit.router,
                                    unit.dhcp ? "on" : "off",
                                    unit.firmware,
                                    unit.webApp,
                                    unit.scheme,
                                    unit.skin,
                                    unit.deviceName,
                                    unit.user.value_or("")};
    if (showPassword) row.push_back(unit.password.value_or(""));
    row.emplace_back(StateKey(unit.state));
    row.push_back(unit.adapter);
    line(row);
  }
}

nlohmann::ordered_json UnitJson(const UnitView& unit, bool showPassword) {
  nlohmann::ordered_json json;
  json["mac"] = unit.mac;
  json["address"] = unit.address;
  json["mask"] = unit.mask;
  json["router"] = unit.router;
  json["dhcp"] = unit.dhcp;
  json["firmware"] = unit.firmware;
  json["webApp"] = unit.webApp;
  json["scheme"] = unit.scheme;
  json["skin"] = unit.skin;
  json["deviceName"] = unit.deviceName;
  json["user"] = unit.user ? nlohmann::ordered_json(*unit.user) : nlohmann::ordered_json();
  if (showPassword) {
    json["password"] =
        unit.password ? nlohmann::ordered_json(*unit.password) : nlohmann::ordered_json();
  }
  json["adapter"] = unit.adapter;
  json["state"] = StateKey(unit.state);
  json["addressable"] = unit.addressable;
  json["macAlsoAt"] = unit.macAlsoAt;
  json["addressSharedWith"] = unit.addressSharedWith;
  return json;
}

nlohmann::ordered_json FindJson(const std::vector<UnitView>& units,
                                const nlohmann::ordered_json& searched, bool showPassword,
                                bool interrupted) {
  nlohmann::ordered_json json;
  json["units"] = nlohmann::ordered_json::array();
  for (const UnitView& unit : units) json["units"].push_back(UnitJson(unit, showPassword));
  json["searched"] = searched.is_null() ? nlohmann::ordered_json::array() : searched;
  json["interrupted"] = interrupted;
  return json;
}

nlohmann::ordered_json SearchedJson(const search::SearchReport& report) {
  nlohmann::ordered_json searched = nlohmann::ordered_json::array();
  for (const search::SearchTarget& target : report.tried) {
    nlohmann::ordered_json entry;
    entry["adapter"] = target.adapter;
    entry["own"] = target.adapter.empty() ? "" : link::AddressText(target.own);
    entry["target"] = link::AddressText(target.address);
    entry["sent"] = report.bindError == 0 && target.error == 0;
    searched.push_back(std::move(entry));
  }
  return searched;
}

std::string_view FileReason(const CliTexts& texts, const std::string& utf8Path) {
  switch (platform::WhyNotReadable(platform::PathFromUtf8(utf8Path))) {
    case platform::ReadProblem::Missing:
      return texts.reasonMissing;
    case platform::ReadProblem::Folder:
      return texts.reasonFolder;
    case platform::ReadProblem::NotRegular:
      return texts.reasonNotRegular;
    case platform::ReadProblem::InUse:
      return texts.reasonInUse;
    case platform::ReadProblem::NoAccess:
      break;
  }
  return texts.reasonNoAccess;
}

}  // namespace kv3::cli
