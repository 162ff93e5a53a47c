#include "window/pages/device_display.h"

#include <algorithm>

#include "link/codepage.h"
#include "link/exchange.h"
#include "link/unit_channel.h"
#include "search/unit_texts.h"
#include "window/pages/settings_fields.h"

namespace kv3::window {

std::string RemoveSpaces(std::string text) {
  std::erase(text, ' ');
  return text;
}

std::string ReportedTexts::toSend(const Text& text, const std::string& field) {
  return field == text.shown ? text.reported : link::Utf8ToCp1252(field);
}

DeviceDisplay::DeviceDisplay(DisplayControls controls, link::TSock& sock, link::DeviceTable& table,
                             const link::LinkSettings& settings, form::Desktop& desktop,
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
  c_.updatePage.setTabVisible(true);
  c_.schemePage.setTabVisible(true);
  const int selected = c_.unitList.itemIndex();
  // Only a listed unit can become current; the table holds no other.
  if (selected >= 0 && selected < table_.count()) {
    currentIndex_ = selected;
  }
  const link::DeviceRecord& record = table_.at(currentIndex_);
  sock_.SetHostName(link::Ipv4Text(record, link::record::kIp));
  c_.firmware.setText(std::to_string(link::FirmwareMajor(record)) + "." +
                      std::to_string(link::FirmwareMinor(record)));
  c_.mac.setText(link::MacText(record));
  c_.unit.address.setText(link::Ipv4Text(record, link::record::kIp));
  c_.unit.mask.setText(link::Ipv4Text(record, link::record::kMask));
  c_.unit.gateway.setText(link::Ipv4Text(record, link::record::kGateway));
  c_.unit.dhcp.setChecked(link::DhcpOn(record));
  ReadDeviceTexts();
  // The record may have changed meanwhile (a nested handler); read it again.
  const link::DeviceRecord& shown = table_.at(currentIndex_);
  c_.installedScheme.setText(
      link::Cp1252ToUtf8(search::InstalledNameText(link::SchemeName(shown))));
  c_.installedSkin.setText(link::Cp1252ToUtf8(search::InstalledNameText(link::SkinName(shown))));
  c_.installedWebApp.setText(
      link::Cp1252ToUtf8(search::InstalledNameText(link::WebAppName(shown))));
  desktop_.processMessages();
}

void DeviceDisplay::ReadDeviceTexts() {
  reported_ = {};
  const auto show = [](form::Edit& field, ReportedTexts::Text& text, const std::string& reported) {
    text.reported = reported;
    field.setText(link::Cp1252ToUtf8(reported));
    text.shown = field.text();  // after the field rules ran on it
  };
  c_.unit.user.setText(std::string(UnknownAccountText));
  c_.unit.password.setText(std::string(UnknownAccountText));
  const link::DeviceRecord& unit = table_.at(currentIndex_);
  if (!link::AddressesOneUnit(unit)) {
    // Asked there, every unit of the network would answer as if it were this one.
    if (notOneUnit_) notOneUnit_(link::Ipv4Text(unit, link::record::kIp));
    show(c_.unit.deviceName, reported_.deviceName, "");
    return;
  }
  link::Exchange exchange(sock_, settings_, desktop_);
  exchange.open(RemoveSpaces(c_.unit.address.text()));
  link::ExchangeChannel channel(exchange, link::ExchangeChannel::From::Target);
  search::TextSteps steps;
  steps.account = [&](std::size_t, const search::UnitTexts& texts) {
    if (texts.accountAnswered) {
      show(c_.unit.user, reported_.user, texts.user);
      show(c_.unit.password, reported_.password, texts.password);
    }
  };
  steps.deviceName = [&](std::size_t, const search::UnitTexts& texts) {
    show(c_.unit.deviceName, reported_.deviceName, texts.deviceName);
  };
  steps.version = [this](std::size_t, const search::UnitTexts& texts) {
    c_.firmware.setText(link::Cp1252ToUtf8(texts.version));
  };
  search::ReadUnitTexts(channel, 1, steps);
  desktop_.processMessages();
  exchange.close();
}

}  // namespace kv3::window
