#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/adapter_search.h"

// What a search tells of each unit: whether it can be spoken to where it is, and if not, why.
namespace kv3::cli {

enum class UnitState {
  Ok,              // it answered the texts request at its address
  OtherNetwork,    // its address lies in none of the networks of the adapter it answered by
  SharedAddress,   // several MACs answered from its address
  SharedMac,       // its MAC answered from several addresses
  NotAddressable,  // it reports a broadcast, zero or multicast address
  NoTexts,         // in this computer's network, but "PaWd" went unanswered
};

// "ok", "other-network", "shared-address", "shared-mac", "not-addressable", "no-texts": the
// same in every language, in the table, in JSON and in CSV.
std::string_view StateKey(UnitState state);

UnitState StateOf(const search::SearchReport& report, const search::FoundUnit& unit);

// Whether the address lies in the network of one of this computer's adapters named `adapter`
// (any adapter when empty), is reached directly on one, or on loopback: only there does a
// unicast reach a unit.
bool InAdapterNetworks(const std::string& address, const std::string& adapter);

// The network of the adapter a unit answered by, where it can be given an address: of the
// adapter's address the unit's answer came to when it has several.
struct HomeNetwork {
  std::string adapter;
  std::uint32_t own = 0, mask = 0, router = 0;  // network order; router 0: none known
};
std::optional<HomeNetwork> HomeNetworkOf(const search::FoundUnit& unit);

// The kv3 command that moves the units into that network, one free address each.
std::string MoveCommand(const std::vector<std::string>& macs,
                        const std::optional<HomeNetwork>& home);

}  // namespace kv3::cli
