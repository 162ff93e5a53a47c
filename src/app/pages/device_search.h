#pragma once

#include <functional>
#include <string>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "ui/controls.h"
#include "ui/desktop.h"

namespace kv3::app {

// The controls the search reads and writes.
struct SearchControls {
  ui::Button& searchButton;     // BTSuchen
  ui::Button& saveButton;       // BtESpeichern
  ui::TabSheet& updatePage;     // TabSheet2
  ui::TabSheet& schemePage;     // TabSheet3
  ui::TabSheet& skinPage;       // TabSheet4
  ui::ListBox& unitList;        // LB1: the units by MAC address
  ui::Edit& user;               // Edit1
  ui::Edit& firmware;           // Ed_Inst_FW
  ui::Edit& mac;                // Edit3
  ui::Edit& address;            // Edit4
  ui::Edit& mask;               // Edit5
  ui::Edit& gateway;            // Edit6
  ui::Edit& password;           // EditPW
  ui::Edit& deviceName;         // Edit8
  ui::CheckBox& dhcp;           // CB_DHCP
  ui::Edit& manualAddress;      // Edit2: the address of the manual search
  ui::Label& manualLabel;       // Label14
  ui::Label& manualPrompt;      // Label17
  ui::Button& serviceSettings;  // Button2: the service page's "Set"
};

// What the search hands on to the rest of the window.
struct SearchFollowUps {
  std::function<void()> showDevice;
  std::function<void()> ratePassword;
  // A manual search found a unit at this address (the text of Edit2).
  std::function<void(const std::string&)> manualSearchFound;
};

// The device search: broadcasts "FIND", lists the units that answer by their MAC addresses and
// shows the first; when nobody answers it offers, and runs, a search at a typed address.
class DeviceSearch {
 public:
  static constexpr int LeftWithoutManualSearch = 80;
  static constexpr int LeftWithManualSearch = 24;
  static constexpr int PauseAfterSearchMs = 400;

  DeviceSearch(SearchControls controls, link::TSock& sock, link::DeviceTable& table,
               const link::LinkSettings& settings, ui::Desktop& desktop, SearchFollowUps followUps);

  void BTSuchenClick();

 private:
  void run();
  void showManualSearch(bool show);

  SearchControls c_;
  link::TSock& sock_;
  link::DeviceTable& table_;
  const link::LinkSettings& settings_;
  ui::Desktop& desktop_;
  SearchFollowUps followUps_;
};

}  // namespace kv3::app
