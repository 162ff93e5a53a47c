#include "search/adapter_search.h"

#include <algorithm>

#include "link/adapters.h"
#include "link/address_lookup.h"
#include "search/unit_search.h"

namespace kv3::search {

namespace {

std::string AdapterName(const std::vector<link::Adapter>& adapters, unsigned index) {
  for (const link::Adapter& adapter : adapters) {
    if (adapter.index == index) return adapter.name;
  }
  return {};
}

// This computer's address a unit is spoken to from: the address of the adapter it answered by
// whose network holds the unit's address, else the one the unit sent its answer to.
std::uint32_t OwnAddressFor(const std::vector<link::Adapter>& adapters,
                            const link::DeviceRecord& record,
                            const link::UnitChannel::Answer& answer) {
  const std::uint32_t unit = link::LookupHost(link::Ipv4Text(record, link::record::kIp));
  for (const link::Adapter& adapter : adapters) {
    if (adapter.index == answer.adapterIndex && ((adapter.address ^ unit) & adapter.mask) == 0) {
      return adapter.address;
    }
  }
  for (const link::Adapter& adapter : adapters) {
    if (adapter.index == answer.adapterIndex && adapter.address == answer.destination) {
      return adapter.address;
    }
  }
  return 0;
}

// Units asked at once, at most. A datagram to an address this computer has not spoken to yet
// waits for the unit's link-layer address, and the system's table of them takes about a
// thousand entries in all: a thousand units asked at once would lose most of their requests.
constexpr std::size_t kUnitsAskedAtOnce = 250;

// The units in groups of kUnitsAskedAtOnce, each unit asked its own way. A unit whose address
// reaches more than itself, or that shares its address with another unit, is not asked: every
// unit there would answer.
void ReadTexts(link::ReplyPortSocket& socket, std::vector<FoundUnit>& units,
               const link::LinkSettings& settings, platform::Pacing& pacing) {
  std::vector<link::DeviceRecord> records;
  for (const FoundUnit& unit : units) records.push_back(unit.record);
  for (std::size_t first = 0; first < units.size(); first += kUnitsAskedAtOnce) {
    const std::size_t count = std::min(kUnitsAskedAtOnce, units.size() - first);
    std::vector<link::ReplyPortChannel::Target> targets;
    for (std::size_t i = first; i < first + count; ++i) {
      const link::DeviceRecord& record = units[i].record;
      targets.push_back(
          {link::LookupHost(link::Ipv4Text(record, link::record::kIp)), units[i].way(),
           link::AddressesOneUnit(record) && link::OtherMacsAt(records, record).empty()});
    }
    link::ReplyPortChannel channel(socket, settings, pacing, std::move(targets),
                                   link::ReplyPortChannel::Answers::ByUnit);
    const std::vector<UnitTexts> texts = ReadUnitTexts(channel, count);
    for (std::size_t i = 0; i < count; ++i) units[first + i].texts = texts[i];
  }
}

}  // namespace

SearchReport SearchUnits(const link::LinkSettings& settings, platform::Pacing& pacing,
                         const std::string& host, bool readTexts) {
  SearchReport report;
  const std::vector<link::Adapter> adapters = link::UpAdapters();
  std::vector<SearchTarget> targets;
  std::vector<link::ReplyPortChannel::Target> sent;
  if (!host.empty()) {
    targets.push_back({"", 0, link::LookupHost(host), 0});
    sent.push_back({targets.back().address, {}, true});
  } else {
    const std::uint32_t everyone = link::LookupHost(settings.broadcastAddress);
    // From each address of each adapter: a unit in the network of an adapter's second address
    // answers only what came from that address.
    for (const link::Adapter& adapter : adapters) {
      const link::Way way{adapter.index, adapter.address};
      // A network of one or two addresses (/32, /31) has no broadcast address of its own.
      if (adapter.broadcast != adapter.address &&
          (adapter.broadcast ^ adapter.address) != platform::ToNet32(1)) {
        targets.push_back({adapter.name, adapter.address, adapter.broadcast, 0});
        sent.push_back({adapter.broadcast, way, true});
      }
      if (adapter.broadcast != everyone) {
        targets.push_back({adapter.name, adapter.address, everyone, 0});
        sent.push_back({everyone, way, true});
      }
    }
  }

  std::vector<link::Way> ways;
  for (const link::ReplyPortChannel::Target& target : sent) ways.push_back(target.way);
  link::ReplyPortSocket socket(settings.replyPort, ways);
  if (!socket.open()) {
    report.bindError = socket.error();
    report.tried = std::move(targets);
    return report;
  }
  link::ReplyPortChannel channel(socket, settings, pacing, std::move(sent),
                                 link::ReplyPortChannel::Answers::InArrival);
  FindUnits(
      channel, [&](const link::DeviceRecord& record, const link::UnitChannel::Answer& answer) {
        const bool known =
            std::any_of(report.units.begin(), report.units.end(), [&](const FoundUnit& other) {
              return other.adapterIndex == answer.adapterIndex &&
                     link::Mac(other.record) == link::Mac(record) &&
                     link::Ipv4At(other.record, link::record::kIp) ==
                         link::Ipv4At(record, link::record::kIp);
            });
        if (!known) {
          report.units.push_back({record,
                                  AdapterName(adapters, answer.adapterIndex),
                                  answer.adapterIndex,
                                  OwnAddressFor(adapters, record, answer),
                                  {}});
        }
        return true;
      });
  for (std::size_t i = 0; i < targets.size(); ++i) targets[i].error = channel.sendErrors()[i];
  report.tried = std::move(targets);
  if (readTexts && !report.units.empty()) {
    ReadTexts(socket, report.units, settings, pacing);
  }
  report.dropped = socket.dropped();
  return report;
}

}  // namespace kv3::search
