#pragma once

#include <functional>
#include <string>

#include "form/controls.h"
#include "form/desktop.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "window/pages/unit_settings_controls.h"

namespace kv3::window {

// Deletes every blank (0x20) from text, keeping the order of the other characters.
std::string RemoveSpaces(std::string text);

// What the current unit reported of its texts, byte for byte (Windows-1252), and what its field
// showed once the field rules had run on it. A field that still shows that was not edited: its
// value goes back to the unit exactly as reported, so that a save never renames a unit whose
// name holds characters the field cannot show, or locks out a user with such a password.
struct ReportedTexts {
  struct Text {
    std::string reported;
    std::string shown;
  };
  Text deviceName, user, password;
  // The text a save sends for a field: the reported bytes while the field shows what it showed
  // then, else the field's text converted.
  static std::string toSend(const Text& text, const std::string& field);
};

// The controls that showing a unit fills.
struct DisplayControls {
  form::ListBox& unitList;      // LB1
  form::TabSheet& updatePage;   // TabSheet2
  form::TabSheet& schemePage;   // TabSheet3
  form::Edit& firmware;         // Ed_Inst_FW
  form::Edit& mac;              // Edit3
  UnitSettingsControls unit;    // Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW
  form::Edit& installedScheme;  // Ed_Inst_AS
  form::Edit& installedSkin;    // Ed_Inst_R
  form::Edit& installedWebApp;  // Ed_Inst_WA
};

// Makes the selected unit current and shows what it reports: its search answer on the pages,
// then its account, device name and firmware text, asked for over the network.
class DeviceDisplay {
 public:
  DeviceDisplay(DisplayControls controls, link::TSock& sock, link::DeviceTable& table,
                const link::LinkSettings& settings, form::Desktop& desktop, ReportedTexts& reported,
                std::function<void(const std::string& address)> notOneUnit);

  void LB1Click() { ShowDevice(); }
  void ShowDevice();
  void ReadDeviceTexts();

  int CurrentIndex() const { return currentIndex_; }
  link::DeviceRecord& CurrentRecord() { return table_.at(currentIndex_); }

 private:
  DisplayControls c_;
  link::TSock& sock_;
  link::DeviceTable& table_;
  const link::LinkSettings& settings_;
  form::Desktop& desktop_;
  ReportedTexts& reported_;
  // Says why a unit whose own address reaches more than that unit is not asked for its texts.
  std::function<void(const std::string& address)> notOneUnit_;
  int currentIndex_ = 0;
};

}  // namespace kv3::window
