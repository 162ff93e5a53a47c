#pragma once

#include <functional>

#include "link/device_record.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/tsock.h"
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

// Writes the settings page to the current unit: "SETC" to the broadcast address (the MAC in the
// frame names the unit), the device name again once the unit acknowledged, then a new search.
class SettingsSave {
 public:
  static constexpr int PauseBeforeSearchMs = 2000;

  SettingsSave(SaveControls controls, link::TSock& sock,
               std::function<link::DeviceRecord&()> current, const link::LinkSettings& settings,
               ui::Desktop& desktop);

  void BtESpeichernClick();

 private:
  SaveControls c_;
  link::TSock& sock_;
  std::function<link::DeviceRecord&()> current_;
  const link::LinkSettings& settings_;
  ui::Desktop& desktop_;
};

}  // namespace kv3::settings
