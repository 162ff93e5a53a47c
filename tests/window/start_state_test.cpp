#include <gtest/gtest.h>

#include <set>

#include "support/test_desktop.h"
#include "window/main_window.h"

namespace kv3::window {
namespace {

class StartState : public ::testing::Test {
 protected:
  test::TestDesktop desktop;
  MainWindow window{desktop};
};

TEST_F(StartState, ControlsThatNothingEverShowsStartHidden) {
  for (const char* name : {"BtMAC", "Bt_CreateImage", "Label11", "Label12", "Shape1", "CGauge8",
                           "Lb_Search_FW", "CG_Search_FW", "Lb_Search_WA", "CG_Search_WA",
                           "CB_En_AS", "Memo1", "LB2", "Edit2", "Label14", "Label17"}) {
    ASSERT_NE(window.find(name), nullptr) << name;
    EXPECT_FALSE(window.find(name)->visible()) << name;
  }
}

TEST_F(StartState, TabsPagesAndButtons) {
  EXPECT_TRUE(window.TabSheet1.tabVisible());
  EXPECT_TRUE(window.TabSheet2.tabVisible());
  EXPECT_TRUE(window.TabSheet3.tabVisible());
  EXPECT_FALSE(window.TabSheet4.tabVisible());
  EXPECT_FALSE(window.TabSheet5.tabVisible());
  EXPECT_EQ(window.PageControl1.activePage(), &window.TabSheet1);
  EXPECT_FALSE(window.BtESpeichern.enabled());
  EXPECT_FALSE(window.Button2.enabled());
  EXPECT_EQ(window.BTSuchen.bounds().left, 80);
  EXPECT_EQ(window.EditPW.passwordChar(), '*');
  EXPECT_EQ(window.Edit3.text(), "  :  :  :  :  :  ");
  EXPECT_EQ(window.bounds().width, 896);
  EXPECT_EQ(window.bounds().height, 472);
}

TEST_F(StartState, CaptionsOfTheWindowDescription) {
  const std::pair<const char*, const char*> captions[] = {
      {"Form1", "Konfigurationstool für Varnel Remote Control KV3  P1.7"},
      {"TabSheet1", "Einstellungen"},
      {"TabSheet5", "TabSheet5"},
      {"BTSuchen", "VozezaViroru suchen"},
      {"Label17", "manuelle Suche"},
      {"Label14", "IP-Adresse aus Router:"},
      {"Label4", "IP Addresse:"},
      {"Label6", "Gateway/Router:"},
      {"CBKt", "Passwort zeigen"},
      {"Bt_Ld_R", "Webseite öffnen"},
      {"Bt_Up_R", "Webseite öffnen"},
      {"Bt_Up_AS", "Übertragung starten"},
      {"Lb_DG_AS", "Definition gefunden"},
      {"GB1", "Network Settings"},
      {"Button2", "Set"},
      {"BtMAC", "New MAC"},
      {"Ed_Up_FW", " "},
  };
  for (const auto& [name, caption] : captions) {
    EXPECT_EQ(window.find(name)->text(), caption) << name;
  }
}

TEST_F(StartState, DialogSettings) {
  EXPECT_EQ(window.OpenDialog3.defaultExt, "bin");
  EXPECT_TRUE(window.OpenDialog3.fileMustExist);
  EXPECT_TRUE(window.OpenDialog3.extensionDifferent);
  EXPECT_EQ(window.SaveDialog2.defaultExt, "rom");
  EXPECT_TRUE(window.OpenDialog2.multiSelect);
  for (const form::FileDialog* dialog :
       {&window.OpenDialog1, &window.OpenDialog2, &window.SaveDialog2, &window.OpenDialog3}) {
    EXPECT_EQ(dialog->initialDir, ".");
  }
}

TEST_F(StartState, EmptyingAChosenFileHidesItsUploadControls) {
  window.Ed_Up_FW.setText("");
  for (const form::Control* c : std::initializer_list<const form::Control*>{
           &window.Ed_Up_FW, &window.Bt_Up_FW, &window.CG_FW, &window.Lb_DV_FW, &window.Lb_Up_FW}) {
    EXPECT_FALSE(c->visible()) << c->name();
  }
  // The scheme half follows the picture's name only.
  window.Ed_Up_AS.setText("");
  window.Ed_Up_DF.setText("def");
  EXPECT_FALSE(window.Bt_Up_AS.visible());
  window.Ed_Up_AS.setText("anlage");
  EXPECT_TRUE(window.Lb_DG_AS.visible());
}

TEST_F(StartState, EveryControlHasAUniqueNameAndTheLogoOpensTheMakersPage) {
  std::set<std::string> names;
  for (const form::Control* control : window.controls()) {
    EXPECT_TRUE(names.insert(control->name()).second) << control->name();
  }
  window.Image1.userClick();
  ASSERT_EQ(desktop.urls.size(), 1U);
  EXPECT_EQ(desktop.urls[0],
            std::string(MakerSite) + "/fernbedienung-vozezaviroru/konfigurationsprogramm.html");
}

}  // namespace
}  // namespace kv3::window
