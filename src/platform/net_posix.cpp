#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

#include "platform/net.h"
#include "platform/net_parts.h"

namespace kv3::platform {

namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

int Result(int status) { return status == 0 ? 0 : errno; }

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_port = port;
  endpoint.sin_addr.s_addr = address;
  return endpoint;
}

Socket::Wait WaitFor(int fd, short events, int ms) {
  pollfd entry{fd, events, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, ms);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return Socket::Wait::Failed;
  if (ready == 0) return Socket::Wait::TimedOut;
  return (entry.revents & (events | POLLERR | POLLHUP)) != 0 ? Socket::Wait::Ready
                                                             : Socket::Wait::TimedOut;
}

}  // namespace

std::uint16_t ToNet16(std::uint16_t value) { return htons(value); }
std::uint32_t ToNet32(std::uint32_t value) { return htonl(value); }
std::uint16_t FromNet16(std::uint16_t value) { return ntohs(value); }
std::uint32_t FromNet32(std::uint32_t value) { return ntohl(value); }

std::string ErrorText(int error) { return std::strerror(error); }
bool IsWouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
}
bool IsAddressInUse(int error) { return error == EADDRINUSE; }
int UnreachableError() { return ENETUNREACH; }
bool RunsUnderWine() { return false; }
bool IsRefused(int error) { return error == ECONNREFUSED; }

bool IsNotLocalAddress(int error) { return error == EINVAL || error == EADDRNOTAVAIL; }

namespace detail {

void EnsureNetwork() {}

}  // namespace detail

std::vector<Adapter> UpAdapters() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return {};
  }
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
  std::vector<Adapter> adapters;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        entry->ifa_netmask == nullptr || (flags & IFF_UP) == 0 || (flags & IFF_BROADCAST) == 0 ||
        (flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    Adapter adapter;
    adapter.name = entry->ifa_name;
    adapter.index = ::if_nametoindex(entry->ifa_name);
    adapter.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    // Made from the mask: an address given without its broadcast address has none recorded.
    const std::uint32_t mask =
        reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
    adapter.broadcast = (adapter.address & mask) | ~mask;
    adapter.mask = mask;
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

std::vector<std::string> ReachableAdapterNames() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return {};
  }
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
  std::vector<std::string> names;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    if (std::find(names.begin(), names.end(), entry->ifa_name) == names.end()) {
      names.emplace_back(entry->ifa_name);
    }
  }
  return names;
}

Socket::Socket(Kind kind)
    : handle_(::socket(AF_INET, (kind == Kind::Datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC,
                       0)) {
  if (handle_ < 0) error_ = errno;
}

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), error_(other.error_) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    error_ = other.error_;
  }
  return *this;
}

bool Socket::valid() const { return handle_ >= 0; }

bool Socket::close() {
  const std::intptr_t old = std::exchange(handle_, -1);
  return old >= 0 && ::close(Fd(old)) == 0;
}

int Socket::setNonBlocking() {
  const int flags = ::fcntl(Fd(handle_), F_GETFL, 0);
  return Result(::fcntl(Fd(handle_), F_SETFL, (flags < 0 ? 0 : flags) | O_NONBLOCK) < 0 ? -1 : 0);
}

int Socket::allowBroadcast() {
  const int on = 1;
  return Result(::setsockopt(Fd(handle_), SOL_SOCKET, SO_BROADCAST, &on, sizeof on));
}

int Socket::receiveAdapter() {
  const int on = 1;
  return Result(::setsockopt(Fd(handle_), IPPROTO_IP, IP_PKTINFO, &on, sizeof on));
}

int Socket::stampArrival() {
  const int on = 1;
  return Result(::setsockopt(Fd(handle_), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on));
}

int Socket::setReceiveBuffer(int bytes) {
  // Root may go beyond the system's limit for everyone (net.core.rmem_max).
  if (::setsockopt(Fd(handle_), SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return 0;
  return Result(::setsockopt(Fd(handle_), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes));
}

int Socket::countDrops() {
  const int on = 1;
  return Result(::setsockopt(Fd(handle_), SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on));
}

int Socket::bind(std::uint32_t address, std::uint16_t port) {
  const sockaddr_in local = Endpoint(address, port);
  return Result(::bind(Fd(handle_), reinterpret_cast<const sockaddr*>(&local), sizeof local));
}

std::uint16_t Socket::localPort() const {
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
  return bound.sin_family == AF_INET ? bound.sin_port : 0;
}

int Socket::sendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data,
                   unsigned adapterIndex, std::uint32_t source) {
  if (!valid()) return EBADF;
  sockaddr_in target = Endpoint(address, port);
  iovec part{const_cast<std::uint8_t*>(data.data()), data.size()};
  msghdr message{};
  message.msg_name = &target;
  message.msg_namelen = sizeof target;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
  if (adapterIndex != 0 || source != 0) {
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = static_cast<int>(adapterIndex);
    info.ipi_spec_dst.s_addr = source;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
  }
  ssize_t sent;
  do {
    sent = ::sendmsg(Fd(handle_), &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? errno : 0;
}

int Socket::sendFrom(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                     std::span<const std::uint8_t> data) {
  if (!valid()) return EBADF;
  sockaddr_in target = Endpoint(address, port);
  iovec part{const_cast<std::uint8_t*>(data.data()), data.size()};
  msghdr message{};
  message.msg_name = &target;
  message.msg_namelen = sizeof target;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
  message.msg_control = control.data();
  message.msg_controllen = control.size();
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = IPPROTO_IP;
  header->cmsg_type = IP_PKTINFO;
  header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = source;
  std::memcpy(CMSG_DATA(header), &info, sizeof info);
  ssize_t sent;
  do {
    sent = ::sendmsg(Fd(handle_), &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? errno : 0;
}

std::optional<Socket::Received> Socket::receiveFrom(std::span<char> buffer, int& error) {
  error = 0;
  if (!valid()) {
    error = EBADF;
    return std::nullopt;
  }
  for (;;) {
    sockaddr_in sender{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr)
        std::array<char, CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec)) +
                             CMSG_SPACE(sizeof(std::uint32_t))>
            control{};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t got = ::recvmsg(Fd(handle_), &message, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return std::nullopt;
    }
    Received received;
    received.arrived = std::chrono::steady_clock::now();
    // A datagram longer than the buffer arrives cut to it (MSG_TRUNC): its first bytes count.
    received.size = std::min(static_cast<std::size_t>(got), buffer.size());
    received.senderKnown = sender.sin_family == AF_INET;
    received.sender = received.senderKnown ? sender.sin_addr.s_addr : 0;
    received.senderPort = received.senderKnown ? sender.sin_port : 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO &&
          header->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(header), sizeof info);
        received.adapterIndex = static_cast<unsigned>(info.ipi_ifindex);
        received.destination = info.ipi_addr.s_addr;
      } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL &&
                 header->cmsg_len >= CMSG_LEN(sizeof(std::uint32_t))) {
        std::memcpy(&received.droppedSoFar, CMSG_DATA(header), sizeof received.droppedSoFar);
      } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS &&
                 header->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
        // The stamp is wall-clock time; how long ago it was counts on the steady clock.
        const auto ago =
            std::chrono::system_clock::now().time_since_epoch() -
            (std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec));
        if (ago > std::chrono::steady_clock::duration::zero() && ago < std::chrono::seconds(10)) {
          received.arrived -= std::chrono::duration_cast<std::chrono::steady_clock::duration>(ago);
        }
      }
    }
    return received;
  }
}

int Socket::connectStart(std::uint32_t address, std::uint16_t port) {
  const sockaddr_in target = Endpoint(address, port);
  return Result(::connect(Fd(handle_), reinterpret_cast<const sockaddr*>(&target), sizeof target));
}

int Socket::connectResult() {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(Fd(handle_), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

long Socket::send(std::span<const std::uint8_t> data, int& error) {
  error = 0;
  for (;;) {
    const ssize_t sent = ::send(Fd(handle_), data.data(), data.size(), MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<long>(sent);
    if (errno == EINTR) continue;
    error = errno;
    return -1;
  }
}

long Socket::receive(std::span<char> buffer, int& error) {
  error = 0;
  for (;;) {
    const ssize_t got = ::recv(Fd(handle_), buffer.data(), buffer.size(), 0);
    if (got >= 0) return static_cast<long>(got);
    if (errno == EINTR) continue;
    error = errno;
    return -1;
  }
}

int Socket::listen(std::uint32_t address, std::uint16_t port, int backlog) {
  const int on = 1;
  if (::setsockopt(Fd(handle_), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return errno;
  if (const int error = bind(address, port); error != 0) return error;
  return Result(::listen(Fd(handle_), backlog));
}

Socket Socket::accept() {
  Socket connection;
  do {
    connection.handle_ = ::accept4(Fd(handle_), nullptr, nullptr, SOCK_CLOEXEC);
  } while (connection.handle_ < 0 && errno == EINTR);
  if (connection.handle_ < 0) connection.error_ = errno;
  return connection;
}

void Socket::closeWithReset() {
  const linger abort{1, 0};
  ::setsockopt(Fd(handle_), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close();
}

Socket::Wait Socket::waitReadable(int ms) { return WaitFor(Fd(handle_), POLLIN, ms); }
Socket::Wait Socket::waitWritable(int ms) { return WaitFor(Fd(handle_), POLLOUT, ms); }

Waker::Waker() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    error_ = errno;
    return;
  }
  read_ = ends[0];
  write_ = ends[1];
}

Waker::~Waker() {
  if (read_ >= 0) ::close(Fd(read_));
  if (write_ >= 0) ::close(Fd(write_));
}

bool Waker::valid() const { return read_ >= 0; }

void Waker::wake() {
  const std::uint8_t byte = 1;
  // The pipe is empty or holds bytes already; either way it is readable.
  [[maybe_unused]] const ssize_t written = ::write(Fd(write_), &byte, 1);
}

void Waker::drain() {
  std::array<std::uint8_t, 64> bytes{};
  while (::read(Fd(read_), bytes.data(), bytes.size()) > 0) {
  }
}

Socket::Wait WaitReadable(std::span<WaitEntry> entries, int ms) {
  std::vector<pollfd> polled;
  polled.reserve(entries.size());
  for (WaitEntry& entry : entries) {
    entry.ready = false;
    std::intptr_t handle = -1;
    if (entry.socket != nullptr) handle = entry.socket->handle_;
    if (entry.waker != nullptr) handle = entry.waker->read_;
    // poll passes over negative descriptors.
    polled.push_back({handle < 0 ? -1 : Fd(handle), POLLIN, 0});
  }
  int ready;
  do {
    ready = ::poll(polled.data(), polled.size(), ms);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return Socket::Wait::Failed;
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].ready = polled[i].revents != 0;
  return ready == 0 ? Socket::Wait::TimedOut : Socket::Wait::Ready;
}

}  // namespace kv3::platform
