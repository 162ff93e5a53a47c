#include "link/device_search.h"

#include <exception>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/frames.h"

namespace kv3::link {

int CollectFindAnswers(Exchange& exchange, DeviceTable& table,
                       const std::function<void()>& onAccepted) {
  int added = 0;
  while (!table.full()) {
    const std::vector<std::uint8_t> kept = exchange.receive(kKeptFind);
    if (!AnswerContains(kept, "find")) {
      break;
    }
    if (onAccepted) {
      onAccepted();
    }
    table.append(RecordFromAnswer(kept));
    ++added;
  }
  return added;
}

DeviceSearch::DeviceSearch(SearchControls controls, TSock& sock, DeviceTable& table,
                           const LinkSettings& settings, ui::Desktop& desktop,
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
    c_.BTSuchen.setEnabled(true);
    throw;
  }
}

void DeviceSearch::run() {
  c_.BTSuchen.setEnabled(false);
  c_.BtESpeichern.setEnabled(false);
  c_.TabSheet2.setTabVisible(false);
  c_.TabSheet3.setTabVisible(false);
  c_.TabSheet4.setTabVisible(false);
  c_.LB1.clear();
  for (ui::Edit* field : {&c_.Edit1, &c_.Ed_Inst_FW, &c_.Edit3, &c_.Edit4, &c_.Edit5, &c_.Edit6,
                          &c_.EditPW, &c_.Edit8}) {
    field->setText("");
  }
  c_.CB_DHCP.setChecked(false);
  table_.clear();
  desktop_.processMessages();
  std::exception_ptr notRemembered;

  {
    Exchange exchange(sock_, settings_, desktop_);
    exchange.openBroadcast();
    const Frame find = CommandFrame(word::kFind);
    exchange.send(find);
    exchange.pauseForAnswer();
    const auto accepted = [this] { c_.Button2.setEnabled(true); };
    CollectFindAnswers(exchange, table_, accepted);

    if (table_.count() > 0) {
      showManualSearch(false);
    } else if (c_.Edit2.text().empty()) {
      showManualSearch(true);
    } else {
      const std::string typed = c_.Edit2.text();
      try {
        exchange.retarget(Utf8ToCp1252(typed));
      } catch (...) {
        // The address that cannot be found must stay in view, or the user could never
        // correct it (it may come from the configuration file of an earlier run).
        showManualSearch(true);
        throw;
      }
      exchange.send(find);
      exchange.pauseForAnswer();
      CollectFindAnswers(exchange, table_, accepted);
      showManualSearch(table_.count() == 0);
      if (table_.count() > 0 && followUps_.manualSearchFound) {
        // The units found are shown whether or not their address can be remembered; a failure
        // to remember it is reported once the search has ended.
        try {
          followUps_.manualSearchFound(typed);
        } catch (...) {
          notRemembered = std::current_exception();
        }
      }
    }

    for (int i = 0; i < table_.count(); ++i) {
      c_.LB1.add(MacText(table_.at(i)));
    }
    c_.LB1.setFocus();
    c_.LB1.setItemIndex(0);
    desktop_.processMessages();
    exchange.close();
  }
  desktop_.pause(PauseAfterSearchMs);

  if (followUps_.showDevice) {
    followUps_.showDevice();
  }
  if (followUps_.ratePassword) {
    followUps_.ratePassword();
  }
  desktop_.processMessages();
  c_.BTSuchen.setEnabled(true);
  desktop_.processMessages();
  if (notRemembered) {
    std::rethrow_exception(notRemembered);
  }
}

void DeviceSearch::showManualSearch(bool show) {
  c_.Edit2.setVisible(show);
  c_.Label14.setVisible(show);
  c_.Label17.setVisible(show);
  c_.BTSuchen.setLeft(show ? LeftWithManualSearch : LeftWithoutManualSearch);
}

}  // namespace kv3::link
