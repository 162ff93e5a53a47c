#include "sim/simulator.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "sim/platform_error.h"

namespace kv3::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Large enough for the largest UDP payload over IPv4 (65507 bytes).
constexpr std::size_t kBufferSize = 65536;
// Datagrams read in one round before due answers get their turn.
constexpr int kReadsPerRound = 64;

std::uint32_t NetOrder(const Ipv4& address) { return platform::ToNet32(ToHostOrder(address)); }

Ipv4 FromNetOrder(std::uint32_t address) { return FromHostOrder(platform::FromNet32(address)); }

std::string HexDump(const Bytes& bytes) {
  std::string text;
  char line[100];
  for (std::size_t row = 0; row < bytes.size(); row += 16) {
    int used = std::snprintf(line, sizeof line, "  %04zx ", row);
    std::string ascii;
    for (std::size_t i = row; i < row + 16; ++i) {
      if (i < bytes.size()) {
        used += std::snprintf(line + used, sizeof line - used, " %02x", bytes[i]);
        ascii.push_back(bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.');
      } else {
        used += std::snprintf(line + used, sizeof line - used, "   ");
      }
    }
    text += line;
    text += "  |" + ascii + "|\n";
  }
  return text;
}

double Seconds(Clock::duration since) { return std::chrono::duration<double>(since).count(); }

void Print(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  // Windows' C runtime buffers stderr when it is a file.
  std::fflush(stderr);
}

}  // namespace

Simulator::Simulator(Config config) : config_(std::move(config)), nameFrom_(config_.units.size()) {}

Simulator::~Simulator() { stop(); }

void Simulator::start() {
  std::lock_guard lifecycle(lifecycle_);
  if (thread_.joinable()) throw std::logic_error("the simulator is already running");

  platform::Socket socket(platform::Socket::Kind::Datagram);
  if (!socket) ThrowPlatformError(socket.error(), "socket");
  // The destination address of each datagram tells which units hear it.
  if (const int error = socket.receiveAdapter(); error != 0) {
    ThrowPlatformError(error, "IP_PKTINFO");
  }
  // When each datagram arrived: a late answer is late counted from then.
  if (const int error = socket.stampArrival(); error != 0) {
    ThrowPlatformError(error, "SO_TIMESTAMPNS");
  }
  std::uint16_t port;
  {
    std::lock_guard lock(mutex_);
    port = config_.commandPort;
  }
  if (const int error = socket.bind(NetOrder(config_.bindAddress), platform::ToNet16(port));
      error != 0) {
    ThrowPlatformError(error, "bind " + FormatEndpoint({config_.bindAddress, port}));
  }
  const std::uint16_t bound = socket.localPort();
  if (bound == 0) ThrowPlatformError(0, "getsockname");
  auto wake = std::make_unique<platform::Waker>();
  if (!wake->valid()) ThrowPlatformError(wake->error(), "pipe");
  wake_ = std::move(wake);
  socket_ = std::move(socket);
  buffer_.assign(kBufferSize, 0);
  {
    std::lock_guard lock(mutex_);
    config_.commandPort = platform::FromNet16(bound);
    stopping_ = false;
    started_ = Clock::now();
    std::fill(nameFrom_.begin(), nameFrom_.end(), std::nullopt);
  }
  streams_ =
      std::make_unique<StreamServer>(config_.transferPort, config_.storeDirectory,
                                     [this](const StoredUpload& upload) { uploadEnded(upload); });
  streams_->start();
  restartUntil_.assign(config_.units.size(), Clock::time_point{});
  thread_ = std::thread(&Simulator::serve, this);
}

void Simulator::stop() {
  std::lock_guard lifecycle(lifecycle_);
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_->wake();
  thread_.join();
  streams_->stop();
  queue_.clear();
  {
    std::lock_guard lock(mutex_);
    socket_.close();
    held_.clear();
    released_.clear();
  }
  wake_.reset();
}

bool Simulator::running() const {
  std::lock_guard lifecycle(lifecycle_);
  return thread_.joinable();
}

std::uint16_t Simulator::commandPort() const {
  std::lock_guard lock(mutex_);
  return config_.commandPort;
}

std::uint16_t Simulator::transferPort() const {
  std::lock_guard lock(mutex_);
  return config_.transferPort;
}

std::size_t Simulator::unitCount() const {
  std::lock_guard lock(mutex_);
  return config_.units.size();
}

Unit Simulator::unit(std::size_t index) const {
  std::lock_guard lock(mutex_);
  return config_.units.at(index);
}

void Simulator::setUnit(std::size_t index, const Unit& unit) {
  std::lock_guard lock(mutex_);
  config_.units.at(index) = unit;
}

void Simulator::setFault(std::size_t index, Command command, const Fault& fault) {
  std::lock_guard lock(mutex_);
  config_.units.at(index).fault(command) = fault;
}

std::vector<Received> Simulator::received() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

void Simulator::clearReceived() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::vector<StoredUpload> Simulator::uploads() const {
  std::lock_guard lock(mutex_);
  return uploads_;
}

void Simulator::uploadEnded(const StoredUpload& upload) {
  std::lock_guard lock(mutex_);
  uploads_.push_back(upload);
  if (!upload.whole || upload.answer.empty() || upload.unit >= config_.units.size()) return;
  Unit& unit = config_.units[upload.unit];
  switch (upload.command) {
    case Command::Fwup: {
      // The new firmware is one minor version on. Made piece by piece: GCC 12 warns falsely
      // (-Wrestrict) on "V" + std::to_string(...).
      if (++unit.fwMinor == 0) ++unit.fwMajor;
      std::string version(1, 'V');
      version += std::to_string(unit.fwMajor);
      version += '.';
      version += std::to_string(unit.fwMinor);
      unit.version = std::move(version);
      break;
    }
    case Command::Rfup:
      unit.webApp = upload.announcedName;
      break;
    case Command::Fram:
      unit.skin = upload.announcedName;
      break;
    case Command::Asch:
      unit.scheme = upload.announcedName;
      break;
    default:
      break;
  }
  if (upload.command == Command::Fwup || upload.command == Command::Rfup) {
    restartUntil_[upload.unit] =
        Clock::now() + std::chrono::milliseconds(unit.restartMs.value_or(config_.restartSilenceMs));
  }
}

void Simulator::serve() {
  for (;;) {
    int timeout = -1;
    if (!queue_.empty()) {
      const auto wait =
          std::chrono::ceil<std::chrono::milliseconds>(queue_.begin()->first - Clock::now());
      timeout =
          static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, INT_MAX));
    }
    std::array<platform::WaitEntry, 2> entries{{{&socket_, nullptr}, {nullptr, wake_.get()}}};
    if (platform::WaitReadable(entries, timeout) == platform::Socket::Wait::Failed) {
      std::fputs("kv3sim: the wait for datagrams failed\n", stderr);
      return;
    }
    if (entries[1].ready) wake_->drain();
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        busy_ = false;
        idle_.notify_all();
        return;
      }
      busy_ = true;
      // Released by advance(): due from then, in their order.
      for (auto& [due, answer] : released_) queue_.emplace(due, std::move(answer));
      released_.clear();
    }
    if (entries[0].ready) receiveAll();
    sendDue();
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
      nextDue_ = queue_.empty() ? Clock::time_point::max() : queue_.begin()->first;
    }
    idle_.notify_all();
  }
}

bool Simulator::settle(std::chrono::milliseconds limit) const {
  const auto now = Clock::now();
  const auto deadline = now + limit;
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_ || !socket_) return true;
    std::array<platform::WaitEntry, 1> entries{{{&socket_, nullptr}}};
    const bool waiting =
        platform::WaitReadable(entries, 0) == platform::Socket::Wait::Ready && entries[0].ready;
    if (!busy_ && !waiting && nextDue_ > now && released_.empty()) return true;
    if (Clock::now() >= deadline) return false;
    idle_.wait_for(lock, std::chrono::milliseconds(5));
  }
}

void Simulator::advance(std::chrono::milliseconds passed) {
  std::lock_guard lifecycle(lifecycle_);  // the waker lives while the simulator runs
  {
    std::lock_guard lock(mutex_);
    callerNow_ += passed;
    const auto now = Clock::now();
    while (!held_.empty() && held_.begin()->first <= callerNow_) {
      released_.emplace_back(now, std::move(held_.begin()->second));
      held_.erase(held_.begin());
    }
    if (released_.empty() || !wake_) return;
  }
  wake_->wake();
}

void Simulator::receiveAll() {
  for (int round = 0; round < kReadsPerRound; ++round) {
    int error = 0;
    const auto received = socket_.receiveFrom(
        std::span(reinterpret_cast<char*>(buffer_.data()), buffer_.size()), error);
    if (!received) return;  // nothing more waiting, or an error the next wait shows again

    const Ipv4 destination =
        received->destination != 0 ? FromNetOrder(received->destination) : config_.bindAddress;
    const std::size_t kept = std::min(received->size, buffer_.size());
    handle(Bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kept)),
           {FromNetOrder(received->sender), platform::FromNet16(received->senderPort)}, destination,
           received->arrived);
  }
}

bool Simulator::isBroadcast(const Ipv4& destination) const {
  static constexpr Ipv4 kLimited{255, 255, 255, 255};
  static constexpr Ipv4 kLoopback{127, 255, 255, 255};
  if (destination == kLimited || destination == kLoopback) return true;
  const std::uint32_t target = ToHostOrder(destination);
  return std::any_of(config_.units.begin(), config_.units.end(), [&](const Unit& unit) {
    // A /31 or /32 network has no broadcast address: its "all host bits set" address is a
    // unit's own (or its only peer's).
    const std::uint32_t hostBits = ~ToHostOrder(unit.mask);
    return hostBits >= 3 && (ToHostOrder(unit.ip) | hostBits) == target;
  });
}

void Simulator::handle(const Bytes& datagram, const Endpoint& source, const Ipv4& destination,
                       Clock::time_point arrived) {
  const auto now = arrived;
  std::string printed;
  std::vector<std::string> moves;  // the commands that give the machine a moved unit's address
  {
    std::lock_guard lock(mutex_);
    Received entry{now, source, {destination, config_.commandPort}, datagram, {}, {}, {}};
    // A unit never takes its own answers (possible only when someone sends from the command
    // port of a unit address), so two units cannot talk to each other without end.
    const bool fromUnit = source.port == config_.commandPort &&
                          std::any_of(config_.units.begin(), config_.units.end(),
                                      [&](const Unit& unit) { return unit.ip == source.address; });
    const bool broadcast = isBroadcast(destination);
    // Units that share an address are one address to a LAN: a datagram to it reaches the one
    // unit the sender's neighbour table holds, here the first of them.
    const auto addressed = std::find_if(config_.units.begin(), config_.units.end(),
                                        [&](const Unit& unit) { return unit.ip == destination; });
    for (std::size_t i = 0; i < config_.units.size() && !fromUnit; ++i) {
      Unit& unit = config_.units[i];
      if (!broadcast && config_.units.begin() + static_cast<std::ptrdiff_t>(i) != addressed) {
        continue;
      }
      if (now < restartUntil_[i]) {
        entry.note +=
            (entry.note.empty() ? "unit " : "; unit ") + std::to_string(i) + ": restarting, silent";
        continue;
      }
      const Ipv4 from = unit.ip;  // answers leave from the address the command reached
      const Reaction reaction = React(unit, datagram, nameFrom_[i] == source);
      if (unit.ip != from && !config_.onMove.empty()) {
        std::string command = config_.onMove;
        if (const auto at = command.find("{}"); at != std::string::npos) {
          command.replace(at, 2, FormatIpv4(unit.ip));
        }
        moves.push_back(std::move(command));
      }
      if (reaction.expectName) {
        nameFrom_[i] = source;
      } else if (nameFrom_[i] == source) {
        nameFrom_[i].reset();
      }
      if (reaction.upload && !streams_->expect(i, unit.ip, *reaction.upload, reaction.uploadName,
                                               unit.fault(*reaction.upload).stream)) {
        entry.note += (entry.note.empty() ? "unit " : "; unit ") + std::to_string(i) +
                      ": not listening on the transfer port";
      }
      if (reaction.taken) entry.takenBy.push_back(i);
      if (entry.kind.empty() || reaction.taken) entry.kind = reaction.kind;
      if (!reaction.note.empty()) {
        entry.note +=
            (entry.note.empty() ? "unit " : "; unit ") + std::to_string(i) + ": " + reaction.note;
      }
      for (const Bytes& answer : reaction.answers) {
        if (config_.callerClock && reaction.delayMs > 0) {
          held_.emplace(callerNow_ + std::chrono::milliseconds(reaction.delayMs),
                        Outgoing{from, source, answer});
        } else {
          queue_.emplace(now + std::chrono::milliseconds(reaction.delayMs),
                         Outgoing{from, source, answer});
        }
      }
    }
    if (fromUnit) entry.note = "sent from a unit's command port; ignored";
    if (config_.logToStderr) {
      std::string taken;
      for (std::size_t i : entry.takenBy) {
        if (!taken.empty()) taken += ',';
        taken += std::to_string(i);
      }
      char head[160];
      std::snprintf(head, sizeof head, "%10.3f  %s -> %s  %zu bytes  %s%s%s\n",
                    Seconds(now - started_), FormatEndpoint(source).c_str(),
                    FormatEndpoint(entry.destination).c_str(), datagram.size(),
                    entry.kind.empty() ? "?" : entry.kind.c_str(),
                    taken.empty() ? "" : " taken by unit ", taken.c_str());
      printed = head;
      if (!entry.note.empty()) printed += "            " + entry.note + "\n";
      printed += HexDump(datagram);
    }
    log_.push_back(std::move(entry));
    while (log_.size() > config_.logLimit) log_.pop_front();
  }
  if (!printed.empty()) Print(printed);
  for (const std::string& command : moves) {
    if (const int status = std::system(command.c_str()); status != 0) {
      Print("kv3sim: \"" + command + "\" failed (" + std::to_string(status) + ")\n");
    }
  }
}

void Simulator::sendDue() {
  const auto now = Clock::now();
  while (!queue_.empty() && queue_.begin()->first <= now) {
    send(queue_.begin()->second);
    queue_.erase(queue_.begin());
  }
}

void Simulator::send(const Outgoing& answer) {
  const std::uint32_t to = NetOrder(answer.to.address);
  const std::uint16_t port = platform::ToNet16(answer.to.port);
  int error = socket_.sendFrom(NetOrder(answer.from), to, port, answer.bytes);
  std::string warning;
  if (platform::IsNotLocalAddress(error)) {
    // The unit was given an address this machine does not have: the answer still goes out,
    // from whatever address the system picks.
    warning = "(not a local address; sent from the system's choice) ";
    error = socket_.sendTo(to, port, answer.bytes);
  }
  if (error != 0) warning = "(not sent: " + platform::ErrorText(error) + ") ";

  bool log;
  Clock::time_point started;
  {
    std::lock_guard lock(mutex_);
    log = config_.logToStderr;
    started = started_;
  }
  if (log) {
    char head[160];
    std::snprintf(head, sizeof head, "%10.3f  %s <- %s  %zu bytes  answer %s\n",
                  Seconds(Clock::now() - started), FormatEndpoint(answer.to).c_str(),
                  FormatEndpoint({answer.from, commandPort()}).c_str(), answer.bytes.size(),
                  warning.c_str());
    Print(head + HexDump(answer.bytes));
  }
}

}  // namespace kv3::sim
