#pragma once

#include <functional>

#include "link/device_record.h"
#include "link/unit_channel.h"

namespace kv3::search {

// The search's protocol: "FIND" goes out, the fixed pause passes, and every answer that carries
// "find" becomes the record of a unit, in the order the answers came. `found` takes each record
// with the answer it came in (the adapter, the address it was sent to) and returns false once it
// takes no more. Returns how many it took.
int FindUnits(link::UnitChannel& channel,
              const std::function<bool(const link::DeviceRecord& record,
                                       const link::UnitChannel::Answer& answer)>& found);

}  // namespace kv3::search
