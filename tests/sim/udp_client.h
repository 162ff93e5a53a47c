#pragma once

// The test's own side of the wire: a plain UDP socket on loopback, independent of the tool's code.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/net.h"
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
      platform::Socket socket(platform::Socket::Kind::Datagram);
      if (!socket) throw std::system_error(socket.error(), std::system_category(), "socket");
      socket.allowBroadcast();
      const auto port = static_cast<std::uint16_t>(kFirstClientPort + i);
      if (socket.bind(Net({127, 0, 0, 1}), platform::ToNet16(port)) == 0) {
        socket_ = std::move(socket);
        port_ = port;
        return;
      }
    }
    throw std::runtime_error("no free client port");
  }

  std::uint16_t port() const { return port_; }

  void send(const Ipv4& to, std::uint16_t port, const Bytes& bytes) {
    if (const int error = socket_.sendTo(Net(to), platform::ToNet16(port), bytes); error != 0) {
      throw std::runtime_error("sendto: " + platform::ErrorText(error));
    }
  }

  // Waits at most waitMs; a bound against hanging, never a measurement.
  std::optional<Datagram> receive(int waitMs = 10000) {
    if (socket_.waitReadable(waitMs) != platform::Socket::Wait::Ready) return std::nullopt;
    Bytes buffer(65536);
    int error = 0;
    const auto received =
        socket_.receiveFrom({reinterpret_cast<char*>(buffer.data()), buffer.size()}, error);
    if (!received) return std::nullopt;
    buffer.resize(received->size);
    return Datagram{{FromHostOrder(platform::FromNet32(received->sender)),
                     platform::FromNet16(received->senderPort)},
                    std::move(buffer)};
  }

 private:
  static std::uint32_t Net(const Ipv4& ip) { return platform::ToNet32(ToHostOrder(ip)); }

  platform::Socket socket_;
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
