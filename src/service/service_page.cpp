#include "service/service_page.h"

#include <filesystem>
#include <vector>

#include "link/ipv4_text.h"
#include "service/service_commands.h"
#include "service/web_image.h"

namespace kv3::service {

ServicePage::ServicePage(ServiceControls controls, link::TSock& sock,
                         std::function<link::DeviceRecord&()> current,
                         const link::LinkSettings& settings, ui::Desktop& desktop)
    : c_(controls),
      sock_(sock),
      current_(std::move(current)),
      settings_(settings),
      desktop_(desktop) {}

void ServicePage::Bt_CreateImageClick() {
  c_.OpenDialog2.fileName.clear();
  c_.OpenDialog2.files.clear();
  c_.OpenDialog2.filter = "alle Web-Dateien|*.*";
  if (!c_.OpenDialog2.execute(desktop_)) return;
  c_.SaveDialog2.fileName.clear();
  c_.SaveDialog2.files.clear();
  c_.SaveDialog2.filter = "Image-File|*.rom";
  if (!c_.SaveDialog2.execute(desktop_)) return;
  const std::vector<std::filesystem::path> files(c_.OpenDialog2.files.begin(),
                                                 c_.OpenDialog2.files.end());
  const ImageBuild built = BuildWebImage(files, c_.SaveDialog2.fileName);
  if (built == ImageBuild::TooManyFiles || built == ImageBuild::TargetNotWritten) return;
  desktop_.processMessages();
}

void ServicePage::BtMACClick() {
  const auto mac = ParseMacGroups(c_.Edit3.text());
  if (!mac) return;
  SendSetMac(sock_, settings_, desktop_, current_(), *mac);
}

void ServicePage::Button2Click() {
  const link::NetworkSettings values{link::ParseIPv4Text(c_.Edit4.text()),
                                     link::ParseIPv4Text(c_.Edit5.text()),
                                     link::ParseIPv4Text(c_.Edit6.text()), c_.CB_DHCP.checked()};
  const bool acknowledged = SendServiceSettings(sock_, settings_, desktop_, current_(), values);
  c_.GB1.setColor(acknowledged ? ui::clBtnFace : ui::clRed);
  c_.Button2.setEnabled(false);
}

}  // namespace kv3::service
