#pragma once

#include <cstdint>
#include <vector>

#include "link/reply_port.h"
#include "settings/save_settings.h"

namespace kv3::settings {

// One unit's save ("SETC") or move by MAC ("SETT", the network values alone), sent beside the
// other units'.
struct SideBySideSave {
  link::DeviceRecord record{};  // its search answer; it takes what was sent
  link::Way way;                // how its search answer came
  // Its address now and after the change (network order): its acknowledgement comes from
  // either. After 0: the DHCP server chooses.
  std::uint32_t before = 0, after = 0;
  bool serviceOnly = false;  // "SETT"
  SettingsToSave values;     // of "SETT" only the network
  SaveOutcome outcome = SaveOutcome::NotAcknowledged;
  int sendError = 0;  // the system's error number of a send that failed; 0: sent
};

// Sends every unit its frame to the broadcast address (the MAC in the frame names the unit) in
// one pause and takes the acknowledgements that came; "SETC" is followed, as the window does,
// by the device name. Units whose addresses (before or after) meet take turns: an
// acknowledgement must tell its unit.
void SaveSideBySide(link::ReplyPortSocket& socket, const link::LinkSettings& settings,
                    platform::Pacing& pacing, std::vector<SideBySideSave>& units);

}  // namespace kv3::settings
