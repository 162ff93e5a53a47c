#include <algorithm>

#include "window_fixture.h"

namespace kv3::window {
namespace {

class SettingsPage : public ::testing::Test {
 protected:
  test::ScratchDirectory directory;  // a language switch records itself in t540.cfg
  test::TestDesktop desktop;
  MainWindow window{desktop};

  void watchFlashes() {
    for (form::Control* control : window.controls()) {
      control->subscribe([this, control](form::Property p) {
        if (p == form::Property::Color && control->color() == form::clRed &&
            control->kind() != form::Kind::Shape) {
          flashed.push_back(control->name());
        }
      });
    }
  }
  std::vector<std::string> flashed;
};

TEST_F(SettingsPage, CorrectionsEndWithTheCorrectedTextAndTheRightRating) {
  struct Case {
    const char* field;
    std::string typed;
    std::string kept;
    std::vector<std::string> flashes;
    bool showPassword;
  };
  const Case cases[] = {
      {"EditPW", "abcdef123456X", "abcdef123456", {"Label8"}, true},
      {"EditPW", "pässwört12", "psswrt12", {"EditPW", "EditPW"}, true},
      // Cut first, then filtered: the outer run repeats the filter on its own copy.
      {"EditPW", "äbcdefghijklmn", "bcdefghijkl", {"EditPW", "Label8", "EditPW"}, true},
      {"Edit1", "Jörg", "Jrg", {"Edit1"}, false},
      {"Edit1", "verylongusername", "verylonguser", {"Label8"}, false},
      {"Edit8", std::string(31, 'x'), std::string(30, 'x'), {"Label10"}, false},
      {"Edit8", "Heizung Süd", "Heizung Sd", {"Edit8"}, false},
      // The unit ends the name at a backslash: the rest would become its user name.
      {"Edit8", "a\\b:c", "ab:c", {"Edit8"}, false},
  };
  watchFlashes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    flashed.clear();
    window.CBKt.setChecked(false);
    window.get<form::Edit>(c.field).userEdit(c.typed);
    EXPECT_EQ(window.find(c.field)->text(), c.kept);
    EXPECT_EQ(flashed, c.flashes);
    EXPECT_EQ(window.CBKt.checked(), c.showPassword);
    if (c.showPassword) {
      EXPECT_EQ(window.EditPW.passwordChar(), 0);
    }
  }
  // Every flash is drawn red, held 50 ms and drawn again.
  EXPECT_GT(desktop.repaints, 0);
  EXPECT_NE(std::find(desktop.pauses.begin(), desktop.pauses.end(), 50), desktop.pauses.end());
  EXPECT_EQ(window.Label8.color(), form::clBtnFace);
  EXPECT_EQ(window.Edit8.color(), form::clWindow);
}

TEST_F(SettingsPage, RatingLampAndSaveButton) {
  struct Case {
    std::string password;
    bool dhcp;
    std::string ip;
    std::string rating;
    form::Color lamp;
    form::Color passwordColour;
    bool saveEnabled;
  };
  const Case cases[] = {
      {"abcdef", false, "192.168.2.40", "(unsicher)", form::clRed, form::clWindow, true},
      {"abc123", false, "192.168.2.40", "(sicher)", form::clYellow, form::clWindow, true},
      {"ab12!?", false, "192.168.2.40", "(sehr sicher)", form::clLime, form::clWindow, true},
      {"a1!b2", false, "192.168.2.40", "(unzulässig)", form::clRed, form::InvalidFieldColour,
       false},
      {"a1!b2", true, "192.168.2.40", "(unzulässig)", form::clRed, form::InvalidFieldColour, false},
      {"abc123", false, "192.168.2.256", "(sicher)", form::clYellow, form::clWindow, false},
      {"abc123", true, "192.168.2.256", "(sicher)", form::clYellow, form::clWindow, true},
      {"abc123", false, "", "(sicher)", form::clYellow, form::clWindow, false},
  };
  window.ApplyLanguage("de");
  window.Devices.append(link::DeviceRecord{});  // a unit to save to
  window.Edit5.userEdit("255.255.255.0");
  window.Edit6.userEdit("192.168.2.1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password + " " + c.ip + (c.dhcp ? " dhcp" : ""));
    window.CB_DHCP.setChecked(c.dhcp);
    window.Edit4.setText(c.ip);
    window.EditPW.setText(c.password);
    EXPECT_EQ(window.LbAmpel.caption(), c.rating);
    EXPECT_EQ(window.Shape1.color(), c.lamp);
    EXPECT_EQ(window.EditPW.color(), c.passwordColour);
    EXPECT_EQ(window.BtESpeichern.enabled(), c.saveEnabled);
    EXPECT_EQ(window.Edit4.enabled(), !c.dhcp);
  }
  // Deleting the whole password keeps the last rating text but forbids saving.
  window.EditPW.userEdit("");
  EXPECT_EQ(window.LbAmpel.caption(), "(sicher)");
  EXPECT_EQ(window.EditPW.color(), form::InvalidFieldColour);
  EXPECT_FALSE(window.BtESpeichern.enabled());
  // A one-character user name is no obstacle.
  window.EditPW.userEdit("abc123");
  window.Edit4.userEdit("192.168.2.40");
  window.Edit1.userEdit("x");
  EXPECT_TRUE(window.BtESpeichern.enabled());
  // The placeholder of an account the unit did not tell never goes back to it.
  window.Edit1.userEdit("???");
  EXPECT_FALSE(window.BtESpeichern.enabled());
  window.Edit1.userEdit("admin");
  EXPECT_TRUE(window.BtESpeichern.enabled());
  // Without a unit there is nobody to save to.
  window.Devices.clear();
  window.EditPW.userEdit("abc1234");
  EXPECT_FALSE(window.BtESpeichern.enabled());
}

TEST_F(SettingsPage, ManualSearchAddressIsOnlyColoured) {
  window.Edit2.setText("192.168.2.4x");
  EXPECT_EQ(window.Edit2.color(), form::InvalidFieldColour);
  window.Edit2.setText("192.168.2.4");
  EXPECT_EQ(window.Edit2.color(), form::clWindow);
}

TEST_F(SettingsPage, LanguageSwitchChangesCaptionsAndRatingButNoFieldContent) {
  window.ApplyLanguage("de");
  window.Edit8.userEdit("Keller");
  window.Edit4.userEdit("10.1.2.3");
  window.EditPW.userEdit("abc123");
  ASSERT_EQ(window.LbAmpel.caption(), "(sicher)");

  struct Case {
    const char* code;
    const char* title;
    const char* label9;
    const char* rating;
  };
  const Case cases[] = {
      {"en", "Configurator for VozezaViroru V1.0.20", "device name:", "(safe)"},
      {"de", "Konfigurationsprogramm für VozezaViroru V1.0.20", "Gerätebezeichnung:", "(sicher)"},
      {"gb", "Configurator for VozezaViroru V1.0.20", "device name:", "(safe)"},
      {"xx", "Configurator for VozezaViroru V1.0.20", "device name:", "(safe)"},
      {"deutsch", "Konfigurationsprogramm für VozezaViroru V1.0.20",
       "Gerätebezeichnung:", "(sicher)"},
  };
  for (const Case& c : cases) {
    window.ApplyLanguage(c.code);
    EXPECT_EQ(window.caption(), c.title) << c.code;
    EXPECT_EQ(window.Label9.caption(), c.label9) << c.code;
    EXPECT_EQ(window.LbAmpel.caption(), c.rating) << c.code;
    EXPECT_EQ(window.Edit8.text(), "Keller");
    EXPECT_EQ(window.Edit4.text(), "10.1.2.3");
  }
  // Captions that no language changes.
  EXPECT_EQ(window.CB_DHCP.caption(), "DHCP:");
  EXPECT_EQ(window.GB1.caption(), "Network Settings");
  // With an empty password the rating keeps its previous text.
  window.EditPW.setText("");
  window.ApplyLanguage("en");
  EXPECT_EQ(window.LbAmpel.caption(), "(sicher)");
}

TEST_F(SettingsPage, EveryLanguageCaptionNamesAControlWithACaption) {
  for (const texts::CaptionText& caption : texts::LanguageCaptions()) {
    EXPECT_NE(dynamic_cast<form::Captioned*>(window.find(std::string(caption.control))), nullptr)
        << caption.control;
  }
}

}  // namespace
}  // namespace kv3::window
