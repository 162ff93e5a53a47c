#pragma once

#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace kv3::test {

// A LAN of network namespaces made by scripts/netns-lan for one test: the PC (192.0.2.1), units
// on its subnet and "far" units behind a router (198.51.100.0/24), each played by its own kv3sim
// process with its own address and MAC. While it lives, the calling thread works inside the PC's
// namespace, so the tool's sockets, with the production ports and broadcast address, see
// exactly this LAN and nothing else.
class NamespaceLan {
 public:
  // Empty when namespaces can be made here; otherwise why not (for a skip message).
  static std::string unavailableReason();
  // Whether the run must have its LANs: scripts/test sets KV3_LAN_REQUIRED where it runs as
  // root, so that a green run never hides a LAN case that did not run. Where it is set, a case
  // without its LAN fails.
  static bool required();

  // units and farUnits are kv3sim unit specifications ("mac=...,ip=...,..."); every kv3sim
  // also gets simOptions ("--store=DIR", ...).
  // secondLanUnits sit on a second network that the PC reaches by a second adapter;
  // hostedUnits share one kv3sim (host "h"), each on its own address. moreArguments go to
  // netns-lan as they are ("--segment-unit", UNIT, "--pc-address", ADDRESS/PREFIX).
  NamespaceLan(const std::vector<std::string>& units, const std::vector<std::string>& farUnits,
               const std::vector<std::string>& simOptions = {},
               const std::vector<std::string>& secondLanUnits = {},
               const std::vector<std::string>& hostedUnits = {},
               const std::vector<std::string>& moreArguments = {});
  ~NamespaceLan();
  NamespaceLan(const NamespaceLan&) = delete;
  NamespaceLan& operator=(const NamespaceLan&) = delete;

  const std::string& name() const { return name_; }
  // Runs a command in one of the LAN's hosts ("u1", "f1", ...) and returns its exit status.
  int execIn(const std::string& host, const std::string& command) const;
  // What the simulator of a host ("u1", ...) wrote so far (with "--log": every datagram).
  std::string logOf(const std::string& host) const;

 private:
  std::string name_;
  platform::UniqueFd lock_;  // held while the LAN lives (see scripts/netns-lan)
  platform::UniqueFd home_;  // the namespace the thread came from
};

}  // namespace kv3::test
