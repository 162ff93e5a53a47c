#include "window/pages/device_search.h"

#include <exception>

#include "link/codepage.h"
#include "link/unit_channel.h"
#include "search/unit_search.h"

namespace kv3::window {

DeviceSearch::DeviceSearch(SearchControls controls, link::TSock& sock, link::DeviceTable& table,
                           const link::LinkSettings& settings, form::Desktop& desktop,
                           SearchFollowUps followUps)
    : c_(controls),
      sock_(sock),
      table_(table),
      settings_(settings),
      desktop_(desktop),
      followUps_(std::move(followUps)) {}

void DeviceSearch::BTSuchenClick() {
  try {
    run();
  } catch (...) {
    // The search button is the only way to search again; it must not stay disabled behind the
    // error box. The socket is already closed by the exchange that was left.
    c_.searchButton.setEnabled(true);
    throw;
  }
}

void DeviceSearch::run() {
  clearView();
  std::exception_ptr notRemembered;
  {
    link::Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    findUnits(exchange, notRemembered);
    listUnits();
    exchange.close();
  }
  desktop_.pause(PauseAfterSearchMs);
  followUp();
  if (notRemembered) {
    std::rethrow_exception(notRemembered);
  }
}

void DeviceSearch::clearView() {
  c_.searchButton.setEnabled(false);
  c_.saveButton.setEnabled(false);
  c_.updatePage.setTabVisible(false);
  c_.schemePage.setTabVisible(false);
  c_.skinPage.setTabVisible(false);
  c_.unitList.clear();
  for (form::Edit* field : {&c_.unit.user, &c_.firmware, &c_.mac, &c_.unit.address, &c_.unit.mask,
                            &c_.unit.gateway, &c_.unit.password, &c_.unit.deviceName}) {
    field->setText("");
  }
  c_.unit.dhcp.setChecked(false);
  table_.clear();
  desktop_.processMessages();
}

void DeviceSearch::findUnits(link::Exchange& exchange, std::exception_ptr& notRemembered) {
  link::ExchangeChannel channel(exchange, link::ExchangeChannel::From::Anyone);
  const auto found = [this](const link::DeviceRecord& record, const link::UnitChannel::Answer&) {
    c_.serviceSettings.setEnabled(true);
    table_.append(record);
    return !table_.full();
  };
  search::FindUnits(channel, found);

  if (table_.count() > 0) {
    showManualSearch(false);
    return;
  }
  if (c_.manualAddress.text().empty()) {
    showManualSearch(true);
    return;
  }
  const std::string typed = c_.manualAddress.text();
  try {
    exchange.retarget(link::Utf8ToCp1252(typed));
  } catch (...) {
    // The address that cannot be found must stay in view, or the user could never correct it
    // (it may come from the configuration file of an earlier run).
    showManualSearch(true);
    throw;
  }
  search::FindUnits(channel, found);
  showManualSearch(table_.count() == 0);
  if (table_.count() > 0 && followUps_.manualSearchFound) {
    // The units found are shown whether or not their address can be remembered; a failure to
    // remember it is reported once the search has ended.
    try {
      followUps_.manualSearchFound(typed);
    } catch (...) {
      notRemembered = std::current_exception();
    }
  }
}

void DeviceSearch::listUnits() {
  for (int i = 0; i < table_.count(); ++i) {
    c_.unitList.add(link::MacText(table_.at(i)));
  }
  c_.unitList.setFocus();
  c_.unitList.setItemIndex(0);
  desktop_.processMessages();
}

void DeviceSearch::followUp() {
  if (followUps_.showDevice) {
    followUps_.showDevice();
  }
  if (followUps_.ratePassword) {
    followUps_.ratePassword();
  }
  desktop_.processMessages();
  c_.searchButton.setEnabled(true);
  desktop_.processMessages();
}

void DeviceSearch::showManualSearch(bool show) {
  c_.manualAddress.setVisible(show);
  c_.manualLabel.setVisible(show);
  c_.manualPrompt.setVisible(show);
  c_.searchButton.setLeft(show ? LeftWithManualSearch : LeftWithoutManualSearch);
}

}  // namespace kv3::window
