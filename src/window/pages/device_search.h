#pragma once

#include <exception>
#include <functional>
#include <string>

#include "form/controls.h"
#include "form/desktop.h"
#include "link/device_record.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "window/pages/unit_settings_controls.h"

namespace kv3::window {

// The controls the search reads and writes.
struct SearchControls {
  form::Button& searchButton;     // BTSuchen
  form::Button& saveButton;       // BtESpeichern
  form::TabSheet& updatePage;     // TabSheet2
  form::TabSheet& schemePage;     // TabSheet3
  form::TabSheet& skinPage;       // TabSheet4
  form::ListBox& unitList;        // LB1: the units by MAC address
  UnitSettingsControls unit;      // Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW
  form::Edit& firmware;           // Ed_Inst_FW
  form::Edit& mac;                // Edit3
  form::Edit& manualAddress;      // Edit2: the address of the manual search
  form::Label& manualLabel;       // Label14
  form::Label& manualPrompt;      // Label17
  form::Button& serviceSettings;  // Button2: the service page's "Set"
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
               const link::LinkSettings& settings, form::Desktop& desktop,
               SearchFollowUps followUps);

  void BTSuchenClick();

 private:
  void run();
  // The steps of a search: the view emptied, the broadcast (and the manual search when it finds
  // nobody), the list of what answered, and what follows.
  void clearView();
  void findUnits(link::Exchange& exchange, std::exception_ptr& notRemembered);
  void listUnits();
  void followUp();
  void showManualSearch(bool show);

  SearchControls c_;
  link::TSock& sock_;
  link::DeviceTable& table_;
  const link::LinkSettings& settings_;
  form::Desktop& desktop_;
  SearchFollowUps followUps_;
};

}  // namespace kv3::window
