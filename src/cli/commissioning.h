#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"

// What moving units into a network needs: addresses nobody holds, and searches repeated until
// the units show what they were sent.
namespace kv3::cli {

// Whether this computer can tell that a host holds the address: a unit answers "FIND" sent
// there, or a TCP connection to it is accepted or refused within a second. Silence on both
// is taken for a free address.
bool AddressHeld(Context& context, std::uint32_t address);
// The same for many addresses at once, in about the time of one.
std::vector<bool> AddressesHeld(Context& context, const std::vector<std::uint32_t>& addresses);

// The lowest address from `first` on (all in network order) that lies in network/mask, is no
// host's (AddressHeld), is not this computer's, not one a unit of `report` answered from and
// not among `taken`. Nothing when the network has no such address left.
std::optional<std::uint32_t> FreeAddress(Context& context, const search::SearchReport& report,
                                         std::uint32_t first, std::uint32_t mask,
                                         const std::vector<std::uint32_t>& taken);

// Searches (with the units' texts) until `proved` holds for a search or `limit` has passed,
// starting after `settle`; the last search, nothing when a search failed (status set). Ctrl-C
// ends the wait.
std::optional<search::SearchReport> SearchUntil(
    Context& context, const std::string& address, std::chrono::milliseconds settle,
    std::chrono::seconds limit, const std::function<bool(const search::SearchReport&)>& proved,
    int& status);

}  // namespace kv3::cli
