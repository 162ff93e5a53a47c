#include "window/pages/settings_fields.h"

namespace kv3::window {

using settings::CharacterCount;
using settings::FirstCharacters;
using settings::IsValidIPv4Text;
using settings::PasswordRating;
using settings::RatePasswordText;
using settings::TextKind;
using settings::WithoutFirstRefusedCharacter;

namespace {

form::Color ValidityColour(bool valid) { return valid ? form::clWindow : form::InvalidFieldColour; }

}  // namespace

form::Color LampColour(PasswordRating rating) {
  switch (rating) {
    case PasswordRating::Safe:
      return form::clYellow;
    case PasswordRating::VerySafe:
      return form::clLime;
    case PasswordRating::NotAllowed:
    case PasswordRating::Unsafe:
      break;
  }
  return form::clRed;
}

SettingsFields::SettingsFields(SettingsControls controls, form::Desktop& desktop,
                               RatingText ratingText, UnitShown unitShown)
    : c_(controls),
      desktop_(desktop),
      ratingText_(std::move(ratingText)),
      unitShown_(std::move(unitShown)) {}

void SettingsFields::Edit8Change() {
  limitAndFilter(c_.unit.deviceName, DeviceNameLimit, c_.deviceNameHint, TextKind::DeviceName);
}

void SettingsFields::Edit1Change() {
  limitAndFilter(c_.unit.user, UserNameLimit, c_.userHint, TextKind::UserName);
  // The user name takes part in the save rule while it holds the unknown-account placeholder.
  UpdateSaveButton();
}

void SettingsFields::Edit2Change() {
  c_.manualAddress.setColor(ValidityColour(IsValidIPv4Text(c_.manualAddress.text())));
}

void SettingsFields::CB_DHCPClick() {
  const bool manual = !c_.unit.dhcp.checked();
  c_.unit.address.setEnabled(manual);
  c_.unit.mask.setEnabled(manual);
  c_.unit.gateway.setEnabled(manual);
  UpdateSaveButton();
}

void SettingsFields::CBKtClick() {
  c_.unit.password.setPasswordChar(c_.showPassword.checked() ? 0 : '*');
}

void SettingsFields::limitAndFilter(form::Edit& field, std::size_t limit, form::Control& hint,
                                    TextKind kind) {
  const std::string text = field.text();
  if (text.empty()) {
    return;
  }
  std::string kept = text;
  if (CharacterCount(text) > limit) {
    kept = FirstCharacters(text, limit);
    field.setText(kept);
    flash(hint, form::clBtnFace);
  }
  const std::string filtered = WithoutFirstRefusedCharacter(kept, kind);
  if (filtered != kept) {
    field.setText(filtered);
    flash(field, form::clWindow);
  }
}

void SettingsFields::addressChanged(form::Edit& field) {
  field.setColor(ValidityColour(IsValidIPv4Text(field.text())));
  UpdateSaveButton();
}

void SettingsFields::RatePassword() {
  c_.ratingLamp.setColor(form::clLime);
  const std::string text = c_.unit.password.text();
  const std::size_t n = CharacterCount(text);
  if (n > 0) {
    const PasswordRating rating = RatePasswordText(text);
    if (rating == PasswordRating::NotAllowed) {
      c_.saveButton.setEnabled(false);
    }
    c_.ratingText.setCaption(ratingText_(rating));
    c_.ratingLamp.setColor(LampColour(rating));

    std::string kept = text;
    if (n > PasswordLimit) {
      kept = FirstCharacters(text, PasswordLimit);
      c_.unit.password.setText(kept);
      c_.showPassword.setChecked(true);
      flash(c_.userHint, form::clBtnFace);
    }
    const std::string filtered = WithoutFirstRefusedCharacter(kept, TextKind::Password);
    if (filtered != kept) {
      c_.unit.password.setText(filtered);
      c_.showPassword.setChecked(true);
      flash(c_.unit.password, form::clWindow);
    }
  }
  UpdateSaveButton();
}

void SettingsFields::UpdateSaveButton() {
  const bool longEnough = CharacterCount(c_.unit.password.text()) >= PasswordMinimum;
  c_.unit.password.setColor(ValidityColour(longEnough));
  const bool addressesValid = c_.unit.address.color() == form::clWindow &&
                              c_.unit.mask.color() == form::clWindow &&
                              c_.unit.gateway.color() == form::clWindow;
  // Nobody to save to, or an account the unit never told: a save would write placeholders (or
  // a broadcast for MAC 00:00:00:00:00:00).
  const bool accountKnown =
      c_.unit.user.text() != UnknownAccountText && c_.unit.password.text() != UnknownAccountText;
  const bool unitShown = unitShown_ && unitShown_();
  c_.saveButton.setEnabled(unitShown && accountKnown && longEnough &&
                           (c_.unit.dhcp.checked() || addressesValid));
}

void SettingsFields::flash(form::Control& control, form::Color restore) {
  // Visible on screen: the window is drawn red, and drawn again once the colour is back.
  control.setColor(form::clRed);
  desktop_.repaint();
  desktop_.pause(FlashMs);
  control.setColor(restore);
  desktop_.repaint();
}

}  // namespace kv3::window
