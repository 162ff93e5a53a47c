#include "support/loopback_lan.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "platform/unique_fd.h"

namespace kv3::test {

namespace {

// Asks the system for a port that is free for both UDP and TCP on every address.
std::uint16_t freePort(std::set<std::uint16_t>& taken) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    platform::UniqueFd udp(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(udp.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      continue;
    }
    socklen_t length = sizeof address;
    ::getsockname(udp.get(), reinterpret_cast<sockaddr*>(&address), &length);
    const std::uint16_t port = ntohs(address.sin_port);
    platform::UniqueFd tcp(::socket(AF_INET, SOCK_STREAM, 0));
    if (::bind(tcp.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      continue;
    }
    if (taken.insert(port).second) {
      return port;
    }
  }
  throw std::runtime_error("no free loopback port");
}

}  // namespace

LoopbackPorts FreeLoopbackPorts() {
  std::set<std::uint16_t> taken;
  LoopbackPorts ports;
  ports.command = freePort(taken);
  ports.reply = freePort(taken);
  ports.transfer = freePort(taken);
  return ports;
}

link::LinkSettings LoopbackSettings(const LoopbackPorts& ports) {
  link::LinkSettings settings;
  settings.commandPort = ports.command;
  settings.replyPort = ports.reply;
  settings.transferPort = ports.transfer;
  settings.broadcastAddress = "127.255.255.255";
  return settings;
}

sim::Unit NumberedUnit(int n) {
  sim::Unit unit;
  unit.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, static_cast<std::uint8_t>(n)};
  unit.ip = {127, 0, 0, static_cast<std::uint8_t>(10 + n)};
  unit.mask = {255, 255, 255, 0};
  unit.gateway = {127, 0, 0, 1};
  unit.fwMajor = 1;
  unit.fwMinor = static_cast<std::uint8_t>(n % 10);
  unit.user = "admin" + std::to_string(n);
  unit.password = "Geheim" + std::to_string(n) + "!";
  unit.deviceName = "Heizung " + std::to_string(n);
  unit.version = "V1." + std::to_string(n % 10) + " build " + std::to_string(100 + n);
  return unit;
}

LoopbackLan::LoopbackLan(std::vector<sim::Unit> units, std::filesystem::path store)
    : ports_(FreeLoopbackPorts()), settings_(LoopbackSettings(ports_)), store_(std::move(store)) {
  sim::Config config;
  config.storeDirectory = store_;
  config.units = std::move(units);
  config.commandPort = ports_.command;
  config.transferPort = ports_.transfer;
  sim_ = std::make_unique<sim::Simulator>(std::move(config));
  sim_->start();
}

LoopbackLan::~LoopbackLan() { sim_->stop(); }

std::filesystem::path LoopbackLan::storedFile(std::size_t index, const std::string& name) const {
  return store_ / sim::FormatIpv4(sim_->unit(index).ip) / name;
}

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kv3-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory");
  }
  path_ = pattern;
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

link::DeviceRecord UnitRecord(const sim::Unit& unit) {
  const sim::Record record = sim::FindRecord(unit);
  return link::RecordFromAnswer(record);
}

std::string PatternBytes(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// True when no interface but loopback has an address: only then may a test let the system's
// name resolution run or send to 255.255.255.255, since nothing can leave this namespace.
bool InIsolatedNetwork() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return false;
  }
  bool isolated = true;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    const int family = entry->ifa_addr->sa_family;
    if ((entry->ifa_flags & IFF_UP) != 0 && (family == AF_INET || family == AF_INET6)) {
      isolated = false;
    }
  }
  ::freeifaddrs(list);
  return isolated;
}

}  // namespace kv3::test
