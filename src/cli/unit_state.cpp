#include "cli/unit_state.h"

#include <algorithm>

#include "link/address_lookup.h"
#include "link/device_record.h"
#include "platform/net.h"
#include "platform/routes.h"
#include "settings/save_settings.h"

namespace kv3::cli {

namespace {

struct StateRow {
  UnitState state;
  std::string_view key;
};

const StateRow kStates[] = {
    {UnitState::Ok, "ok"},
    {UnitState::OtherNetwork, "other-network"},
    {UnitState::SharedAddress, "shared-address"},
    {UnitState::SharedMac, "shared-mac"},
    {UnitState::NotAddressable, "not-addressable"},
    {UnitState::NoTexts, "no-texts"},
};

}  // namespace

std::string_view StateKey(UnitState state) {
  return std::find_if(std::begin(kStates), std::end(kStates),
                      [state](const StateRow& row) { return row.state == state; })
      ->key;
}

bool InAdapterNetworks(const std::string& address, const std::string& adapter) {
  const std::optional<std::uint32_t> unit = platform::ParseAddress(address);
  if (!unit) return false;
  if ((platform::FromNet32(*unit) >> 24) == 127) return true;
  const std::vector<platform::Adapter> adapters = platform::UpAdapters();
  return std::any_of(adapters.begin(), adapters.end(),
                     [&](const platform::Adapter& own) {
                       return (adapter.empty() || own.name == adapter) &&
                              ((*unit ^ own.address) & own.mask) == 0;
                     }) ||
         platform::ReachedOnLink(*unit);
}

UnitState StateOf(const search::SearchReport& report, const search::FoundUnit& unit) {
  if (!link::AddressesOneUnit(unit.record)) return UnitState::NotAddressable;
  std::vector<link::DeviceRecord> records;
  for (const search::FoundUnit& found : report.units) records.push_back(found.record);
  if (settings::AddressesWithMac(records, link::Mac(unit.record)).size() > 1) {
    return UnitState::SharedMac;
  }
  if (!link::OtherMacsAt(records, unit.record).empty()) return UnitState::SharedAddress;
  if (unit.texts.accountAnswered || unit.texts.nameRead) return UnitState::Ok;
  if (!InAdapterNetworks(link::Ipv4Text(unit.record, link::record::kIp), unit.adapter)) {
    return UnitState::OtherNetwork;
  }
  return UnitState::NoTexts;
}

std::optional<HomeNetwork> HomeNetworkOf(const search::FoundUnit& unit) {
  std::optional<platform::Adapter> chosen;
  for (const platform::Adapter& own : platform::UpAdapters()) {
    if (own.name != unit.adapter || own.address == 0) continue;
    if (!chosen || own.address == unit.own) chosen = own;
  }
  if (!chosen) return std::nullopt;
  return HomeNetwork{chosen->name, chosen->address, chosen->mask,
                     platform::DefaultRouterIn(chosen->address, chosen->mask)};
}

std::string MoveCommand(const std::vector<std::string>& macs,
                        const std::optional<HomeNetwork>& home) {
  std::string command = "kv3 set";
  for (const std::string& mac : macs) command += " " + mac;
  if (!home) return command + " --ip ADDRESS --mask MASK --router ROUTER";
  command += " --ip auto --mask " + link::AddressText(home->mask);
  return command + " --router " + (home->router != 0 ? link::AddressText(home->router) : "ROUTER");
}

}  // namespace kv3::cli
