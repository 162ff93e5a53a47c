#include "settings/settings_save.h"

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "settings/field_rules.h"

namespace kv3::settings {

link::NetworkSettings NetworkSettingsOf(const std::string& ip, const std::string& mask,
                                        const std::string& gateway, bool dhcp) {
  return {ParseIPv4Text(ip), ParseIPv4Text(mask), ParseIPv4Text(gateway), dhcp};
}

SettingsSave::SettingsSave(SaveControls controls, link::TSock& sock,
                           std::function<link::DeviceRecord&()> current,
                           const link::LinkSettings& settings, ui::Desktop& desktop)
    : c_(controls),
      sock_(sock),
      current_(std::move(current)),
      settings_(settings),
      desktop_(desktop) {}

void SettingsSave::BtESpeichernClick() {
  c_.BtESpeichern.setEnabled(false);
  {
    link::Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    const std::string deviceName = link::Utf8ToCp1252(c_.Edit8.text());
    const std::string text =
        link::SettingsText(deviceName, c_.CB_En_AS.checked(), link::Utf8ToCp1252(c_.Edit1.text()),
                           link::Utf8ToCp1252(c_.EditPW.text()));
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
