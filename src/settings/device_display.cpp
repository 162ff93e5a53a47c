#include "settings/device_display.h"

#include <algorithm>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "settings/settings_fields.h"

namespace kv3::settings {

std::string RemoveSpaces(std::string text) {
  std::erase(text, ' ');
  return text;
}

std::string InstalledNameText(const std::string& name) {
  if (name.empty()) {
    return "original";
  }
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool SplitAccountText(const std::string& account, std::string& user, std::string& password) {
  const std::size_t colon = account.find(':');
  if (colon == std::string::npos) {
    return false;
  }
  user = account.substr(0, colon);
  password = account.substr(colon + 1);
  return true;
}

std::string ReportedTexts::ToSend(const Text& text, const std::string& field) {
  return field == text.shown ? text.reported : link::Utf8ToCp1252(field);
}

DeviceDisplay::DeviceDisplay(DisplayControls controls, link::TSock& sock, link::DeviceTable& table,
                             const link::LinkSettings& settings, ui::Desktop& desktop,
                             ReportedTexts& reported,
                             std::function<void(const std::string& address)> notOneUnit)
    : c_(controls),
      sock_(sock),
      table_(table),
      settings_(settings),
      desktop_(desktop),
      reported_(reported),
      notOneUnit_(std::move(notOneUnit)) {}

void DeviceDisplay::ShowDevice() {
  if (table_.count() <= 0) {
    return;
  }
  c_.TabSheet2.setTabVisible(true);
  c_.TabSheet3.setTabVisible(true);
  const int selected = c_.LB1.itemIndex();
  // Only a listed unit can become current; the table holds no other.
  if (selected >= 0 && selected < table_.count()) {
    currentIndex_ = selected;
  }
  const link::DeviceRecord& record = table_.at(currentIndex_);
  sock_.SetHostName(link::Ipv4Text(record, link::record::kIp));
  c_.Ed_Inst_FW.setText(std::to_string(link::FirmwareMajor(record)) + "." +
                        std::to_string(link::FirmwareMinor(record)));
  c_.Edit3.setText(link::MacText(record));
  c_.Edit4.setText(link::Ipv4Text(record, link::record::kIp));
  c_.Edit5.setText(link::Ipv4Text(record, link::record::kMask));
  c_.Edit6.setText(link::Ipv4Text(record, link::record::kGateway));
  c_.CB_DHCP.setChecked(link::DhcpOn(record));
  ReadDeviceTexts();
  // The record may have changed meanwhile (a nested handler); read it again.
  const link::DeviceRecord& shown = table_.at(currentIndex_);
  c_.Ed_Inst_AS.setText(link::Cp1252ToUtf8(InstalledNameText(link::SchemeName(shown))));
  c_.Ed_Inst_R.setText(link::Cp1252ToUtf8(InstalledNameText(link::SkinName(shown))));
  c_.Ed_Inst_WA.setText(link::Cp1252ToUtf8(InstalledNameText(link::WebAppName(shown))));
  desktop_.processMessages();
}

void DeviceDisplay::ReadDeviceTexts() {
  reported_ = {};
  const auto show = [](ui::Edit& field, ReportedTexts::Text& text, const std::string& reported) {
    text.reported = reported;
    field.setText(link::Cp1252ToUtf8(reported));
    text.shown = field.text();  // after the field rules ran on it
  };
  c_.Edit1.setText(std::string(UnknownAccountText));
  c_.EditPW.setText(std::string(UnknownAccountText));
  const link::DeviceRecord& unit = table_.at(currentIndex_);
  if (!link::AddressesOneUnit(unit)) {
    // Asked there, every unit of the network would answer as if it were this one.
    if (notOneUnit_) notOneUnit_(link::Ipv4Text(unit, link::record::kIp));
    show(c_.Edit8, reported_.deviceName, "");
    return;
  }
  link::Exchange exchange(sock_, settings_, desktop_);
  exchange.open(RemoveSpaces(c_.Edit4.text()));

  const std::string account = link::AnswerText(
      exchange.requestFromTarget(link::CommandFrame(link::word::kPassword), link::kKeptAccount));
  std::string user;
  std::string password;
  if (SplitAccountText(account, user, password)) {
    show(c_.Edit1, reported_.user, user);
    show(c_.EditPW, reported_.password, password);
  }
  // The device name follows the account text at once.
  show(c_.Edit8, reported_.deviceName,
       link::AnswerText(exchange.receiveFromTarget(link::kKeptAccount)));

  const std::string version = link::AnswerText(
      exchange.requestFromTarget(link::CommandFrame(link::word::kVersion), link::kKeptAnswer));
  c_.Ed_Inst_FW.setText(link::Cp1252ToUtf8(version));
  desktop_.processMessages();
  exchange.close();
}

}  // namespace kv3::settings
