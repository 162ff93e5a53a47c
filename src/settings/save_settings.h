#pragma once

#include <string>
#include <vector>

#include "link/device_record.h"
#include "link/frames.h"
#include "link/unit_channel.h"

namespace kv3::settings {

// After a save the unit restarts its network; a new search waits this long.
inline constexpr int kPauseBeforeSearchAfterSaveMs = 2000;

// The network values of the settings page as the frame carries them.
link::NetworkSettings NetworkSettingsOf(const std::string& ip, const std::string& mask,
                                        const std::string& gateway, bool dhcp);

// The addresses, each once, of the records in `records` that report `mac`: more than one means
// that several units share the MAC, and "SETC", which names its unit by MAC alone, would change
// them all.
std::vector<std::string> AddressesWithMac(const std::vector<link::DeviceRecord>& records,
                                          const link::MacAddress& mac);

// What a save sends. Texts are single-byte, as the unit keeps them.
struct SettingsToSave {
  link::NetworkSettings network{};
  std::string deviceName;
  std::string user;
  std::string password;
  bool schemeEnabled = false;
};

enum class SaveOutcome {
  Acknowledged,
  NotAcknowledged,
  // The device name holds a backslash: the unit ends the name there and takes the rest for its
  // user name and password. Nothing was sent.
  NameHoldsBackslash,
};

// Writes the settings: "SETC" over the channel (to the broadcast address: the MAC in the frame
// names the unit) and, once the unit acknowledged it, the device name again. The frame is built
// in `unit`, the unit's search answer, which then holds what was sent.
SaveOutcome SaveSettings(link::UnitChannel& channel, link::DeviceRecord& unit,
                         const SettingsToSave& wanted);

}  // namespace kv3::settings
