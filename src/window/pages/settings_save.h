#pragma once

#include <functional>
#include <string>
#include <vector>

#include "form/controls.h"
#include "form/desktop.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "settings/save_settings.h"
#include "texts/language.h"
#include "window/pages/device_display.h"
#include "window/pages/unit_settings_controls.h"

namespace kv3::window {

// The controls whose values a save sends.
struct SaveControls {
  form::Button& saveButton;        // BtESpeichern
  UnitSettingsControls unit;       // Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW
  form::CheckBox& schemeEditable;  // CB_En_AS
  form::Button& searchButton;      // BTSuchen
};

// Writes the settings page to the current unit: "SETC" to the broadcast address (the MAC in the
// frame names the unit), the device name again once the unit acknowledged, then a new search.
// A field the user did not edit goes back as the unit reported it. Nothing is sent, and the
// error box says why, when another unit answered the search with the same MAC (the settings
// would change both) or from the same address (the texts shown may be the other unit's), or
// when the device name to send holds a backslash.
class SettingsSave {
 public:
  static constexpr int PauseBeforeSearchMs = settings::kPauseBeforeSearchAfterSaveMs;

  SettingsSave(SaveControls controls, link::TSock& sock, const link::DeviceTable& table,
               std::function<link::DeviceRecord&()> current, const ReportedTexts& reported,
               const link::LinkSettings& settings, form::Desktop& desktop,
               std::function<const texts::LanguageTexts&()> texts,
               std::function<void(const std::string& message)> showError);

  void BtESpeichernClick();

 private:
  SaveControls c_;
  link::TSock& sock_;
  const link::DeviceTable& table_;
  std::function<link::DeviceRecord&()> current_;
  const ReportedTexts& reported_;
  const link::LinkSettings& settings_;
  form::Desktop& desktop_;
  std::function<const texts::LanguageTexts&()> texts_;
  std::function<void(const std::string&)> showError_;
};

}  // namespace kv3::window
