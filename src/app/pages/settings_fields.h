#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "settings/field_rules.h"
#include "ui/controls.h"
#include "ui/desktop.h"

namespace kv3::app {

// The controls of the settings page that the field rules read and write.
struct SettingsControls {
  ui::Edit& deviceName;        // Edit8
  ui::Label& deviceNameHint;   // Label10: flashes when a character was refused
  ui::Edit& address;           // Edit4
  ui::Edit& mask;              // Edit5
  ui::Edit& gateway;           // Edit6
  ui::Edit& manualAddress;     // Edit2: the address of the manual search
  ui::CheckBox& dhcp;          // CB_DHCP
  ui::Edit& user;              // Edit1
  ui::Edit& password;          // EditPW
  ui::Label& userHint;         // Label8: flashes when a character was refused
  ui::CheckBox& showPassword;  // CBKt
  ui::Label& ratingText;       // LbAmpel: the password's rating
  ui::Shape& ratingLamp;       // Shape1
  ui::Button& saveButton;      // BtESpeichern
};

// The rules of the settings fields: texts stay within their lengths and within the characters a
// unit can take back (7-bit, no control characters, no colon in the user name), address fields are
// checked and coloured, the password is rated, and the save button is enabled only when the
// settings may be sent. Corrections replace the field's text, which runs its handler again, so the
// field ends with the fully corrected text.
class SettingsFields {
 public:
  static constexpr std::size_t DeviceNameLimit = 30;
  static constexpr std::size_t UserNameLimit = 12;
  static constexpr std::size_t PasswordLimit = 12;
  static constexpr std::size_t PasswordMinimum = 6;
  static constexpr int FlashMs = 50;

  using RatingText = std::function<std::string(settings::PasswordRating)>;
  // Whether a unit is listed and current, so that a save has somebody to go to.
  using UnitShown = std::function<bool()>;

  SettingsFields(SettingsControls controls, ui::Desktop& desktop, RatingText ratingText,
                 UnitShown unitShown);

  void Edit8Change();
  void Edit1Change();
  void EditPWChange() { RatePassword(); }
  void Edit4Change() { addressChanged(c_.address); }
  void Edit5Change() { addressChanged(c_.mask); }
  void Edit6Change() { addressChanged(c_.gateway); }
  void Edit2Change();
  void CB_DHCPClick();
  void CBKtClick();

  void RatePassword();
  void UpdateSaveButton();

 private:
  void limitAndFilter(ui::Edit& field, std::size_t limit, ui::Control& hint,
                      settings::TextKind kind);
  void addressChanged(ui::Edit& field);
  void flash(ui::Control& control, ui::Color restore);

  SettingsControls c_;
  ui::Desktop& desktop_;
  RatingText ratingText_;
  UnitShown unitShown_;
};

// What the user-name and password fields hold while a unit has not told its account. It is no
// value of the unit's and never goes back to one.
inline constexpr std::string_view UnknownAccountText = "???";

// Lamp colour of a rating.
ui::Color LampColour(settings::PasswordRating rating);

}  // namespace kv3::app
