#pragma once

#include "form/controls.h"

namespace kv3::window {

// The controls of a unit's settings, which several pages show, check or send: one bundle, filled
// once in MainWindow.
struct UnitSettingsControls {
  form::Edit& deviceName;  // Edit8
  form::Edit& address;     // Edit4
  form::Edit& mask;        // Edit5
  form::Edit& gateway;     // Edit6
  form::CheckBox& dhcp;    // CB_DHCP
  form::Edit& user;        // Edit1
  form::Edit& password;    // EditPW
};

}  // namespace kv3::window
