#include "settings/settings_save.h"

#include <algorithm>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "settings/field_rules.h"

namespace kv3::settings {

link::NetworkSettings NetworkSettingsOf(const std::string& ip, const std::string& mask,
                                        const std::string& gateway, bool dhcp) {
  return {ParseIPv4Text(ip), ParseIPv4Text(mask), ParseIPv4Text(gateway), dhcp};
}

std::vector<std::string> AddressesWithMac(const std::vector<link::DeviceRecord>& records,
                                          const link::MacAddress& mac) {
  std::vector<std::string> addresses;
  for (const link::DeviceRecord& record : records) {
    const std::string address = link::Ipv4Text(record, link::record::kIp);
    if (link::Mac(record) == mac &&
        std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
  return addresses;
}

SettingsSave::SettingsSave(
    SaveControls controls, link::TSock& sock, const link::DeviceTable& table,
    std::function<link::DeviceRecord&()> current, const ReportedTexts& reported,
    const link::LinkSettings& settings, ui::Desktop& desktop,
    std::function<void(const std::string& mac, const std::string& addresses)> sharedMac)
    : c_(controls),
      sock_(sock),
      table_(table),
      current_(std::move(current)),
      reported_(reported),
      settings_(settings),
      desktop_(desktop),
      sharedMac_(std::move(sharedMac)) {}

void SettingsSave::BtESpeichernClick() {
  std::vector<link::DeviceRecord> listed;
  for (int i = 0; i < table_.count(); ++i) listed.push_back(table_.at(i));
  const link::MacAddress mac = link::Mac(current_());
  if (const auto addresses = AddressesWithMac(listed, mac); addresses.size() > 1) {
    std::string joined;
    for (const std::string& address : addresses) {
      joined += (joined.empty() ? "" : ", ") + address;
    }
    if (sharedMac_) sharedMac_(link::MacText(mac), joined);
    return;
  }
  c_.BtESpeichern.setEnabled(false);
  {
    link::Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    const std::string deviceName = ReportedTexts::ToSend(reported_.deviceName, c_.Edit8.text());
    const std::string text = link::SettingsText(
        deviceName, c_.CB_En_AS.checked(), ReportedTexts::ToSend(reported_.user, c_.Edit1.text()),
        ReportedTexts::ToSend(reported_.password, c_.EditPW.text()));
    // Also with DHCP on: the disabled address fields still travel as they stand.
    const link::Frame frame = link::SettingsFrame(
        current_(),
        NetworkSettingsOf(c_.Edit4.text(), c_.Edit5.text(), c_.Edit6.text(), c_.CB_DHCP.checked()),
        text);
    const auto reply = exchange.request(frame, link::kKeptAnswer);
    if (link::AnswerContains(reply, "setc")) {
      exchange.request(link::NameFrame(frame, deviceName), link::kKeptAnswer);
    }
    exchange.close();
  }
  desktop_.pause(PauseBeforeSearchMs);
  c_.BTSuchen.click();
}

}  // namespace kv3::settings
