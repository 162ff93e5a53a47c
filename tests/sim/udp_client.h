#pragma once

// The test's own side of the wire: a plain UDP socket on loopback, independent of the tool's code.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/unique_fd.h"
#include "sim/simulator.h"

namespace kv3::sim::testing {

// Own ports only: simulators from here, clients from kFirstClientPort.
inline constexpr std::uint16_t kFirstSimulatorPort = 41000;
inline constexpr std::uint16_t kFirstClientPort = 41500;
inline constexpr int kPortsToTry = 400;
inline constexpr Ipv4 kLoopbackBroadcast{127, 255, 255, 255};

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
// A text as the units send it: the characters and one zero byte.
inline Bytes Text0(std::string_view text) {
  Bytes bytes = ToBytes(text);
  bytes.push_back(0);
  return bytes;
}
// A command as the tool sends it: the four letters and one zero byte.
inline Bytes Command0(std::string_view word) { return Text0(word); }

struct Datagram {
  Endpoint source;
  Bytes bytes;
};

class UdpClient {
 public:
  UdpClient() {
    for (int i = 0; i < kPortsToTry; ++i) {
      platform::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
      if (!fd) throw std::system_error(errno, std::generic_category(), "socket");
      const int on = 1;
      ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
      const auto port = static_cast<std::uint16_t>(kFirstClientPort + i);
      const sockaddr_in address = Address({127, 0, 0, 1}, port);
      if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        fd_ = std::move(fd);
        port_ = port;
        return;
      }
    }
    throw std::runtime_error("no free client port");
  }

  std::uint16_t port() const { return port_; }

  void send(const Ipv4& to, std::uint16_t port, const Bytes& bytes) {
    const sockaddr_in address = Address(to, port);
    if (::sendto(fd_.get(), bytes.data(), bytes.size(), 0,
                 reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
      throw std::system_error(errno, std::generic_category(), "sendto");
    }
  }

  // Waits at most waitMs; a bound against hanging, never a measurement.
  std::optional<Datagram> receive(int waitMs = 10000) {
    pollfd fd{fd_.get(), POLLIN, 0};
    if (::poll(&fd, 1, waitMs) <= 0) return std::nullopt;
    Bytes buffer(65536);
    sockaddr_in source{};
    socklen_t length = sizeof source;
    const ssize_t size = ::recvfrom(fd_.get(), buffer.data(), buffer.size(), 0,
                                    reinterpret_cast<sockaddr*>(&source), &length);
    if (size < 0) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(size));
    return Datagram{{FromHostOrder(ntohl(source.sin_addr.s_addr)), ntohs(source.sin_port)},
                    std::move(buffer)};
  }

 private:
  static sockaddr_in Address(const Ipv4& ip, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(ToHostOrder(ip));
    return address;
  }

  platform::UniqueFd fd_;
  std::uint16_t port_ = 0;
};

// Starts a simulator on the first free command port from kFirstSimulatorPort, so test programs
// running side by side do not meet.
inline std::unique_ptr<Simulator> StartSimulator(Config config) {
  for (int i = 0; i < kPortsToTry; ++i) {
    config.commandPort = static_cast<std::uint16_t>(kFirstSimulatorPort + i);
    auto simulator = std::make_unique<Simulator>(config);
    try {
      simulator->start();
      return simulator;
    } catch (const std::system_error& failure) {
      if (failure.code() != std::errc::address_in_use) throw;
    }
  }
  throw std::runtime_error("no free simulator port");
}

}  // namespace kv3::sim::testing
