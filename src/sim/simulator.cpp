#include "sim/simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace kv3::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Large enough for the largest UDP payload over IPv4 (65507 bytes).
constexpr std::size_t kBufferSize = 65536;
// Datagrams read in one round before due answers get their turn.
constexpr int kReadsPerRound = 64;

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

sockaddr_in SocketAddress(const Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  address.sin_addr.s_addr = htonl(ToHostOrder(endpoint.address));
  return address;
}

Endpoint EndpointOf(const sockaddr_in& address) {
  return {FromHostOrder(ntohl(address.sin_addr.s_addr)), ntohs(address.sin_port)};
}

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

void Print(const std::string& text) { std::fputs(text.c_str(), stderr); }

}  // namespace

Simulator::Simulator(Config config) : config_(std::move(config)), nameFrom_(config_.units.size()) {}

Simulator::~Simulator() { stop(); }

void Simulator::start() {
  std::lock_guard lifecycle(lifecycle_);
  if (thread_.joinable()) throw std::logic_error("the simulator is already running");

  platform::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd) ThrowErrno("socket");
  const int on = 1;
  // The destination address of each datagram tells which units hear it.
  if (::setsockopt(fd.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
    ThrowErrno("IP_PKTINFO");
  }
  // When each datagram arrived: a late answer is late counted from then.
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
    ThrowErrno("SO_TIMESTAMPNS");
  }
  std::uint16_t port;
  {
    std::lock_guard lock(mutex_);
    port = config_.commandPort;
  }
  const sockaddr_in address = SocketAddress({config_.bindAddress, port});
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ThrowErrno("bind " + FormatEndpoint({config_.bindAddress, port}));
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    ThrowErrno("getsockname");
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) ThrowErrno("pipe");
  wakeRead_.reset(pipeFds[0]);
  wakeWrite_.reset(pipeFds[1]);
  socket_ = std::move(fd);
  buffer_.assign(kBufferSize, 0);
  {
    std::lock_guard lock(mutex_);
    config_.commandPort = ntohs(bound.sin_port);
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
  const std::uint8_t wake = 1;
  // The pipe is empty or holds a byte already; either way the loop wakes.
  [[maybe_unused]] const auto written = ::write(wakeWrite_.get(), &wake, 1);
  thread_.join();
  streams_->stop();
  queue_.clear();
  socket_.reset();
  wakeRead_.reset();
  wakeWrite_.reset();
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
    case Command::Fwup:
      // The new firmware is one minor version on.
      if (++unit.fwMinor == 0) ++unit.fwMajor;
      unit.version = "V" + std::to_string(unit.fwMajor) + "." + std::to_string(unit.fwMinor);
      break;
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
    restartUntil_[upload.unit] = Clock::now() + std::chrono::milliseconds(config_.restartSilenceMs);
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
    pollfd fds[2] = {{socket_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
    if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
      std::perror("kv3sim: poll");
      return;
    }
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        busy_ = false;
        idle_.notify_all();
        return;
      }
      busy_ = true;
    }
    if (fds[0].revents != 0) receiveAll();
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
    std::uint8_t peeked = 0;
    const bool waiting = ::recv(socket_.get(), &peeked, 1, MSG_PEEK | MSG_DONTWAIT) >= 0;
    if (!busy_ && !waiting && nextDue_ > now) return true;
    if (Clock::now() >= deadline) return false;
    idle_.wait_for(lock, std::chrono::milliseconds(5));
  }
}

void Simulator::receiveAll() {
  for (int round = 0; round < kReadsPerRound; ++round) {
    sockaddr_in source{};
    iovec iov{buffer_.data(), buffer_.size()};
    alignas(cmsghdr) unsigned char
        control[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(socket_.get(), &message, MSG_DONTWAIT);
    if (size < 0) return;  // nothing more waiting, or an error the next poll shows again

    Ipv4 destination = config_.bindAddress;
    const auto now = Clock::now();
    auto arrived = now;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(header), sizeof info);
        destination = FromHostOrder(ntohl(info.ipi_addr.s_addr));
      } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
        // The stamp is wall-clock time; how long ago it was counts on the steady clock.
        const auto ago =
            std::chrono::system_clock::now().time_since_epoch() -
            (std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec));
        if (ago > Clock::duration::zero() && ago < std::chrono::seconds(10)) {
          arrived = now - std::chrono::duration_cast<Clock::duration>(ago);
        }
      }
    }
    const std::size_t kept = std::min(static_cast<std::size_t>(size), buffer_.size());
    handle(Bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kept)),
           EndpointOf(source), destination, arrived);
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
  {
    std::lock_guard lock(mutex_);
    Received entry{now, source, {destination, config_.commandPort}, datagram, {}, {}, {}};
    // A unit never takes its own answers (possible only when someone sends from the command
    // port of a unit address), so two units cannot talk to each other without end.
    const bool fromUnit = source.port == config_.commandPort &&
                          std::any_of(config_.units.begin(), config_.units.end(),
                                      [&](const Unit& unit) { return unit.ip == source.address; });
    const bool broadcast = isBroadcast(destination);
    for (std::size_t i = 0; i < config_.units.size() && !fromUnit; ++i) {
      Unit& unit = config_.units[i];
      if (!broadcast && unit.ip != destination) continue;
      if (now < restartUntil_[i]) {
        entry.note +=
            (entry.note.empty() ? "unit " : "; unit ") + std::to_string(i) + ": restarting, silent";
        continue;
      }
      const Ipv4 from = unit.ip;  // answers leave from the address the command reached
      const Reaction reaction = React(unit, datagram, nameFrom_[i] == source);
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
        queue_.emplace(now + std::chrono::milliseconds(reaction.delayMs),
                       Outgoing{from, source, answer});
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
}

void Simulator::sendDue() {
  const auto now = Clock::now();
  while (!queue_.empty() && queue_.begin()->first <= now) {
    send(queue_.begin()->second);
    queue_.erase(queue_.begin());
  }
}

void Simulator::send(const Outgoing& answer) {
  sockaddr_in target = SocketAddress(answer.to);
  iovec iov{const_cast<std::uint8_t*>(answer.bytes.data()), answer.bytes.size()};
  alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr message{};
  message.msg_name = &target;
  message.msg_namelen = sizeof target;
  message.msg_iov = &iov;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = IPPROTO_IP;
  header->cmsg_type = IP_PKTINFO;
  header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = htonl(ToHostOrder(answer.from));
  std::memcpy(CMSG_DATA(header), &info, sizeof info);

  bool sent = ::sendmsg(socket_.get(), &message, 0) >= 0;
  std::string warning;
  if (!sent && (errno == EINVAL || errno == EADDRNOTAVAIL)) {
    // The unit was given an address this machine does not have: the answer still goes out,
    // from whatever address the system picks.
    warning = "(not a local address; sent from the system's choice) ";
    message.msg_control = nullptr;
    message.msg_controllen = 0;
    sent = ::sendmsg(socket_.get(), &message, 0) >= 0;
  }
  if (!sent) warning = std::string("(not sent: ") + std::strerror(errno) + ") ";

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
