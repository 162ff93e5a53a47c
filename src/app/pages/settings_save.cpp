#include "app/pages/settings_save.h"

#include <algorithm>

#include "link/exchange.h"
#include "link/unit_channel.h"

namespace kv3::app {

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
  if (const auto addresses = settings::AddressesWithMac(listed, mac); addresses.size() > 1) {
    std::string joined;
    for (const std::string& address : addresses) {
      joined += (joined.empty() ? "" : ", ") + address;
    }
    if (sharedMac_) sharedMac_(link::MacText(mac), joined);
    return;
  }
  c_.saveButton.setEnabled(false);
  {
    link::Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    link::ExchangeChannel channel(exchange, link::ExchangeChannel::From::Anyone);
    settings::SettingsToSave wanted;
    // Also with DHCP on: the disabled address fields still travel as they stand.
    wanted.network = settings::NetworkSettingsOf(c_.address.text(), c_.mask.text(),
                                                 c_.gateway.text(), c_.dhcp.checked());
    wanted.deviceName = ReportedTexts::toSend(reported_.deviceName, c_.deviceName.text());
    wanted.user = ReportedTexts::toSend(reported_.user, c_.user.text());
    wanted.password = ReportedTexts::toSend(reported_.password, c_.password.text());
    wanted.schemeEnabled = c_.schemeEditable.checked();
    settings::SaveSettings(channel, current_(), wanted);
    exchange.close();
  }
  desktop_.pause(PauseBeforeSearchMs);
  c_.searchButton.click();
}

}  // namespace kv3::app
