#include "settings/save_settings.h"

#include <algorithm>

#include "link/answer.h"
#include "settings/field_rules.h"

namespace kv3::settings {

link::NetworkSettings NetworkSettingsOf(const std::string& ip, const std::string& mask,
                                        const std::string& gateway, bool dhcp) {
  return {ParseIPv4Text(ip), ParseIPv4Text(mask), ParseIPv4Text(gateway), dhcp};
}

std::vector<std::string> AddressesWithMac(const std::vector<link::DeviceRecord>& records,
                                          const link::MacAddress& mac) {
  std::vector<std::string> addresses;
  for (const link::DeviceRecord& record : records) {
    const std::string address = link::Ipv4Text(record, link::record::kIp);
    if (link::Mac(record) == mac &&
        std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
  return addresses;
}

SaveOutcome SaveSettings(link::UnitChannel& channel, link::DeviceRecord& unit,
                         const SettingsToSave& wanted) {
  // The unit splits its settings text at the first two backslashes.
  if (wanted.deviceName.find('\\') != std::string::npos) return SaveOutcome::NameHoldsBackslash;
  const link::Frame frame = link::SettingsFrame(
      unit, wanted.network,
      link::SettingsText(wanted.deviceName, wanted.schemeEnabled, wanted.user, wanted.password));
  channel.ask(frame);
  if (!link::AwaitWord(channel, "setc", link::kKeptAnswer)) return SaveOutcome::NotAcknowledged;
  channel.ask(link::NameFrame(frame, wanted.deviceName));
  // The unit's answer to the name tells nothing more; it is taken so that it is not left over.
  channel.next(link::kKeptAnswer);
  return SaveOutcome::Acknowledged;
}

}  // namespace kv3::settings
