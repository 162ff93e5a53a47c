#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/device_record.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "settings/device_display.h"
#include "ui/controls.h"
#include "ui/desktop.h"

namespace kv3::settings {

// The controls whose values a save sends.
struct SaveControls {
  ui::Button& BtESpeichern;
  ui::Edit& Edit8;  // device name
  ui::Edit& Edit4;
  ui::Edit& Edit5;
  ui::Edit& Edit6;
  ui::CheckBox& CB_DHCP;
  ui::Edit& Edit1;  // user name
  ui::Edit& EditPW;
  ui::CheckBox& CB_En_AS;
  ui::Button& BTSuchen;
};

// The network values of the settings page as the frame carries them.
link::NetworkSettings NetworkSettingsOf(const std::string& ip, const std::string& mask,
                                        const std::string& gateway, bool dhcp);

// The addresses, each once, of the records in `records` that report `mac`: more than one means
// that several units share the MAC, and "SETC", which names its unit by MAC alone, would change
// them all.
std::vector<std::string> AddressesWithMac(const std::vector<link::DeviceRecord>& records,
                                          const link::MacAddress& mac);

// Writes the settings page to the current unit: "SETC" to the broadcast address (the MAC in the
// frame names the unit), the device name again once the unit acknowledged, then a new search.
// A field the user did not edit goes back as the unit reported it. Nothing is sent when another
// unit answered the search with the same MAC.
class SettingsSave {
 public:
  static constexpr int PauseBeforeSearchMs = 2000;

  // sharedMac shows that several units answer with the MAC (given, and their addresses).
  SettingsSave(SaveControls controls, link::TSock& sock, const link::DeviceTable& table,
               std::function<link::DeviceRecord&()> current, const ReportedTexts& reported,
               const link::LinkSettings& settings, ui::Desktop& desktop,
               std::function<void(const std::string& mac, const std::string& addresses)> sharedMac);

  void BtESpeichernClick();

 private:
  SaveControls c_;
  link::TSock& sock_;
  const link::DeviceTable& table_;
  std::function<link::DeviceRecord&()> current_;
  const ReportedTexts& reported_;
  const link::LinkSettings& settings_;
  ui::Desktop& desktop_;
  std::function<void(const std::string&, const std::string&)> sharedMac_;
};

}  // namespace kv3::settings
