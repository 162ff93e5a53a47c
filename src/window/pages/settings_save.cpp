#include "window/pages/settings_save.h"

#include <algorithm>

#include "link/exchange.h"
#include "link/unit_channel.h"

namespace kv3::window {

SettingsSave::SettingsSave(SaveControls controls, link::TSock& sock, const link::DeviceTable& table,
                           std::function<link::DeviceRecord&()> current,
                           const ReportedTexts& reported, const link::LinkSettings& settings,
                           form::Desktop& desktop,
                           std::function<const texts::LanguageTexts&()> texts,
                           std::function<void(const std::string& message)> showError)
    : c_(controls),
      sock_(sock),
      table_(table),
      current_(std::move(current)),
      reported_(reported),
      settings_(settings),
      desktop_(desktop),
      texts_(std::move(texts)),
      showError_(std::move(showError)) {}

void SettingsSave::BtESpeichernClick() {
  const std::vector<link::DeviceRecord> listed = table_.listed();
  const link::DeviceRecord& unit = current_();
  const link::MacAddress mac = link::Mac(unit);
  if (const auto addresses = settings::AddressesWithMac(listed, mac); addresses.size() > 1) {
    showError_(texts::Fill(texts_().TextSharedMac, {link::MacText(mac), texts::Joined(addresses)}));
    return;
  }
  if (const auto others = link::OtherMacsAt(listed, unit); !others.empty()) {
    showError_(texts::Fill(texts_().TextSharedAddress,
                           {link::Ipv4Text(unit, link::record::kIp), link::MacListText(others)}));
    return;
  }
  const std::string deviceName =
      ReportedTexts::toSend(reported_.deviceName, c_.unit.deviceName.text());
  if (deviceName.find('\\') != std::string::npos) {
    showError_(std::string(texts_().TextNameBackslash));
    return;
  }
  c_.saveButton.setEnabled(false);
  {
    link::Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    link::ExchangeChannel channel(exchange, link::ExchangeChannel::From::Anyone);
    settings::SettingsToSave wanted;
    // Also with DHCP on: the disabled address fields still travel as they stand.
    wanted.network = settings::NetworkSettingsOf(c_.unit.address.text(), c_.unit.mask.text(),
                                                 c_.unit.gateway.text(), c_.unit.dhcp.checked());
    wanted.deviceName = deviceName;
    wanted.user = ReportedTexts::toSend(reported_.user, c_.unit.user.text());
    wanted.password = ReportedTexts::toSend(reported_.password, c_.unit.password.text());
    wanted.schemeEnabled = c_.schemeEditable.checked();
    settings::SaveSettings(channel, current_(), wanted);
    exchange.close();
  }
  desktop_.pause(PauseBeforeSearchMs);
  c_.searchButton.click();
}

}  // namespace kv3::window
