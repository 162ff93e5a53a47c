#include <algorithm>
#include <string>
#include <vector>

#include "support/german_texts.h"
#include "window_fixture.h"

namespace kv3::window {
namespace {

using UploadPages = WindowOnLoopback;

// The entries of the desktop's log from the first that starts with `from` on.
std::vector<std::string> LogFrom(const std::vector<std::string>& log, const std::string& from) {
  const auto it = std::find_if(log.begin(), log.end(),
                               [&](const std::string& entry) { return entry.starts_with(from); });
  return {it, log.end()};
}

bool SentWord(const sim::Simulator& sim, const std::string& word) {
  const auto received = sim.received();
  return std::any_of(received.begin(), received.end(),
                     [&](const sim::Received& r) { return r.kind == word; });
}

struct Half {
  const char* name;
  std::string open;
  std::string chosen;
  form::FileDialog MainWindow::*dialog;
  std::string filter;
  std::vector<std::string> shown;
  std::string website;  // the button that opens the maker's page, and the page
  std::string page;
};

TEST_F(UploadPages, ChoosingAFileShowsItsNameWithoutExtensionAndRevealsTheStartControls) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const Half halves[] = {
      {"firmware",
       "Bt_Ld_FW",
       "Ed_Up_FW",
       &MainWindow::OpenDialog3,
       "Firmware|*.bin",
       {"Ed_Up_FW", "Bt_Up_FW", "CG_FW", "Lb_DV_FW", "Lb_Up_FW"},
       "Bt_WS_FW",
       "https://www.vozezaviroru.de/fernbedienung-vozezaviroru/firmware.html"},
      {"web app",
       "Bt_Ld_WA",
       "Ed_Up_WA",
       &MainWindow::OpenDialog4,
       "Web-Page|*.rom",
       {"Ed_Up_WA", "Bt_Up_WA", "CG_WA", "Lb_DV_WA", "Lb_Up_WA"},
       "Bt_WS_WA",
       "https://www.vozezaviroru.de/fernbedienung-vozezaviroru/web-app.html"},
      {"skin",
       "Bt_Ld_R",
       "Ed_Up_R",
       &MainWindow::OpenDialog6,
       "Gehäuserahmen|*.jpg",
       {"Ed_Up_R", "Bt_Up_R", "CG_R", "Lb_DV_R", "Lb_Up_R"},
       "Bt_WS_R",
       "https://www.vozezaviroru.de/fernbedienung-vozezaviroru/design.html"},
  };
  const std::string file = writeChosenFile("paket.v2.7.bin", 10);
  for (const Half& half : halves) {
    SCOPED_TRACE(half.name);
    MainWindow& w = *window;
    const auto visible = [&] {
      return std::all_of(half.shown.begin(), half.shown.end(),
                         [&](const std::string& name) { return w.find(name)->visible(); });
    };
    const auto hidden = [&] {
      return std::none_of(half.shown.begin(), half.shown.end(),
                          [&](const std::string& name) { return w.find(name)->visible(); });
    };
    EXPECT_TRUE(hidden());
    w.get<form::Button>(half.website).click();
    EXPECT_EQ(desktop.urls.back(), half.page);

    desktop.answerNextDialog(std::vector<std::string>{file});
    w.get<form::Button>(half.open).click();
    EXPECT_EQ((w.*half.dialog).filter, half.filter);
    EXPECT_EQ(w.get<form::Edit>(half.chosen).text(), "paket.v2.7");
    EXPECT_TRUE(visible());

    desktop.answerNextDialog(std::nullopt);  // cancelled: the choice is gone
    w.get<form::Button>(half.open).click();
    EXPECT_EQ(w.get<form::Edit>(half.chosen).text(), "");
    EXPECT_EQ((w.*half.dialog).fileName, "");
    EXPECT_TRUE(hidden());

    desktop.answerNextDialog(std::vector<std::string>{file + ".missing"});
    w.get<form::Button>(half.open).click();
    EXPECT_EQ(w.get<form::Edit>(half.chosen).text(), "");
    EXPECT_TRUE(hidden());
  }
}

TEST_F(UploadPages, FirmwareUpdateSucceedsAndSearchesAgainInItsOrder) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const std::string file = writeChosenFile("kv3_fw_1.8.bin", 5000);
  desktop.answerNextDialog(std::vector<std::string>{file});
  window->Bt_Ld_FW.click();
  window->PageControl1.userSelectPage(&window->TabSheet2);
  desktop.log.clear();

  window->dispatch([this] { window->Bt_Up_FW.click(); });

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  const std::string success = "message Meldung: " + std::string(test::german::UpdatedRestart);
  const auto after = LogFrom(desktop.log, "message ");
  ASSERT_GE(after.size(), 4u);
  // The text, then the list stays empty for the pause before the search, which begins by
  // processing messages and broadcasting.
  EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 4),
            (std::vector<std::string>{success, "pause 1000", "process", "pause 500"}));
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "firmware.bin")), test::PatternBytes(5000));
  EXPECT_EQ(window->PageControl1.activePage(), &window->TabSheet1);
  EXPECT_EQ(window->Ed_Up_FW.text(), "");
  EXPECT_FALSE(window->Bt_Up_FW.visible());
  EXPECT_TRUE(window->Bt_Up_FW.enabled());
  EXPECT_EQ(window->CG_FW.progress(), 0);
  // The search found the restarted unit again with its new version.
  EXPECT_EQ(listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:01"}));
  EXPECT_EQ(window->Ed_Inst_FW.text(), "V1.2");
}

TEST_F(UploadPages, WebAppUpdateShowsTheNewNameAsInstalledAndSearchesAgain) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const std::string file = writeChosenFile("heizung.v3.rom", 3000);
  desktop.answerNextDialog(std::vector<std::string>{file});
  window->Bt_Ld_WA.click();
  std::vector<std::string> installedWhenSearching;
  window->BTSuchen.onClick = [this, &installedWhenSearching, search = window->BTSuchen.onClick] {
    installedWhenSearching.push_back(window->Ed_Inst_WA.text());
    installedWhenSearching.push_back(window->LB1.items().empty() ? "empty" : "listed");
    search();
  };
  desktop.log.clear();

  window->dispatch([this] { window->Bt_Up_WA.click(); });

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  const std::string success = "message Meldung: " + std::string(test::german::UpdatedRestart);
  const auto at = std::find(desktop.log.begin(), desktop.log.end(), success);
  ASSERT_NE(at, desktop.log.end());
  ASSERT_GE(at - desktop.log.begin(), 2);
  // Before the closing answer the pause; then messages are processed before the text shows.
  EXPECT_EQ(std::vector<std::string>(at - 2, at + 2),
            (std::vector<std::string>{"pause 500", "process", success, "pause 1000"}));
  EXPECT_EQ(installedWhenSearching, (std::vector<std::string>{"heizung.v3", "empty"}));
  EXPECT_EQ(window->Ed_Up_WA.text(), "");
  EXPECT_TRUE(window->Bt_Up_WA.enabled());
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "heizung.v3.rom")), test::PatternBytes(3000));
  EXPECT_EQ(lan->sim().unit(0).webApp, "heizung.v3.rom");
}

TEST_F(UploadPages, HiddenSkinPageWorksThroughTheModelAndSaysUpdatedWithoutRestart) {
  startUnits({test::NumberedUnit(1)});
  activate();
  ASSERT_FALSE(window->TabSheet4.tabVisible());
  const std::string file = writeChosenFile("rahmen_holz_dunkel_2026.jpg", 2000);
  desktop.answerNextDialog(std::vector<std::string>{file});
  window->Bt_Ld_R.click();

  window->dispatch([this] { window->Bt_Up_R.click(); });

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  ASSERT_FALSE(desktop.messages.empty());
  EXPECT_EQ(desktop.messages.front().text, test::german::Updated);
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "rahmen_holz_dunkel_2026.jpg")),
            test::PatternBytes(2000));
  lan->sim().stop();
  ASSERT_EQ(lan->sim().uploads().size(), 1u);
  EXPECT_EQ(lan->sim().uploads()[0].headerName, "rahmen_holz_dunkel_2");
  EXPECT_FALSE(window->TabSheet4.tabVisible());
}

TEST_F(UploadPages, AConfirmedFirmwareFileWithAnotherExtensionIsShownButNeverSent) {
  startUnits({test::NumberedUnit(1)});
  activate();
  desktop.answerNextDialog(std::vector<std::string>{writeChosenFile("firmware.hex", 100)});
  window->Bt_Ld_FW.click();
  EXPECT_EQ(window->Ed_Up_FW.text(), "firmware");
  EXPECT_TRUE(window->Bt_Up_FW.visible());

  window->dispatch([this] { window->Bt_Up_FW.click(); });

  EXPECT_FALSE(SentWord(lan->sim(), "FWUP"));
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(window->Bt_Up_FW.enabled());
}

TEST_F(UploadPages, AFailedUploadSaysWhyAndKeepsTheChosenFile) {
  struct Case {
    const char* what;
    sim::Fault fault;
    const char* text;
  };
  sim::Fault closes;
  closes.stream = sim::StreamFault::Close;
  const Case cases[] = {
      {"not acknowledged", {.silent = true}, test::german::NotFound},
      {"no answer", closes, test::german::Corrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Unit unit = test::NumberedUnit(1);
    unit.fault(sim::Command::Rfup) = c.fault;
    desktop.messages.clear();
    startUnits({unit});
    activate();
    desktop.answerNextDialog(std::vector<std::string>{writeChosenFile("web.rom", 4000)});
    window->Bt_Ld_WA.click();

    window->dispatch([this] { window->Bt_Up_WA.click(); });

    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, c.text);
    EXPECT_EQ(desktop.messages[0].caption, test::german::Error);
    EXPECT_EQ(window->Ed_Up_WA.text(), "web");
    EXPECT_TRUE(window->Bt_Up_WA.visible());
    EXPECT_TRUE(window->Bt_Up_WA.enabled());
    EXPECT_EQ(window->CG_WA.progress(), 0);
    EXPECT_EQ(listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:01"}));  // no new search
  }
}

// Clicks that arrive while segments go out: a new search and closing the window. The run keeps
// its own address and socket, and the window closes only once the upload and its follow-up
// have ended.
TEST_F(UploadPages, SearchingAndClosingDuringAnUploadDisturbNothing) {
  startUnits({test::NumberedUnit(1)});
  activate();
  desktop.answerNextDialog(std::vector<std::string>{writeChosenFile("fw.bin", 6000)});
  window->Bt_Ld_FW.click();
  int closed = 0;
  bool closeAllowed = true;
  std::size_t closedAfter = 0;
  window->closeWindow = [&] {
    ++closed;
    closedAfter = desktop.messages.size();
  };
  desktop.queueUserAction([this] { window->BTSuchen.click(); });
  desktop.queueUserAction([&] { closeAllowed = window->CloseQuery(); });

  window->dispatch([this] { window->Bt_Up_FW.click(); });

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_FALSE(closeAllowed);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(closedAfter, 1u);  // after the success text
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, test::german::UpdatedRestart);
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "firmware.bin")), test::PatternBytes(6000));
  EXPECT_TRUE(window->CloseQuery());
}

}  // namespace
}  // namespace kv3::window
