#pragma once

#include <functional>
#include <string>

#include "link/device_record.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "ui/controls.h"
#include "ui/desktop.h"

namespace kv3::link {

// Takes the answers that are already waiting, one after the other, into the table: an answer
// that lacks "find" (or no answer) ends the collection, and so does a full table. onAccepted
// runs for every accepted answer. Returns the number of records added.
int CollectFindAnswers(Exchange& exchange, DeviceTable& table,
                       const std::function<void()>& onAccepted);

// The controls the search reads and writes.
struct SearchControls {
  ui::Button& BTSuchen;
  ui::Button& BtESpeichern;
  ui::TabSheet& TabSheet2;
  ui::TabSheet& TabSheet3;
  ui::TabSheet& TabSheet4;
  ui::ListBox& LB1;
  ui::Edit& Edit1;
  ui::Edit& Ed_Inst_FW;
  ui::Edit& Edit3;
  ui::Edit& Edit4;
  ui::Edit& Edit5;
  ui::Edit& Edit6;
  ui::Edit& EditPW;
  ui::Edit& Edit8;
  ui::CheckBox& CB_DHCP;
  ui::Edit& Edit2;
  ui::Label& Label14;
  ui::Label& Label17;
  ui::Button& Button2;
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

  DeviceSearch(SearchControls controls, TSock& sock, DeviceTable& table,
               const LinkSettings& settings, ui::Desktop& desktop, SearchFollowUps followUps);

  void BTSuchenClick();

 private:
  void run();
  void showManualSearch(bool show);

  SearchControls c_;
  TSock& sock_;
  DeviceTable& table_;
  const LinkSettings& settings_;
  ui::Desktop& desktop_;
  SearchFollowUps followUps_;
};

}  // namespace kv3::link
