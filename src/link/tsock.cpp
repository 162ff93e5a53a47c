#include "link/tsock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
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
  if (fd_ && type_ == TSocketType::stDatagram) {
    remote_.sin_addr.s_addr = LookupHost(hostName_);
  }
}

void TSock::SetPortName(const std::string& port) { portName_ = port; }

void TSock::SetLocalPortName(const std::string& port) { localPortName_ = port; }

void TSock::SetSocketType(TSocketType type) {
  if (fd_) {
    throw ESockException("SocketType - Can't Assign Socket Type While Connected");
  }
  type_ = type;
}

std::string TSock::RemoteAddressText() const { return AddressText(remote_.sin_addr.s_addr); }

bool TSock::Open() {
  if (fd_) {
    return connected_;
  }
  const bool datagram = type_ == TSocketType::stDatagram;
  // Held here until the bind succeeded: a lookup error or a failed bind leaves no half-made
  // socket behind.
  platform::UniqueFd fd(::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0));
  if (!fd) {
    return false;
  }
  if (!blocking_) {
    const int flags = ::fcntl(fd.get(), F_GETFL, 0);
    ::fcntl(fd.get(), F_SETFL, (flags < 0 ? 0 : flags) | O_NONBLOCK);
  }

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = LookupPort(localPortName_ == "-1" ? portName_ : localPortName_, Protocol());

  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = LookupPort(portName_, Protocol());
  remote.sin_addr.s_addr = LookupHost(hostName_);

  // No SO_REUSEADDR: a port that another program holds must make the bind fail.
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return false;
  }
  fd_ = std::move(fd);
  remote_ = remote;
  connected_ = true;
  if (datagram) {
    const int on = 1;
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  }
  return true;
}

bool TSock::Close() {
  const bool closed = fd_.reset();
  connected_ = false;
  return closed;
}

bool TSock::SendDatagram(std::span<const std::uint8_t> data, const std::string& host) {
  if (!fd_) {
    throw ESockException("SendDatagram - Socket Not Connected");
  }
  if (type_ == TSocketType::stStream) {
    throw ESockException("SendDatagram - Datagram Send Not Supported On Stream Sockets");
  }
  SetHostName(host);
  if (data.empty() || data.front() == 0) {
    return true;
  }
  // A lost datagram shows as a missing answer; the exchange has no other way to notice it.
  (void)::sendto(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_);
  return true;
}

bool TSock::SendDatagram(std::string_view data, const std::string& host) {
  return SendDatagram(std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(data.data()), data.size()),
                      host);
}

std::string TSock::ReceiveDatagram(std::string& senderAddress) {
  if (!fd_) {
    throw ESockException("ReceiveDatagram - Socket Not Connected");
  }
  if (type_ == TSocketType::stStream) {
    throw ESockException("ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");
  }
  senderAddress.clear();

  // poll rather than select: the same readiness test, without a limit on the descriptor's
  // number.
  pollfd waiting{fd_.get(), POLLIN, 0};
  if (::poll(&waiting, 1, PollTimeoutMs(blockingTimeout_)) <= 0 ||
      (waiting.revents & (POLLIN | POLLERR | POLLHUP)) == 0) {
    return {};
  }

  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  errno = 0;
  const ssize_t received = ::recvfrom(fd_.get(), buffer_.data(), buffer_.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (received < 0) {
    throw ESockException("Socket Error while Receiving Datagram:" + std::to_string(errno));
  }
  if (from.sin_family == AF_INET) {
    senderAddress = AddressText(from.sin_addr.s_addr);
  }
  return std::string(buffer_.data(), static_cast<std::size_t>(received));
}

}  // namespace kv3::link
