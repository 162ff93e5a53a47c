#pragma once

#include <functional>
#include <string>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "ui/controls.h"
#include "ui/desktop.h"

namespace kv3::app {

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
  ui::ListBox& unitList;      // LB1
  ui::TabSheet& updatePage;   // TabSheet2
  ui::TabSheet& schemePage;   // TabSheet3
  ui::Edit& firmware;         // Ed_Inst_FW
  ui::Edit& mac;              // Edit3
  ui::Edit& address;          // Edit4
  ui::Edit& mask;             // Edit5
  ui::Edit& gateway;          // Edit6
  ui::CheckBox& dhcp;         // CB_DHCP
  ui::Edit& user;             // Edit1
  ui::Edit& password;         // EditPW
  ui::Edit& deviceName;       // Edit8
  ui::Edit& installedScheme;  // Ed_Inst_AS
  ui::Edit& installedSkin;    // Ed_Inst_R
  ui::Edit& installedWebApp;  // Ed_Inst_WA
};

// Makes the selected unit current and shows what it reports: its search answer on the pages,
// then its account, device name and firmware text, asked for over the network.
class DeviceDisplay {
 public:
  DeviceDisplay(DisplayControls controls, link::TSock& sock, link::DeviceTable& table,
                const link::LinkSettings& settings, ui::Desktop& desktop, ReportedTexts& reported,
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
  ui::Desktop& desktop_;
  ReportedTexts& reported_;
  // Says why a unit whose own address reaches more than that unit is not asked for its texts.
  std::function<void(const std::string& address)> notOneUnit_;
  int currentIndex_ = 0;
};

}  // namespace kv3::app
