#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "link/sock_exception.h"
#include "platform/net.h"

namespace kv3::link::test {

// The far side of a test exchange: a plain UDP socket on loopback.
class UdpPeer {
 public:
  struct Endpoint {
    std::uint32_t address = 0;  // network order
    std::uint16_t port = 0;     // network order
  };
  struct Datagram {
    std::string bytes;
    Endpoint from;
    std::uint16_t fromPort() const { return platform::FromNet16(from.port); }
  };

  // Binds to bindAddress:port; "0.0.0.0" also hears loopback broadcasts.
  UdpPeer(const char* bindAddress, std::uint16_t port) : socket_(platform::Socket::Kind::Datagram) {
    const Endpoint local = Address(bindAddress, port);
    if (!socket_ || socket_.bind(local.address, local.port) != 0) {
      throw std::runtime_error("test peer cannot bind port " + std::to_string(port));
    }
  }

  static Endpoint Address(const char* address, std::uint16_t port) {
    return {platform::ParseAddress(address).value_or(0), platform::ToNet16(port)};
  }

  // The next datagram, waiting at most timeoutMs for it (a bound, not a timing expectation).
  std::optional<Datagram> receive(int timeoutMs = 5000) {
    if (socket_.waitReadable(timeoutMs) != platform::Socket::Wait::Ready) return std::nullopt;
    Datagram d;
    d.bytes.resize(65536);
    int error = 0;
    const auto received = socket_.receiveFrom(d.bytes, error);
    if (!received) return std::nullopt;
    d.bytes.resize(received->size);
    d.from = {received->sender, received->senderPort};
    return d;
  }

  void sendTo(std::string_view bytes, const Endpoint& to) {
    socket_.sendTo(to.address, to.port,
                   {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  }
  void sendTo(std::string_view bytes, std::uint16_t port) {
    sendTo(bytes, Address("127.0.0.1", port));
  }

 private:
  platform::Socket socket_;
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
