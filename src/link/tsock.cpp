#include "link/tsock.h"

#include <climits>

#include "link/address_lookup.h"

namespace kv3::link {
namespace {

int PollTimeoutMs(int seconds) {
  if (seconds < 0) {
    return -1;
  }
  return seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
}

}  // namespace

TSock::TSock() : buffer_(kReceiveBufferSize) {}

TSock::~TSock() = default;

const char* TSock::Protocol() const { return type_ == TSocketType::stDatagram ? "udp" : "tcp"; }

void TSock::SetHostName(const std::string& host) {
  hostName_ = host;
  if (socket_ && type_ == TSocketType::stDatagram) {
    remoteAddress_ = LookupHost(hostName_);
  }
}

void TSock::SetPortName(const std::string& port) { portName_ = port; }

void TSock::SetLocalPortName(const std::string& port) { localPortName_ = port; }

void TSock::SetSocketType(TSocketType type) {
  if (socket_) {
    throw ESockException(SockFailure::TypeWhileConnected);
  }
  type_ = type;
}

std::string TSock::RemoteAddressText() const { return AddressText(remoteAddress_); }

bool TSock::Open() {
  if (socket_) {
    return connected_;
  }
  const bool datagram = type_ == TSocketType::stDatagram;
  // Held here until the bind succeeded: a lookup error or a failed bind leaves no half-made
  // socket behind.
  platform::Socket socket(datagram ? platform::Socket::Kind::Datagram
                                   : platform::Socket::Kind::Stream);
  if (!socket) {
    return false;
  }
  if (!blocking_) {
    socket.setNonBlocking();
  }
  const std::uint16_t localPort =
      LookupPort(localPortName_ == "-1" ? portName_ : localPortName_, Protocol());
  const std::uint16_t remotePort = LookupPort(portName_, Protocol());
  const std::uint32_t remoteAddress = LookupHost(hostName_);
  // No SO_REUSEADDR: a port that another program holds must make the bind fail.
  if (socket.bind(platform::kAnyAddress, localPort) != 0) {
    return false;
  }
  socket_ = std::move(socket);
  remoteAddress_ = remoteAddress;
  remotePort_ = remotePort;
  connected_ = true;
  if (datagram) {
    socket_.allowBroadcast();
  }
  return true;
}

bool TSock::Close() {
  const bool closed = socket_.close();
  connected_ = false;
  return closed;
}

bool TSock::SendDatagram(std::span<const std::uint8_t> data, const std::string& host) {
  if (!socket_) {
    throw ESockException(SockFailure::SendNotConnected);
  }
  if (type_ == TSocketType::stStream) {
    throw ESockException(SockFailure::SendOnStream);
  }
  SetHostName(host);
  if (data.empty() || data.front() == 0) {
    return true;
  }
  // A lost datagram shows as a missing answer; the exchange has no other way to notice it.
  (void)socket_.sendTo(remoteAddress_, remotePort_, data);
  return true;
}

bool TSock::SendDatagram(std::string_view data, const std::string& host) {
  return SendDatagram(std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(data.data()), data.size()),
                      host);
}

std::string TSock::ReceiveDatagram(std::string& senderAddress) {
  if (!socket_) {
    throw ESockException(SockFailure::ReceiveNotConnected);
  }
  if (type_ == TSocketType::stStream) {
    throw ESockException(SockFailure::ReceiveOnStream);
  }
  senderAddress.clear();
  if (socket_.waitReadable(PollTimeoutMs(blockingTimeout_)) != platform::Socket::Wait::Ready) {
    return {};
  }
  int error = 0;
  const auto received = socket_.receiveFrom(buffer_, error);
  if (!received) {
    throw ESockException(SockFailure::ReceiveFailed, error);
  }
  if (received->senderKnown) {
    senderAddress = AddressText(received->sender);
  }
  return std::string(buffer_.data(), received->size);
}

}  // namespace kv3::link
