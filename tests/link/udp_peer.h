#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "link/sock_exception.h"
#include "platform/unique_fd.h"

namespace kv3::link::test {

// The far side of a test exchange: a plain UDP socket on loopback.
class UdpPeer {
 public:
  struct Datagram {
    std::string bytes;
    sockaddr_in from{};
    std::uint16_t fromPort() const { return ntohs(from.sin_port); }
  };

  // Binds to bindAddress:port; "0.0.0.0" also hears loopback broadcasts.
  UdpPeer(const char* bindAddress, std::uint16_t port)
      : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in local = Address(bindAddress, port);
    if (!fd_ || ::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      throw std::runtime_error("test peer cannot bind port " + std::to_string(port));
    }
  }

  static sockaddr_in Address(const char* address, std::uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &in.sin_addr);
    return in;
  }

  // The next datagram, waiting at most timeoutMs for it (a bound, not a timing expectation).
  std::optional<Datagram> receive(int timeoutMs = 5000) {
    pollfd waiting{fd_.get(), POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) <= 0) {
      return std::nullopt;
    }
    Datagram d;
    d.bytes.resize(65536);
    socklen_t length = sizeof d.from;
    const ssize_t n = ::recvfrom(fd_.get(), d.bytes.data(), d.bytes.size(), 0,
                                 reinterpret_cast<sockaddr*>(&d.from), &length);
    if (n < 0) {
      return std::nullopt;
    }
    d.bytes.resize(static_cast<std::size_t>(n));
    return d;
  }

  void sendTo(std::string_view bytes, const sockaddr_in& to) {
    ::sendto(fd_.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
  }
  void sendTo(std::string_view bytes, std::uint16_t port) {
    sendTo(bytes, Address("127.0.0.1", port));
  }

 private:
  platform::UniqueFd fd_;
};

// The message of the ESockException that action throws, or "" when it throws none.
inline std::string SockErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESockException& e) {
    return e.what();
  }
  return {};
}

}  // namespace kv3::link::test
