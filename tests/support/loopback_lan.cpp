#include "support/loopback_lan.h"

#ifdef _WIN32
#include <random>

#include "platform/single_instance.h"
#else
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>

#include "platform/net.h"

namespace kv3::test {

namespace {

// Ports for tests on loopback come from 20000 to 32767, below the ranges the kernel takes
// ephemeral ports from (49152 up inside scripts/isolated, 32768 up by default): no connection or
// bind to port 0 of a test running beside takes one while a test has chosen it but not bound it
// (the tool binds its reply port anew for every exchange). Each test process claims a block of
// its own with an flock that lasts as long as the process, so that processes side by side never
// hand out the same port.
constexpr int kFirstPort = 20000;
constexpr int kBlockSize = 256;
constexpr int kBlocks = (32768 - kFirstPort) / kBlockSize;

#ifdef _WIN32
// Under Wine, test processes of one run share the Wine prefix, whose named mutexes they see.
int ClaimBlock() {
  static std::vector<std::unique_ptr<platform::SingleInstanceGuard>> held;
  for (int block = 0; block < kBlocks; ++block) {
    auto guard =
        std::make_unique<platform::SingleInstanceGuard>("kv3-test-ports-" + std::to_string(block));
    if (!guard->alreadyRunning()) {
      held.push_back(std::move(guard));
      return block;
    }
  }
  throw std::runtime_error("no free block of loopback test ports");
}
#else
int ClaimBlock() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kv3-test-ports";
  std::error_code ignored;
  if (std::filesystem::create_directory(folder, ignored)) {
    std::filesystem::permissions(
        folder, std::filesystem::perms::all | std::filesystem::perms::sticky_bit, ignored);
  }
  for (int block = 0; block < kBlocks; ++block) {
    const std::string path = (folder / std::to_string(block)).string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      return block;  // the descriptor stays open: the block is this process's until it ends
    }
    if (fd >= 0) ::close(fd);
  }
  throw std::runtime_error("no free block of loopback test ports in " + folder.string());
}
#endif

// True when nothing holds the port for UDP or TCP on any address.
bool FreeForUdpAndTcp(std::uint16_t port) {
  for (const auto kind : {platform::Socket::Kind::Datagram, platform::Socket::Kind::Stream}) {
    platform::Socket probe(kind);
    if (!probe || probe.bind(platform::kAnyAddress, platform::ToNet16(port)) != 0) return false;
  }
  return true;
}

}  // namespace

namespace {

std::mutex portsMutex;
int nextPort = 0;  // in this process's block; guarded by portsMutex

int Block() {
  static const int block = ClaimBlock();
  return block;
}

}  // namespace

LoopbackPorts FreeLoopbackPorts() {
  const std::lock_guard lock(portsMutex);
  const int block = Block();
  const auto take = [block] {
    for (int tried = 0; tried < kBlockSize; ++tried) {
      const auto port = static_cast<std::uint16_t>(kFirstPort + block * kBlockSize + nextPort);
      nextPort = (nextPort + 1) % kBlockSize;
      if (FreeForUdpAndTcp(port)) return port;
    }
    throw std::runtime_error("no free loopback port");
  };
  LoopbackPorts ports;
  ports.command = take();
  ports.reply = take();
  ports.transfer = take();
  return ports;
}

std::uint16_t FreeLoopbackPortRun(int count) {
  const std::lock_guard lock(portsMutex);
  const int first = kFirstPort + Block() * kBlockSize;
  for (int start = nextPort, tried = 0; tried < kBlockSize; ++tried) {
    if (start + count > kBlockSize) start = 0;
    int free = 0;
    while (free < count && FreeForUdpAndTcp(static_cast<std::uint16_t>(first + start + free))) {
      ++free;
    }
    if (free == count) {
      nextPort = (start + count) % kBlockSize;
      return static_cast<std::uint16_t>(first + start);
    }
    start += free + 1;
  }
  throw std::runtime_error("no run of free loopback ports");
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

LoopbackLan::LoopbackLan(std::vector<sim::Unit> units, std::filesystem::path store,
                         bool callerClock)
    : ports_(FreeLoopbackPorts()), settings_(LoopbackSettings(ports_)), store_(std::move(store)) {
  sim::Config config;
  config.callerClock = callerClock;
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
#ifdef _WIN32
  std::random_device random;
  for (int tried = 0; tried < 100 && path_.empty(); ++tried) {
    const auto candidate =
        std::filesystem::temp_directory_path() / ("kv3-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a scratch directory");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "kv3-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory");
  }
  path_ = pattern;
#endif
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

std::string ContentFor(std::string_view fileName, std::size_t n) {
  std::string bytes = PatternBytes(n);
  if (fileName.ends_with(".jpg") && n >= 3) {
    bytes.replace(0, 3, "\xFF\xD8\xFF");
  } else if (fileName.ends_with(".rom") && n >= 33) {
    // One entry (size, offset 33, index 0, "index.htm"), the end marker, the content.
    const std::uint32_t size = static_cast<std::uint32_t>(n - 33);
    std::string head(33, '\0');
    for (int i = 0; i < 4; ++i) head[i] = static_cast<char>(size >> (8 * i));
    head[4] = 33;
    head.replace(11, 9, "index.htm");
    head[31] = head[32] = '\xFF';
    bytes.replace(0, 33, head);
  }
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
#ifdef _WIN32
bool InIsolatedNetwork() { return platform::UpAdapters().empty(); }
#else
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
#endif

}  // namespace kv3::test
