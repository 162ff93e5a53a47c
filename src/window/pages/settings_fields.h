#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "form/controls.h"
#include "form/desktop.h"
#include "settings/field_rules.h"
#include "window/pages/unit_settings_controls.h"

namespace kv3::window {

// The controls of the settings page that the field rules read and write.
struct SettingsControls {
  UnitSettingsControls unit;     // Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW
  form::Label& deviceNameHint;   // Label10: flashes when a character was refused
  form::Edit& manualAddress;     // Edit2: the address of the manual search
  form::Label& userHint;         // Label8: flashes when a character was refused
  form::CheckBox& showPassword;  // CBKt
  form::Label& ratingText;       // LbAmpel: the password's rating
  form::Shape& ratingLamp;       // Shape1
  form::Button& saveButton;      // BtESpeichern
};

// The rules of the settings fields: texts stay within their lengths and within the characters a
// unit can take back (7-bit, no control characters, no colon in the user name), address fields are
// checked and coloured, the password is rated, and the save button is enabled only when the
// settings may be sent. Corrections replace the field's text, which runs its handler again, so the
// field ends with the fully corrected text.
class SettingsFields {
 public:
  static constexpr std::size_t DeviceNameLimit = settings::kDeviceNameLimit;
  static constexpr std::size_t UserNameLimit = settings::kUserNameLimit;
  static constexpr std::size_t PasswordLimit = settings::kPasswordLimit;
  static constexpr std::size_t PasswordMinimum = settings::kPasswordMinimum;
  static constexpr int FlashMs = 50;

  using RatingText = std::function<std::string(settings::PasswordRating)>;
  // Whether a unit is listed and current, so that a save has somebody to go to.
  using UnitShown = std::function<bool()>;

  SettingsFields(SettingsControls controls, form::Desktop& desktop, RatingText ratingText,
                 UnitShown unitShown);

  void Edit8Change();
  void Edit1Change();
  void EditPWChange() { RatePassword(); }
  void Edit4Change() { addressChanged(c_.unit.address); }
  void Edit5Change() { addressChanged(c_.unit.mask); }
  void Edit6Change() { addressChanged(c_.unit.gateway); }
  void Edit2Change();
  void CB_DHCPClick();
  void CBKtClick();

  void RatePassword();
  void UpdateSaveButton();

 private:
  void limitAndFilter(form::Edit& field, std::size_t limit, form::Control& hint,
                      settings::TextKind kind);
  void addressChanged(form::Edit& field);
  void flash(form::Control& control, form::Color restore);

  SettingsControls c_;
  form::Desktop& desktop_;
  RatingText ratingText_;
  UnitShown unitShown_;
};

// What the user-name and password fields hold while a unit has not told its account. It is no
// value of the unit's and never goes back to one.
inline constexpr std::string_view UnknownAccountText = "???";

// Lamp colour of a rating.
form::Color LampColour(settings::PasswordRating rating);

}  // namespace kv3::window
