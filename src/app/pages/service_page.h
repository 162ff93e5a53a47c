#pragma once

#include <functional>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/file_dialog.h"

namespace kv3::app {

// The controls the service tools read and write.
struct ServiceControls {
  ui::GroupBox& settingsGroup;     // GB1
  ui::MaskEdit& mac;               // Edit3
  ui::Button& setButton;           // Button2
  ui::Edit& address;               // Edit4
  ui::Edit& mask;                  // Edit5
  ui::Edit& gateway;               // Edit6
  ui::CheckBox& dhcp;              // CB_DHCP
  ui::FileDialog& webFilesDialog;  // OpenDialog2: the web files to pack
  ui::FileDialog& imageDialog;     // SaveDialog2: where the image goes
};

// The service tools of the window, whose controls no operation shows: the web image builder,
// the new MAC for the current unit, and the network settings sent by broadcast.
class ServicePage {
 public:
  ServicePage(ServiceControls controls, link::TSock& sock,
              std::function<link::DeviceRecord&()> current, const link::LinkSettings& settings,
              ui::Desktop& desktop);

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
  ui::Desktop& desktop_;
};

}  // namespace kv3::app
