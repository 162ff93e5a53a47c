#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "sim/simulator.h"
#include "sim/unit.h"

namespace kv3::test {

// Three UDP/TCP ports, free on loopback when chosen, that the kernel never hands out on its own
// and no other test process running at the same time is given; a port comes round again only
// after 85 further calls, and then only if nothing holds it.
struct LoopbackPorts {
  std::uint16_t command = 0;
  std::uint16_t reply = 0;
  std::uint16_t transfer = 0;
};
LoopbackPorts FreeLoopbackPorts();
// The first of `count` consecutive such ports, all free when chosen.
std::uint16_t FreeLoopbackPortRun(int count);

// The tool's settings for a simulated network on loopback: the given ports and the loopback
// broadcast address.
link::LinkSettings LoopbackSettings(const LoopbackPorts& ports);

// Unit number n (1 to 250): MAC 00:1A:2B:3C:4D:nn, address 127.0.0.(10+n), its own names.
sim::Unit NumberedUnit(int n);

// Units played on loopback for one test, with the tool's matching settings.
class LoopbackLan {
 public:
  // store: where the units keep the files sent to them (one folder per unit address); empty
  // keeps nothing. callerClock: late answers wait for Simulator::advance (sim::Config).
  explicit LoopbackLan(std::vector<sim::Unit> units, std::filesystem::path store = {},
                       bool callerClock = false);
  // Where unit `index` keeps a file of that name.
  std::filesystem::path storedFile(std::size_t index, const std::string& name) const;
  ~LoopbackLan();
  sim::Simulator& sim() { return *sim_; }
  const link::LinkSettings& settings() const { return settings_; }
  const LoopbackPorts& ports() const { return ports_; }

 private:
  LoopbackPorts ports_;
  link::LinkSettings settings_;
  std::filesystem::path store_;
  std::unique_ptr<sim::Simulator> sim_;
};

// Makes a fresh empty directory current for the test's life and goes back afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The record the tool keeps of a unit: its answer to "FIND".
link::DeviceRecord UnitRecord(const sim::Unit& unit);
// n bytes that differ from their neighbours and do not repeat every 256, for file contents.
std::string PatternBytes(std::size_t n);
// n bytes of content of the kind the file's name says: a web image of one file for ".rom", a
// JPEG picture for ".jpg", PatternBytes otherwise (which reads as firmware).
std::string ContentFor(std::string_view fileName, std::size_t n);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// True when no interface but loopback has an address: only then may a test let the system's
// name resolution run or send to 255.255.255.255, since nothing can leave this namespace.
bool InIsolatedNetwork();

}  // namespace kv3::test
