#include "window/pages/service_page.h"

#include <filesystem>
#include <vector>

#include "link/ipv4_text.h"
#include "platform/utf8_path.h"
#include "service/service_commands.h"
#include "service/web_image.h"

namespace kv3::window {

ServicePage::ServicePage(ServiceControls controls, link::TSock& sock,
                         std::function<link::DeviceRecord&()> current,
                         const link::LinkSettings& settings, form::Desktop& desktop)
    : c_(controls),
      sock_(sock),
      current_(std::move(current)),
      settings_(settings),
      desktop_(desktop) {}

void ServicePage::Bt_CreateImageClick() {
  c_.webFilesDialog.fileName.clear();
  c_.webFilesDialog.files.clear();
  c_.webFilesDialog.filter = "alle Web-Dateien|*.*";
  if (!c_.webFilesDialog.execute(desktop_)) return;
  c_.imageDialog.fileName.clear();
  c_.imageDialog.files.clear();
  c_.imageDialog.filter = "Image-File|*.rom";
  if (!c_.imageDialog.execute(desktop_)) return;
  std::vector<std::filesystem::path> files;
  for (const std::string& file : c_.webFilesDialog.files)
    files.push_back(platform::PathFromUtf8(file));
  const service::ImageBuild built =
      service::BuildWebImage(files, platform::PathFromUtf8(c_.imageDialog.fileName));
  if (built == service::ImageBuild::TooManyFiles || built == service::ImageBuild::TargetNotWritten)
    return;
  desktop_.processMessages();
}

void ServicePage::BtMACClick() {
  const auto mac = service::ParseMacGroups(c_.mac.text());
  if (!mac) return;
  service::SendSetMac(sock_, settings_, desktop_, current_(), *mac);
}

void ServicePage::Button2Click() {
  const link::NetworkSettings values{
      link::ParseIPv4Text(c_.unit.address.text()), link::ParseIPv4Text(c_.unit.mask.text()),
      link::ParseIPv4Text(c_.unit.gateway.text()), c_.unit.dhcp.checked()};
  const bool acknowledged =
      service::SendServiceSettings(sock_, settings_, desktop_, current_(), values);
  c_.settingsGroup.setColor(acknowledged ? form::clBtnFace : form::clRed);
  c_.setButton.setEnabled(false);
}

}  // namespace kv3::window
