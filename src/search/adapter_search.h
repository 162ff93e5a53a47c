#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/reply_port.h"
#include "platform/pacing.h"
#include "search/unit_texts.h"

namespace kv3::search {

// Where a search sent its "FIND".
struct SearchTarget {
  std::string adapter;    // empty for a search at one given address
  std::uint32_t own = 0;  // the adapter's own address
  std::uint32_t address = 0;
  int error = 0;  // the system's error number when the datagram could not be sent
};

// A unit that answered, with what it tells about itself. Texts are single-byte, as received.
struct FoundUnit {
  link::DeviceRecord record{};
  std::string adapter;  // the adapter its answer came in by
  unsigned adapterIndex = 0;
  // This computer's address the unit is spoken to from: the address of that adapter whose
  // network holds the unit's address, else the one the unit's answer was sent to.
  std::uint32_t own = 0;
  UnitTexts texts;  // empty unless the search read them
  link::Way way() const { return {adapterIndex, own}; }
};

struct SearchReport {
  std::vector<FoundUnit> units;
  std::vector<SearchTarget> tried;
  int bindError = 0;  // the reply port could not be bound (EADDRINUSE: another program holds it)
  // Datagrams the system dropped for want of room: answers may be missing.
  std::uint32_t dropped = 0;
};

// Searches on every adapter at once, as `kv3` does (the window sends its one broadcast the way
// the default route leaves): "FIND" to each adapter's broadcast address and to the settings'
// broadcast address out of each adapter (or only to `host`, when given, wherever the routes
// send it), the fixed pause, then every answer that carries "find". The broadcast to everyone
// leaves by every adapter, not only the default route's: a unit that still has an address of
// another network (a new unit, say) hears only that one.
// An adapter with several addresses is searched from each of them. A unit that answers on
// several ways is listed once per adapter. When `readTexts` is set each unit is then asked
// "PaWd" and "Vers", all units at once, one pause for each; a unit that shares its address with
// another one is not asked (either of them would answer). Throws the socket's host lookup error
// for a host that cannot be found.
SearchReport SearchUnits(const link::LinkSettings& settings, platform::Pacing& pacing,
                         const std::string& host = {}, bool readTexts = true);

}  // namespace kv3::search
