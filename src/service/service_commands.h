#pragma once

#include <optional>
#include <string_view>

#include "link/device_record.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "link/unit_channel.h"
#include "platform/pacing.h"

// The two service commands that change a unit at a low level.
namespace kv3::service {

// The six groups of a MAC text as the service field holds it: each group starts at character
// 0, 3, 6, 9, 12 or 15 and is one or two hexadecimal digits (either case), blanks before them
// allowed. Nothing when a group is anything else: such a text names no address.
std::optional<link::MacAddress> ParseMacGroups(std::string_view text);

// "SETM" to the unit's own address: the record keeps the present MAC in bytes 25-30 and takes
// the new one in bytes 6-11. The answer is read and dropped. Nothing is sent to a unit whose
// address reaches more than itself: every unit there would take the MAC.
void SendSetMac(link::TSock& sock, const link::LinkSettings& settings, platform::Pacing& pacing,
                link::DeviceRecord& rec, const link::MacAddress& newMac);

// "SETT" to the broadcast address with the record's MAC naming the unit; the record takes the
// settings in bytes 12-24. True when the answer contains "sett".
bool SendServiceSettings(link::TSock& sock, const link::LinkSettings& settings,
                         platform::Pacing& pacing, link::DeviceRecord& rec,
                         const link::NetworkSettings& values);
// The same over a channel that speaks to the broadcast address (kv3's reply port).
bool SendServiceSettings(link::UnitChannel& channel, link::DeviceRecord& rec,
                         const link::NetworkSettings& values);

}  // namespace kv3::service
