#include "support/raw_unit.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace kv3::test {

namespace {

constexpr int kWaitMs = 5000;

sockaddr_in At(const std::string& address, std::uint16_t port) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
    throw std::invalid_argument("not an address: " + address);
  }
  return where;
}

}  // namespace

RawUnit::RawUnit(const link::LinkSettings& settings, const std::string& address,
                 std::string acknowledgement, std::string answer, Stream stream)
    : udp_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
      listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      acknowledgement_(std::move(acknowledgement)),
      answer_(std::move(answer)),
      mode_(stream) {
  const sockaddr_in command = At(address, settings.commandPort);
  const sockaddr_in transfer = At(address, settings.transferPort);
  int stop[2];
  if (::pipe2(stop, O_CLOEXEC) != 0) throw std::runtime_error("raw unit: no pipe");
  stopRead_.reset(stop[0]);
  stopWrite_.reset(stop[1]);
  const int on = 1;
  ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (mode_ == Stream::ReadSlowly) {
    const int small = 4096;  // taken over by the accepted connection
    ::setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  }
  if (::bind(udp_.get(), reinterpret_cast<const sockaddr*>(&command), sizeof command) != 0 ||
      ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&transfer), sizeof transfer) != 0 ||
      ::listen(listener_.get(), 1) != 0) {
    throw std::runtime_error("raw unit: cannot bind " + address);
  }
  thread_ = std::thread(&RawUnit::run, this);
}

RawUnit::~RawUnit() { abandon(); }

void RawUnit::abandon() {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(stopWrite_.get(), &byte, 1);
  finish();
}

bool RawUnit::readable(int fd) const {
  pollfd entries[2] = {{fd, POLLIN, 0}, {stopRead_.get(), POLLIN, 0}};
  return ::poll(entries, 2, kWaitMs) > 0 && entries[1].revents == 0;
}

void RawUnit::settle() const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!answered_ && std::chrono::steady_clock::now() < deadline) {
    std::uint8_t peeked = 0;
    const bool waiting = ::recv(udp_.get(), &peeked, 1, MSG_PEEK | MSG_DONTWAIT) >= 0;
    if (!waiting && !handling_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void RawUnit::finish() {
  if (thread_.joinable()) thread_.join();
}

void RawUnit::run() {
  if (!readable(udp_.get())) return;
  handling_ = true;  // before the datagram leaves the socket, where settle() sees it
  std::vector<std::uint8_t> datagram(2048);
  sockaddr_in tool{};
  socklen_t length = sizeof tool;
  const ssize_t got = ::recvfrom(udp_.get(), datagram.data(), datagram.size(), 0,
                                 reinterpret_cast<sockaddr*>(&tool), &length);
  if (got <= 0) return;
  announce_.assign(datagram.begin(), datagram.begin() + got);
  ::sendto(udp_.get(), acknowledgement_.data(), acknowledgement_.size(), 0,
           reinterpret_cast<const sockaddr*>(&tool), length);
  answered_ = true;

  if (mode_ == Stream::NeverAccept || !readable(listener_.get())) return;
  const platform::UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
  if (mode_ == Stream::NeverRead) {
    pollfd stop{stopRead_.get(), POLLIN, 0};
    ::poll(&stop, 1, -1);
    return;
  }
  std::uint64_t expected = 4;
  std::uint8_t buffer[4096];
  while (stream_.size() < expected && readable(connection.get())) {
    const ssize_t n = ::recv(connection.get(), buffer, sizeof buffer, 0);
    if (n <= 0) return;
    stream_.insert(stream_.end(), buffer, buffer + n);
    if (mode_ == Stream::ReadSlowly) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (stream_.size() >= 4) {
      expected = 4 + (static_cast<std::uint64_t>(stream_[0]) | stream_[1] << 8 | stream_[2] << 16 |
                      static_cast<std::uint64_t>(stream_[3]) << 24);
    }
  }
  ::send(connection.get(), answer_.data(), answer_.size(), MSG_NOSIGNAL);
  // The tool closes once it has the answer.
  while (readable(connection.get()) && ::recv(connection.get(), buffer, sizeof buffer, 0) > 0) {
  }
}

}  // namespace kv3::test
