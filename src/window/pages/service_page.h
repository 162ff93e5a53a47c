#pragma once

#include <functional>

#include "form/controls.h"
#include "form/desktop.h"
#include "form/file_dialog.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "window/pages/unit_settings_controls.h"

namespace kv3::window {

// The controls the service tools read and write.
struct ServiceControls {
  form::GroupBox& settingsGroup;     // GB1
  form::MaskEdit& mac;               // Edit3
  form::Button& setButton;           // Button2
  UnitSettingsControls unit;         // Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW
  form::FileDialog& webFilesDialog;  // OpenDialog2: the web files to pack
  form::FileDialog& imageDialog;     // SaveDialog2: where the image goes
};

// The service tools of the window, whose controls no operation shows: the web image builder,
// the new MAC for the current unit, and the network settings sent by broadcast.
class ServicePage {
 public:
  ServicePage(ServiceControls controls, link::TSock& sock,
              std::function<link::DeviceRecord&()> current, const link::LinkSettings& settings,
              form::Desktop& desktop);

  // Packs the chosen web files into an image file; shows no message, success included.
  void Bt_CreateImageClick();
  // "SETM" with the MAC of Edit3. A text whose groups are not hexadecimal sends nothing.
  void BtMACClick();
  // "SETT" with the settings page's values; GB1 shows whether the unit acknowledged, and
  // Button2 waits for the next search that finds a unit.
  void Button2Click();

 private:
  ServiceControls c_;
  link::TSock& sock_;
  std::function<link::DeviceRecord&()> current_;
  const link::LinkSettings& settings_;
  form::Desktop& desktop_;
};

}  // namespace kv3::window
