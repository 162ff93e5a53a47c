#include "settings/settings_fields.h"

namespace kv3::settings {

namespace {

ui::Color validityColour(bool valid) { return valid ? ui::clWindow : ui::InvalidFieldColour; }

}  // namespace

ui::Color LampColour(PasswordRating rating) {
  switch (rating) {
    case PasswordRating::Safe:
      return ui::clYellow;
    case PasswordRating::VerySafe:
      return ui::clLime;
    case PasswordRating::NotAllowed:
    case PasswordRating::Unsafe:
      break;
  }
  return ui::clRed;
}

SettingsFields::SettingsFields(SettingsControls controls, ui::Desktop& desktop,
                               RatingText ratingText, UnitShown unitShown)
    : c_(controls),
      desktop_(desktop),
      ratingText_(std::move(ratingText)),
      unitShown_(std::move(unitShown)) {}

void SettingsFields::Edit8Change() {
  limitAndFilter(c_.Edit8, DeviceNameLimit, c_.Label10, TextKind::DeviceName);
}

void SettingsFields::Edit1Change() {
  limitAndFilter(c_.Edit1, UserNameLimit, c_.Label8, TextKind::UserName);
  // The user name takes part in the save rule while it holds the unknown-account placeholder.
  UpdateSaveButton();
}

void SettingsFields::Edit2Change() {
  c_.Edit2.setColor(validityColour(IsValidIPv4Text(c_.Edit2.text())));
}

void SettingsFields::CB_DHCPClick() {
  const bool manual = !c_.CB_DHCP.checked();
  c_.Edit4.setEnabled(manual);
  c_.Edit5.setEnabled(manual);
  c_.Edit6.setEnabled(manual);
  UpdateSaveButton();
}

void SettingsFields::CBKtClick() { c_.EditPW.setPasswordChar(c_.CBKt.checked() ? 0 : '*'); }

void SettingsFields::limitAndFilter(ui::Edit& field, std::size_t limit, ui::Control& hint,
                                    TextKind kind) {
  const std::string text = field.text();
  if (text.empty()) {
    return;
  }
  std::string kept = text;
  if (CharacterCount(text) > limit) {
    kept = FirstCharacters(text, limit);
    field.setText(kept);
    flash(hint, ui::clBtnFace);
  }
  const std::string filtered = WithoutFirstRefusedCharacter(kept, kind);
  if (filtered != kept) {
    field.setText(filtered);
    flash(field, ui::clWindow);
  }
}

void SettingsFields::addressChanged(ui::Edit& field) {
  field.setColor(validityColour(IsValidIPv4Text(field.text())));
  UpdateSaveButton();
}

void SettingsFields::RatePassword() {
  c_.Shape1.setColor(ui::clLime);
  const std::string text = c_.EditPW.text();
  const std::size_t n = CharacterCount(text);
  if (n > 0) {
    const PasswordRating rating = RatePasswordText(text);
    if (rating == PasswordRating::NotAllowed) {
      c_.BtESpeichern.setEnabled(false);
    }
    c_.LbAmpel.setCaption(ratingText_(rating));
    c_.Shape1.setColor(LampColour(rating));

    std::string kept = text;
    if (n > PasswordLimit) {
      kept = FirstCharacters(text, PasswordLimit);
      c_.EditPW.setText(kept);
      c_.CBKt.setChecked(true);
      flash(c_.Label8, ui::clBtnFace);
    }
    const std::string filtered = WithoutFirstRefusedCharacter(kept, TextKind::Password);
    if (filtered != kept) {
      c_.EditPW.setText(filtered);
      c_.CBKt.setChecked(true);
      flash(c_.EditPW, ui::clWindow);
    }
  }
  UpdateSaveButton();
}

void SettingsFields::UpdateSaveButton() {
  const bool longEnough = CharacterCount(c_.EditPW.text()) >= PasswordMinimum;
  c_.EditPW.setColor(validityColour(longEnough));
  const bool addressesValid = c_.Edit4.color() == ui::clWindow &&
                              c_.Edit5.color() == ui::clWindow && c_.Edit6.color() == ui::clWindow;
  // Nobody to save to, or an account the unit never told: a save would write placeholders (or
  // a broadcast for MAC 00:00:00:00:00:00).
  const bool accountKnown =
      c_.Edit1.text() != UnknownAccountText && c_.EditPW.text() != UnknownAccountText;
  const bool unitShown = unitShown_ && unitShown_();
  c_.BtESpeichern.setEnabled(unitShown && accountKnown && longEnough &&
                             (c_.CB_DHCP.checked() || addressesValid));
}

void SettingsFields::flash(ui::Control& control, ui::Color restore) {
  // Visible on screen: the window is drawn red, and drawn again once the colour is back.
  control.setColor(ui::clRed);
  desktop_.repaint();
  desktop_.pause(FlashMs);
  control.setColor(restore);
  desktop_.repaint();
}

}  // namespace kv3::settings
